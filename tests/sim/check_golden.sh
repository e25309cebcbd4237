#!/usr/bin/env bash
# pako-sim reproduces the committed trace of a scripted game byte for byte.
set -euo pipefail
sim=$1 script=$2 golden=$3
if ! cmp <("$sim" --frames 3000 --seed 1 --script "$script" --trace -) <(gzip -dc "$golden"); then
  echo "the trace differs from $golden" >&2
  exit 1
fi
echo "trace identical to the golden file"
