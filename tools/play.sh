#!/usr/bin/env bash
# Builds the game and starts it. On a fresh Debian machine it first installs
# what the build needs (as root, with apt-get). The game reads its two sounds
# from the working directory, so it is started in assets/sounds.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
cmake --preset default >/dev/null
cmake --build --preset default --target pako
cd assets/sounds
exec ../../build/default/pako "$@"
