#!/usr/bin/env bash
# Installs the Debian packages that are missing (as root, with apt-get), for
# what is named: play (building and playing the game), deb (its Debian
# package), web (its web build), web-test (the web build's browser tests),
# windows (the Windows build, its installer and its tests under Wine),
# release (tools/release.sh, besides the three builds' own), release-test
# (tools/test-release.sh's checks and comparisons).
# With nothing named: all that the default build and every test need.
#   tools/setup.sh [play | deb | web | web-test | windows | release | release-test]...
set -euo pipefail
play=(cmake g++ make pkg-config libsdl2-dev libsdl2-mixer-dev)
# cpack's dependency list reads the executable with file and dpkg-shlibdeps.
deb=(dpkg-dev file)
web=(emscripten cmake make dpkg-dev python3 python3-pil)
# The page's tests and benchmark in three engines: Chromium, Firefox (its own
# WebDriver BiDi, no geckodriver), WebKitGTK's MiniBrowser and WebDriver on
# an Xvfb display.
webtest=(chromium python3-websocket firefox-esr webkit2gtk-driver xvfb)
# The Windows build: mingw-w64 (the posix thread model, for std::thread),
# GoogleTest's sources, NSIS, the icon tools; Wine, Xvfb and xdotool for its
# tests (wine64 alone: Debian's 32-bit Wine is not needed).
windows=(g++-mingw-w64-x86-64-posix mingw-w64-tools binutils-mingw-w64-x86-64 cmake make
         dpkg-dev googletest nsis icoutils wine64 xvfb xauth xdotool x11-apps imagemagick
         python3)
# A release: the source tarball, the version script, the zips.
release=(git cmake gzip python3 dpkg-dev)
# Its check: diffoscope for an account of what differs, a locale of other
# habits made with localedef, the Windows files' version resources read
# with wrestool, the zips opened.
releasetest=(diffoscope-minimal locales icoutils unzip)
tests=(lintian libgtest-dev python3 xvfb xauth xdotool x11-apps x11-utils openbox imagemagick
       appstream groff-base clang libclang-rt-14-dev clang-format clang-tidy)
packages=()
[ $# -gt 0 ] || set -- play deb tests
for group in "$@"; do
  case ${group#--} in
    play) packages+=("${play[@]}") ;;
    deb) packages+=("${play[@]}" "${deb[@]}") ;;
    web) packages+=("${web[@]}") ;;
    web-test) packages+=("${web[@]}" "${webtest[@]}") ;;
    tests) packages+=("${tests[@]}") ;;
    windows) packages+=("${windows[@]}") ;;
    release) packages+=("${release[@]}") ;;
    release-test) packages+=("${release[@]}" "${releasetest[@]}") ;;
    *) echo "setup.sh: no group '$group' (play, deb, web, web-test, windows, release," \
            "release-test)" >&2; exit 2 ;;
  esac
done
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  if [ "$(id -u)" -ne 0 ]; then sudo=sudo; else sudo=; fi
  $sudo apt-get -o DPkg::Lock::Timeout=600 update
  DEBIAN_FRONTEND=noninteractive $sudo apt-get -o DPkg::Lock::Timeout=600 install -y \
    --no-install-recommends "${missing[@]}"
fi
