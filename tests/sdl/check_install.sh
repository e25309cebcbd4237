#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks what a desktop needs:
# the launcher on the path starting the game from any folder, the desktop
# entry, the icons, an AppStream file that validates and a man page that
# renders without warnings.
set -euo pipefail
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
fail() { echo "FAIL: $*" >&2; exit 1; }

id=org.pakotumbo.PakoTumbo
for f in bin/pako share/applications/$id.desktop share/metainfo/$id.metainfo.xml \
         share/man/man6/pako.6 share/icons/hicolor/32x32/apps/$id.png \
         share/icons/hicolor/256x256/apps/$id.png share/pako/kick.wav share/pako/a1.wav; do
  [ -e "$prefix/$f" ] || fail "$f is not installed"
done
[ -x "$prefix/bin/pako" ] || fail "the launcher is not executable"
grep -q '^Exec=pako$' "$prefix/share/applications/$id.desktop" || fail "desktop entry Exec"

# The launcher, called from elsewhere with no display: the game itself runs
# (it says why it cannot open a window) and ends with 0.
cd /
err=$(SDL_VIDEODRIVER=no-such-driver "$prefix/bin/pako" 2>&1 >/dev/null) || fail "exit status $?"
case $err in *"no display"*) ;; *) fail "launcher did not start the game: $err" ;; esac

appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml" >/dev/null ||
  { appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml"; fail "AppStream file"; }
warnings=$(groff -man -Tutf8 -ww -z "$prefix/share/man/man6/pako.6" 2>&1)
[ -z "$warnings" ] || fail "man page: $warnings"
echo "installed and checked"
