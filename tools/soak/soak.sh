#!/usr/bin/env bash
# The long soak: random play, 2,500 games of at most 100,000 frames each
# (the random player quits some early), over ten million frames in all,
# every frame checked against the game's ranges (pako-soak). The
# test suite runs a short version of it.
#   tools/soak/soak.sh [RUNS] [FRAMES_PER_RUN]
set -euo pipefail
cd "$(dirname "$0")/../.."
runs=${1:-2500}
frames=${2:-100000}
cmake --preset default >/dev/null
cmake --build --preset default --target pako-soak >/dev/null
work=$(mktemp -d)
cd "$work"
echo "soaking $runs games of $frames frames (failing scripts are left in $work)"
time "$OLDPWD/build/default/tests/robustness/pako-soak" --runs "$runs" --frames "$frames"
rm -rf "$work"
