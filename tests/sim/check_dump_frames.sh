#!/usr/bin/env bash
# --dump-frames writes every K-th frame that ran as a 24-bit 640 x 480 bitmap
# named after its step.
set -euo pipefail
sim=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
"$sim" --frames 120 --dump-frames "$dir/frames" --every 50
names=$(cd "$dir/frames" && ls | tr '\n' ' ')
[ "$names" = "frame-000000.bmp frame-000050.bmp frame-000100.bmp " ] || { echo "dumped: $names"; exit 1; }
python3 - "$dir/frames/frame-000050.bmp" <<'PY'
import struct, sys
data = open(sys.argv[1], "rb").read()
assert data[:2] == b"BM"
width, height = struct.unpack_from("<ii", data, 18)
bits, = struct.unpack_from("<H", data, 28)
assert (width, abs(height), bits) == (640, 480, 24), (width, height, bits)
print("frames dumped as expected")
PY
