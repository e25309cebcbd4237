#!/usr/bin/env bash
# The pictures in docs/frames were checked by eye when they were made;
# pako-sim must still draw exactly them, pixel for pixel. They are drawn
# again by the script that made them, into a folder of the test's.
set -euo pipefail
sim=$1 root=$2
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
"$root/tools/docs-frames.sh" "$sim" "$dir" >/dev/null
wrong=0
for picture in "$root"/docs/frames/*.png; do
  name=$(basename "$picture")
  differ=$(compare -metric AE "$dir/$name" "$picture" null: 2>&1) || true
  if [ "$differ" != 0 ]; then
    echo "$name: $differ pixels differ from docs/frames/$name"
    wrong=1
  fi
done
[ "$wrong" = 0 ] && echo "every frame is the picture in docs/frames"
exit "$wrong"
