#!/usr/bin/env bash
# Regenerates the pictures of the game in docs/frames/ (or in OUT) from the
# simulator: the title at rest, from a run that never starts, and frames of
# the scripted game of tests/model/rally.script chosen to show the
# countdown, a kick among the dragonflies, the raised view with the HERE
# marker and the continue screen. Each frame comes from a run of its own
# that dumps just that step. Needs ImageMagick's convert.
#   tools/docs-frames.sh [PAKO_SIM] [OUT]
set -euo pipefail
cd "$(dirname "$0")/.."
sim=${1:-build/default/pako-sim}
out=${2:-docs/frames}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir -p "$out"
for pick in title:150 countdown:30 kick:212 here:1390 continue:1000; do
  name=${pick%%:*} step=${pick##*:}
  script=(--script tests/model/rally.script)
  [ "$name" = title ] && script=()
  "$sim" --frames $((step + 1)) --seed 1 "${script[@]}" --dump-frames "$tmp/$name" --every "$step" >/dev/null
  convert "$(printf "%s/%s/frame-%06d.bmp" "$tmp" "$name" "$step")" "$out/$name.png"
done
ls "$out"
