#!/usr/bin/env bash
# Builds the game and starts it, passing its options on (pako --help). On a
# fresh Debian machine it first installs what building and playing need (as
# root, with apt-get): nothing of the test toolchain. The game reads its two
# sounds from the working directory, so it is started in assets/sounds.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh --play
cmake --preset play >/dev/null
cmake --build --preset play --target pako
cd assets/sounds
exec ../../build/play/pako "$@"
