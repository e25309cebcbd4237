#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks what a desktop needs:
# the launcher on the path starting the game from any folder, the desktop
# entry, the icons (transparent around the badge at every size), an AppStream
# file that validates and a man page that renders without warnings.
set -euo pipefail
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
fail() { echo "FAIL: $*" >&2; exit 1; }

id=org.pakotumbo.PakoTumbo
for f in bin/pako share/applications/$id.desktop share/metainfo/$id.metainfo.xml \
         share/man/man6/pako.6 share/pako/kick.wav share/pako/a1.wav; do
  [ -e "$prefix/$f" ] || fail "$f is not installed"
done
[ -x "$prefix/bin/pako" ] || fail "the launcher is not executable"
# Each icon at its size, clear in all four corners and solid in the middle:
# a desktop must not show a square behind the round badge.
for size in 32 64 128 256; do
  png=$prefix/share/icons/hicolor/${size}x$size/apps/$id.png
  [ -e "$png" ] || fail "the ${size}px icon is not installed"
  m=$((size - 1)) c=$((size / 2))
  got=$(convert "$png" -format "%w %h %[fx:p{0,0}.a] %[fx:p{$m,0}.a] %[fx:p{0,$m}.a] %[fx:p{$m,$m}.a] %[fx:p{$c,$c}.a]" info:)
  [ "$got" = "$size $size 0 0 0 0 1" ] ||
    fail "the ${size}px icon: size, alpha of the four corners and the middle are $got"
done
grep -q '^Exec=pako$' "$prefix/share/applications/$id.desktop" || fail "desktop entry Exec"

# The launcher, called from elsewhere: it passes the options on, and with no
# display the game itself runs, says why it cannot open a window and ends
# with 1.
cd /
"$prefix/bin/pako" --version | grep -q '^pako [0-9]' || fail "pako --version through the launcher"
status=0
err=$(SDL_VIDEODRIVER=no-such-driver "$prefix/bin/pako" 2>&1 >/dev/null) || status=$?
[ "$status" -eq 1 ] || fail "exit status $status with no display"
case $err in *"no display"*) ;; *) fail "launcher did not start the game: $err" ;; esac

appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml" >/dev/null ||
  { appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml"; fail "AppStream file"; }
warnings=$(groff -man -Tutf8 -ww -z "$prefix/share/man/man6/pako.6" 2>&1)
[ -z "$warnings" ] || fail "man page: $warnings"
echo "installed and checked"
