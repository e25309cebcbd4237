#!/usr/bin/env python3
"""pako-sim with no script: 120 frames of the title, the logo bouncing."""
import json
import subprocess
import sys

out = subprocess.run([sys.argv[1], "--frames", "120", "--trace", "-"], check=True,
                     capture_output=True, text=True).stdout
frames = [json.loads(line) for line in out.splitlines()]
expected = []
for step in (7, 5, 3, 2, 1):
    expected += [step * i for i in range(1, 11)] + [step * i for i in range(9, -1, -1)]
expected += [0] * (120 - len(expected))
insets = [f["zoomInset"] for f in frames]
assert [f["frame"] for f in frames] == list(range(120)), "frames 0..119 expected"
assert insets == expected, f"zoomInset runs {insets}"
assert frames[0]["draws"][1] == ["REVOZE", 126, 47, 514, 233], frames[0]["draws"]
print("120 frames, bounce as expected")
