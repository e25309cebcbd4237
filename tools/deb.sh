#!/usr/bin/env bash
# Builds the Debian package of the game, a release build installed under
# /usr, and prints the path of the .deb (build/deb/pako-tumbo_VERSION_ARCH.deb).
# On a fresh Debian machine it first installs what building it needs (as
# root, with apt-get). Everything but the path goes to standard error.
#   tools/deb.sh
# The same source gives the same bytes, in any folder, at any time: the
# build leaves the checkout's folder out of the executable (the preset's
# -ffile-prefix-map), and the package's files are dated the commit's time
# (SOURCE_DATE_EPOCH, unless it is set already). The package is made again
# only when what goes into it changed.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh --deb >&2
cmake --preset deb >&2
cmake --build --preset deb --target pako >&2
cd build/deb
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(sed -n 's/^time //p' generated/version.txt)}
if [ -z "$SOURCE_DATE_EPOCH" ]; then
  echo "deb.sh: the source's commit is unknown: the package's files are dated now" >&2
  unset SOURCE_DATE_EPOCH
fi
# What the package is made of: the executable, what CMake configured for it,
# the files it installs from the source, the libraries its dependencies are
# read from, and the time.
key=$(cd ../.. && find build/deb/pako build/deb/CPackConfig.cmake build/deb/packaging packaging \
        assets/sounds assets/icon -type f -print0 | LC_ALL=C sort -z | xargs -0 sha256sum
      dpkg-query -W libc6 libsdl2-2.0-0 libsdl2-mixer-2.0-0 2>/dev/null || true
      echo "${SOURCE_DATE_EPOCH:-now}")
debs=(pako-tumbo_*.deb)
if [ ! -f "${debs[0]}" ] || [ "$key" != "$(cat package.key 2>/dev/null)" ]; then
  rm -f pako-tumbo_*.deb package.key
  # cpack gives the package's three parts the modes its own files got on
  # the disk, from the umask: the usual one, whoever builds.
  (umask 022 && cpack --config CPackConfig.cmake -G DEB >&2)
  [ -n "${SOURCE_DATE_EPOCH:-}" ] && printf '%s\n' "$key" >package.key
fi
debs=(pako-tumbo_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || { echo "deb.sh: no package made" >&2; exit 1; }
echo "$PWD/${debs[0]}"
