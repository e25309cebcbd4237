#!/usr/bin/env bash
# Builds the Debian package of the game, a release build installed under
# /usr, and prints the path of the .deb (build/deb/pako-tumbo_VERSION_ARCH.deb).
# On a fresh Debian machine it first installs what building it needs (as
# root, with apt-get). Everything but the path goes to standard error.
#   tools/deb.sh
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh --deb >&2
cmake --preset deb >&2
cmake --build --preset deb --target pako >&2
cd build/deb
rm -f pako-tumbo_*.deb
cpack --config CPackConfig.cmake -G DEB >&2
debs=(pako-tumbo_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || { echo "deb.sh: no package made" >&2; exit 1; }
echo "$PWD/${debs[0]}"
