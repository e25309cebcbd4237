#!/usr/bin/env bash
# Regenerates the pictures of the game in docs/frames/ from the simulator:
# the title at rest, and frames of the scripted game of
# tests/model/rally.script chosen to show the countdown, a kick among the
# dragonflies, the raised view with the HERE marker and the continue screen.
# Needs ImageMagick's convert.
set -euo pipefail
cd "$(dirname "$0")/.."
sim=${1:-build/default/pako-sim}
out=docs/frames
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
"$sim" --frames 1400 --seed 1 --script tests/model/rally.script --dump-frames "$tmp"
# The title once the logo has come to rest, from a run that never starts.
"$sim" --frames 151 --seed 1 --dump-frames "$tmp/title" --every 150
mv "$tmp/title/frame-000150.bmp" "$tmp/frame-title.bmp"
mkdir -p "$out"
for pick in title:title countdown:000030 kick:000212 here:001390 continue:001000; do
  name=${pick%%:*} step=${pick##*:}
  convert "$tmp/frame-$step.bmp" "$out/$name.png"
done
ls "$out"
