#!/usr/bin/env bash
# The long soak: ten million frames of random play, 100 games of 100,000
# frames, every frame checked against the game's ranges (pako-soak). The
# test suite runs a short version of it.
#   tools/soak/soak.sh [RUNS] [FRAMES_PER_RUN]
set -euo pipefail
cd "$(dirname "$0")/../.."
runs=${1:-100}
frames=${2:-100000}
cmake --preset default >/dev/null
cmake --build --preset default --target pako-soak >/dev/null
work=$(mktemp -d)
cd "$work"
echo "soaking $runs games of $frames frames (failing scripts are left in $work)"
time "$OLDPWD/build/default/tests/robustness/pako-soak" --runs "$runs" --frames "$frames"
rm -rf "$work"
