#!/usr/bin/env bash
# A game recorded from the real window (docs/demos) replays in pako-sim to
# the trace the real game wrote while it was played, byte for byte.
#   check_demo.sh PAKO_SIM RECORD TRACE.gz
set -euo pipefail
sim=$1 record=$2 golden=$3
if ! cmp <("$sim" --replay "$record" --trace -) <(gzip -dc "$golden"); then
  echo "the replay of $record differs from $golden" >&2
  exit 1
fi
echo "the record replays to its trace"
