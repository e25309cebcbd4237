#!/usr/bin/env bash
# The Debian package installed for real, as CI does on a machine it throws
# away: builds the release package (tools/deb.sh) and checks it unpacked
# (tests/packaging/check_deb.sh); installs it with apt-get; then, as a player
# would (an ordinary user's login shell, in folders of their own), starts
# pako from the PATH: --version, one line and status 1 with no display, the
# sounds found; then purges it and checks that no file of the package is
# left. It changes what the machine has installed, so it runs only as root
# and not where pako-tumbo is installed already.
#   tools/test-deb.sh
set -euo pipefail
cd "$(dirname "$0")/.."
name=pako-tumbo
fail() { echo "FAIL: $*" >&2; exit 1; }
[ "$(id -u)" -eq 0 ] || fail "this installs a package: run it as root, on a machine to throw away"
state() { dpkg-query -W -f='${db:Status-Status}' "$name" 2>/dev/null || true; }
case $(state) in "" | not-installed) ;; *) fail "$name is on this machine already ($(state))" ;; esac

version=$(sed -n 's/^project(PakoTumbo VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
echo "== building the package"
deb=$(tools/deb.sh)
echo "== checking $deb unpacked"
bash tests/packaging/check_deb.sh "$version" "$deb"

tmp=$(mktemp -d)
chmod 755 "$tmp"
cleanup() {
  case $(state) in "" | not-installed) ;; *) apt-get purge -y -q "$name" >/dev/null || true ;; esac
  rm -rf "$tmp"
}
trap cleanup EXIT
echo "== apt-get install"
DEBIAN_FRONTEND=noninteractive apt-get install -y -q "$deb"
[ "$(state)" = installed ] || fail "not installed after apt-get: $(state)"
dpkg --verify "$name" || fail "dpkg --verify"

# An ordinary user's login shell: the PATH Debian gives players (with
# /usr/games), nothing of this shell's environment, and only what the
# package made readable and executable for everyone.
player() {
  setpriv --reuid=nobody --regid=nogroup --clear-groups \
    env -i HOME="$tmp" TERM=dumb bash -lc "cd '$tmp' && $1"
}
echo "== a player starts pako"
where=$(player 'command -v pako') || fail "pako is not on a player's PATH"
[ "$where" = /usr/games/pako ] || fail "pako on the PATH is $where"
player 'pako --version' | grep -qx "pako $version" || fail "pako --version: $(player 'pako --version' 2>&1)"
status=0
err=$(player 'pako' 2>&1 >/dev/null) || status=$?
[ "$status" -eq 1 ] || fail "no display: exit status $status ($err)"
[ "$(printf '%s\n' "$err" | wc -l)" -eq 1 ] || fail "no display: not one line: $err"
case $err in *"no display"*) ;; *) fail "no display: $err" ;; esac
status=0
err=$(player 'SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy timeout 3 pako' 2>&1 >/dev/null) || status=$?
[ "$status" -eq 124 ] || fail "under the dummy drivers pako ended with $status: $err"
case $err in *sound* | *wave*) fail "pako did not find its sounds: $err" ;; esac
echo "pako --version, no display and the sounds as they should be"

echo "== apt-get purge"
dpkg -L "$name" >"$tmp/files"
DEBIAN_FRONTEND=noninteractive apt-get purge -y -q "$name"
case $(state) in "" | not-installed) ;; *) fail "still $(state) after the purge" ;; esac
# No file of the package is left; a folder only where another package owns it
# or something not of ours is in it (dpkg removes it otherwise).
left=()
while IFS= read -r path; do
  [ "$path" = /. ] && continue
  if [ -d "$path" ] && [ ! -L "$path" ]; then
    if [ -z "$(ls -A "$path")" ] && ! dpkg-query -S "$path" >/dev/null 2>&1; then
      left+=("$path/")
    fi
  elif [ -e "$path" ] || [ -L "$path" ]; then
    left+=("$path")
  fi
done <"$tmp/files"
[ ${#left[@]} -eq 0 ] || fail "left after the purge: ${left[*]}"
echo "installed, played and purged: $(grep -c . "$tmp/files") paths, none left"
