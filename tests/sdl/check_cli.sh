#!/usr/bin/env bash
# The game's command line and its word to the shell: --help, --version, an
# option it does not know, no display at all, and a display that cannot be
# set up. None of these needs a screen.
#   check_cli.sh PAKO VERSION_TXT SOURCE_DIR
# (VERSION_TXT: what the build wrote of the version and commit.)
set -uo pipefail
pako=$1 info=$2 src=$3
fail() { echo "FAIL: $*" >&2; exit 1; }
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
cd "$tmp"

out=$("$pako" --help) || fail "--help exit status $?"
for word in "usage: pako" --window --version Space Escape Alt+Enter; do
  case $out in *"$word"*) ;; *) fail "--help does not mention $word" ;; esac
done
# --version: the version of CMakeLists.txt and the commit of the source, as
# the build wrote them; in a git work tree, git's HEAD (" (modified)" when
# tracked files differ from it).
version=$(sed -n 's/^version //p' "$info")
commit=$(sed -n 's/^commit //p' "$info")
out=$("$pako" --version) || fail "--version exit status $?"
[ "$out" = "pako $version
commit $commit" ] || fail "--version says '$out'; the build wrote version $version, commit $commit"
[ "$version" = "$(sed -n 's/^project(PakoTumbo VERSION \([0-9.]*\) .*/\1/p' "$src/CMakeLists.txt")" ] ||
  fail "--version's version $version is not CMakeLists.txt's"
if top=$(git -C "$src" rev-parse --show-toplevel 2>/dev/null) &&
   [ "$(cd "$top" && pwd -P)" = "$(cd "$src" && pwd -P)" ]; then
  head=$(git -C "$src" rev-parse HEAD)
  case $commit in "$head" | "$head (modified)") ;;
    *) fail "--version's commit $commit is not git's HEAD $head" ;; esac
fi

status=0
err=$("$pako" --fullscreen 2>&1 >/dev/null) || status=$?
[ "$status" -eq 2 ] || fail "unknown option: exit status $status"
[ "$(printf '%s\n' "$err" | wc -l)" -eq 1 ] || fail "unknown option: not one line: $err"
case $err in *--fullscreen*) ;; *) fail "unknown option not named: $err" ;; esac

# No display, and no driver asked for: one line, no invisible game, status 1.
status=0
err=$(env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER SDL_AUDIODRIVER=dummy \
      timeout 60 "$pako" 2>&1 >/dev/null) || status=$?
[ "$status" -eq 1 ] || fail "no display: exit status $status ($err)"
[ "$(printf '%s\n' "$err" | wc -l)" -eq 1 ] || fail "no display: not one line: $err"
case $err in *"no display"*) ;; *) fail "no display: $err" ;; esac

# A display whose set-up fails: the step's message (on standard error where no
# box can be shown), and status 1.
status=0
err=$(SDL_VIDEODRIVER=dummy PAKO_TEST_FAIL=SetDisplayMode SDL_AUDIODRIVER=dummy \
      timeout 60 "$pako" 2>&1 >/dev/null) || status=$?
[ "$status" -eq 1 ] || fail "failed set-up: exit status $status ($err)"
case $err in *"Velmora: SetDisplayMode FAILED"*) ;; *) fail "failed set-up: $err" ;; esac
# A record that cannot be replayed: one line naming it (and the line at
# fault), status 2, before any window.
for bad in missing garbage cut; do
  case $bad in
    garbage) head -c 300 /dev/urandom > "$bad.record" ;;
    cut) printf '# pako-record 1\n# seed 7\n# timer recorded\n3 keydo' > "$bad.record" ;;
  esac
  status=0
  err=$(env -u DISPLAY -u WAYLAND_DISPLAY "$pako" --replay "$bad.record" 2>&1 >/dev/null) || status=$?
  [ "$status" -eq 2 ] || fail "--replay $bad: exit status $status ($err)"
  [ "$(printf '%s\n' "$err" | wc -l)" -eq 1 ] || fail "--replay $bad: not one line: $err"
  case $err in *"$bad.record"*) ;; *) fail "--replay $bad: file not named: $err" ;; esac
done
status=0
"$pako" --record 2>/dev/null || status=$?
[ "$status" -eq 2 ] || fail "--record without a file: exit status $status"
echo "options, no display, a failed set-up and bad records answered as they should"
