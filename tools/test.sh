#!/usr/bin/env bash
# Builds everything and runs every test. On a fresh Debian machine it first
# installs what the build needs (as root, with apt-get).
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
cmake --preset default
cmake --build --preset default
ctest --preset default "$@"
