#!/usr/bin/env bash
# A game recorded from the real window (docs/demos) replays in pako-sim to
# the trace the real game wrote while it was played, byte for byte; where it
# does not, it says which frame and member differ, and how to go on.
#   check_demo.sh PAKO_SIM RECORD TRACE.gz
set -euo pipefail
sim=$1 record=$2 golden=$3
source "$(dirname "$0")/trace_differs.sh"
actual=$(mktemp)
trap 'rm -f "$actual"' EXIT
"$sim" --replay "$record" --trace "$actual"
if ! cmp -s "$actual" <(gzip -dc "$golden"); then
  explain_difference "$golden" "$actual" "$sim --replay $record --trace -" "the demo's trace"
  exit 1
fi
echo "the record replays to its trace"
