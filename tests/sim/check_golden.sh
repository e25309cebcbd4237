#!/usr/bin/env bash
# pako-sim reproduces the committed trace of a scripted game byte for byte;
# where it does not, it says which frame and member differ, how to see every
# difference and how the file is regenerated (and when that is allowed).
set -euo pipefail
sim=$1 script=$2 golden=$3
source "$(dirname "$0")/trace_differs.sh"
actual=$(mktemp)
trap 'rm -f "$actual"' EXIT
"$sim" --frames 3000 --seed 1 --script "$script" --trace "$actual"
if ! cmp -s "$actual" <(gzip -dc "$golden"); then
  explain_difference "$golden" "$actual" \
    "$sim --frames 3000 --seed 1 --script $script --trace -" "the golden trace"
  exit 1
fi
echo "trace identical to the golden file"
