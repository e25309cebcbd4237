#!/usr/bin/env python3
"""The layers call downwards only (HACKING.md): every quoted #include in the
project's C++ files must name a folder its own folder may use. The one
place that calls upwards is the entry point: platform/sdl/main.cpp starts
the game (shell/app.h) and its demo files (demo/session.h). Tools,
benchmarks and fuzz targets use the harness, never the test suites.

usage: check_layers.py SOURCE_DIR
"""
import os
import re
import sys

# Folder of the including file -> folders it may include from.
BELOW = {
    "platform": {"platform"},
    "display": {"display", "platform"},
    "game": {"game", "display", "platform"},
    "shell": {"shell", "game", "display", "platform"},
    "demo": {"demo", "game", "display", "platform"},
    "harness": {"harness", "demo", "shell", "game", "display", "platform"},
}
TOOLS = {"tools", "bench", "fuzz", "packaging"}  # anything but the test suites
ENTRY_POINT = ("platform/sdl/main.cpp", {"shell/app.h", "demo/session.h"})
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def main():
    top = os.path.abspath(sys.argv[1])
    wrong = []
    for folder in list(BELOW) + sorted(TOOLS) + ["tests"]:
        for root, _, files in os.walk(os.path.join(top, folder)):
            for name in files:
                if not name.endswith((".cpp", ".h")):
                    continue
                path = os.path.join(root, name)
                rel = os.path.relpath(path, top)
                text = open(path, encoding="utf-8", errors="replace").read()
                for included in INCLUDE.findall(text):
                    if "/" not in included:
                        continue  # a file beside it
                    target = included.split("/")[0]
                    if not os.path.exists(os.path.join(top, included)):
                        continue  # generated, or a library's own header
                    if folder in BELOW:
                        ok = target in BELOW[folder] or (
                            rel == ENTRY_POINT[0] and included in ENTRY_POINT[1])
                    elif folder in TOOLS:
                        ok = target != "tests"
                    else:
                        ok = True
                    if not ok:
                        wrong.append(f"{rel}: includes {included}")
    if wrong:
        print("Includes against the direction of the layers:", file=sys.stderr)
        print("\n".join("  " + w for w in wrong), file=sys.stderr)
        sys.exit(1)
    print("every include points down the layers")


if __name__ == "__main__":
    main()
