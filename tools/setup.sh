#!/usr/bin/env bash
# Installs the Debian packages that are missing: what building and playing
# the game need; with --deb also what making its Debian package needs; with
# no option all that and what the tests need.
#   tools/setup.sh [--play | --deb]
set -euo pipefail
packages=(cmake g++ make pkg-config libsdl2-dev libsdl2-mixer-dev)
# cpack's dependency list reads the executable with file and dpkg-shlibdeps.
deb=(dpkg-dev file)
if [ "${1:-}" = "--deb" ]; then
  packages+=("${deb[@]}")
elif [ "${1:-}" != "--play" ]; then
  packages+=("${deb[@]}" lintian)
  packages+=(libgtest-dev python3 xvfb xauth xdotool x11-apps x11-utils openbox imagemagick
             appstream groff-base clang libclang-rt-14-dev clang-format clang-tidy)
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  if [ "$(id -u)" -ne 0 ]; then sudo=sudo; else sudo=; fi
  $sudo apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
fi
