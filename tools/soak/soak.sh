#!/usr/bin/env bash
# The long soak: random play, games of at most 100,000 frames each (the
# random player quits some early), until ten million frames in all have
# been checked against the game's ranges (pako-soak), with a line of
# progress every million. About 20 minutes on one core. The test suite
# runs a short version of it.
#   tools/soak/soak.sh [TOTAL_FRAMES] [FRAMES_PER_GAME] [FIRST_SEED]
set -euo pipefail
cd "$(dirname "$0")/../.."
total=${1:-10000000}
frames=${2:-100000}
seed=${3:-1}
cmake --preset default >/dev/null
cmake --build --preset default --target pako-soak >/dev/null
work=$(mktemp -d)
cd "$work"
echo "soaking $total frames in games of at most $frames (a failing game's script is left in $work)"
"$OLDPWD/build/default/pako-soak" --total-frames "$total" --frames "$frames" --first-seed "$seed"
rm -rf "$work"
