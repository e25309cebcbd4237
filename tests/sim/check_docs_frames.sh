#!/usr/bin/env bash
# The pictures in docs/frames were checked by eye when they were made
# (tools/docs-frames.sh); pako-sim must still draw exactly them, pixel for
# pixel: the title at rest, and the countdown, a kick, the raised view with
# HERE and the continue screen of the scripted game. Each frame comes from a
# run of its own that dumps just that step.
set -euo pipefail
sim=$1 root=$2
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
wrong=0
for pick in title:150 countdown:30 kick:212 here:1390 continue:1000; do
  name=${pick%%:*} step=${pick##*:}
  script=(--script "$root/tests/model/rally.script")
  [ "$name" = title ] && script=()
  "$sim" --frames $((step + 1)) --seed 1 "${script[@]}" --dump-frames "$dir/$name" --every "$step" >/dev/null
  frame=$(printf "%s/%s/frame-%06d.bmp" "$dir" "$name" "$step")
  differ=$(compare -metric AE "$frame" "$root/docs/frames/$name.png" null: 2>&1) || true
  if [ "$differ" != 0 ]; then
    echo "$name (step $step): $differ pixels differ from docs/frames/$name.png"
    wrong=1
  fi
done
[ "$wrong" = 0 ] && echo "every frame is the picture in docs/frames"
exit "$wrong"
