#!/usr/bin/env bash
# The Debian package, without installing it: its control fields and declared
# dependencies, exactly the files it should hold with their owners and modes,
# checksums that match, the launcher starting the game (with its sounds) from
# the unpacked tree, the documents Debian asks for, and no lintian error.
#   check_deb.sh VERSION BUILD_DIR   packs BUILD_DIR with cpack (umask 077) and checks it
#   check_deb.sh VERSION FILE.deb    checks a package made already
set -euo pipefail
version=$1 what=$2
changelog=$(cd "$(dirname "$0")/../.." && pwd)/CHANGELOG.md
fail() { echo "FAIL: $*" >&2; exit 1; }
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
arch=$(dpkg --print-architecture)
name=pako-tumbo
id=org.pakotumbo.PakoTumbo

if [ -d "$what" ]; then
  # Under the strictest umask: the package's folders must still be open to
  # every player.
  (umask 077 && cpack --config "$what/CPackConfig.cmake" -G DEB -B "$tmp/out") >"$tmp/cpack.log" 2>&1 ||
    { cat "$tmp/cpack.log" >&2; fail "cpack"; }
  deb=$tmp/out/${name}_${version}_$arch.deb
  [ -f "$deb" ] || { ls "$tmp/out" >&2; fail "no ${name}_${version}_$arch.deb made"; }
else
  deb=$what
  [ "$(basename "$deb")" = "${name}_${version}_$arch.deb" ] || fail "package file named $deb"
fi

# The control fields.
field() { dpkg-deb --field "$deb" "$1"; }
[ "$(field Package)" = "$name" ] || fail "Package: $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version: $(field Version), not $version"
[ "$(field Architecture)" = "$arch" ] || fail "Architecture: $(field Architecture)"
[ "$(field Section)" = games ] || fail "Section: $(field Section)"
[ "$(field Priority)" = optional ] || fail "Priority: $(field Priority)"
field Maintainer | grep -Eq '^[^<>]+ <[^@<> ]+@[^@<> ]+\.[a-z]+>$' ||
  fail "Maintainer: $(field Maintainer)"
description=$(field Description)
[ "$(printf '%s\n' "$description" | wc -l)" -ge 3 ] || fail "no long description: $description"
# Each library the game links, with the lowest version it was built against.
depends=$(field Depends)
for lib in libsdl2-2.0-0 libsdl2-mixer-2.0-0 libc6; do
  case ", $depends," in *", $lib (>= "[0-9]*")",*) ;; *) fail "Depends lacks $lib: $depends" ;; esac
done

# Exactly these files, owned by root, executable or not as they should be,
# in folders every user can enter.
cat >"$tmp/expected" <<LIST
-rwxr-xr-x ./usr/games/pako
-rwxr-xr-x ./usr/libexec/pako/pako
-rw-r--r-- ./usr/share/applications/$id.desktop
-rw-r--r-- ./usr/share/doc/$name/changelog.gz
-rw-r--r-- ./usr/share/doc/$name/copyright
-rw-r--r-- ./usr/share/icons/hicolor/128x128/apps/$id.png
-rw-r--r-- ./usr/share/icons/hicolor/256x256/apps/$id.png
-rw-r--r-- ./usr/share/icons/hicolor/32x32/apps/$id.png
-rw-r--r-- ./usr/share/icons/hicolor/64x64/apps/$id.png
-rw-r--r-- ./usr/share/lintian/overrides/$name
-rw-r--r-- ./usr/share/man/man6/pako.6.gz
-rw-r--r-- ./usr/share/metainfo/$id.metainfo.xml
-rw-r--r-- ./usr/share/pako/a1.wav
-rw-r--r-- ./usr/share/pako/kick.wav
LIST
dpkg-deb --contents "$deb" >"$tmp/contents"
awk '$2 != "root/root" { print "owner", $2, $6 }
     $1 ~ /^d/ && $1 != "drwxr-xr-x" { print "folder", $1, $6 }' "$tmp/contents" >"$tmp/wrong"
[ ! -s "$tmp/wrong" ] || fail "owners or folder modes: $(cat "$tmp/wrong")"
awk '$1 !~ /^d/ { print $1, $6 }' "$tmp/contents" | sort -k2 >"$tmp/files"
sort -k2 -o "$tmp/expected" "$tmp/expected"
diff -u "$tmp/expected" "$tmp/files" >&2 || fail "the package's files differ from the list (- expected, + packed)"

# Unpacked: every file matches its checksum and every file has one.
root=$tmp/root
dpkg-deb --extract "$deb" "$root"
dpkg-deb --control "$deb" "$tmp/control"
(cd "$root" && md5sum --check --quiet "$tmp/control/md5sums") || fail "md5sums"
[ "$(wc -l <"$tmp/control/md5sums")" -eq "$(wc -l <"$tmp/expected")" ] ||
  fail "md5sums lists $(wc -l <"$tmp/control/md5sums") files"

# The executable without symbols or the compiler's notes.
exe=$root/usr/libexec/pako/pako
file "$exe" | grep -q ', stripped' || fail "not stripped: $(file "$exe")"
! readelf --section-headers "$exe" | grep -q '\.comment' || fail "the executable keeps .comment"

# The launcher, called from elsewhere, runs the unpacked game: --version,
# the one line and status 1 with no display, and with SDL's dummy drivers a
# game that starts, finds both its sounds and keeps running until stopped.
cd /
said=$("$root/usr/games/pako" --version) || fail "pako --version through the launcher"
[ "$(printf '%s\n' "$said" | head -n 1)" = "pako $version" ] || fail "pako --version says $said"
printf '%s\n' "$said" | tail -n +2 | grep -Eqx 'commit [0-9a-f]{40}( \(modified\))?' ||
  fail "pako --version does not name the commit: $said"
status=0
err=$(env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER SDL_AUDIODRIVER=dummy \
      timeout 60 "$root/usr/games/pako" 2>&1 >/dev/null) || status=$?
[ "$status" -eq 1 ] || fail "no display: exit status $status ($err)"
[ "$(printf '%s\n' "$err" | wc -l)" -eq 1 ] || fail "no display: not one line: $err"
case $err in *"no display"*) ;; *) fail "no display: $err" ;; esac
run_dummy() {  # COMMAND: its standard error after three seconds of play
  local status=0 err
  err=$(SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy timeout 3 "$1" 2>&1 >/dev/null) || status=$?
  [ "$status" -eq 124 ] || fail "$1 under the dummy drivers ended with $status: $err"
  printf '%s' "$err"
}
err=$(run_dummy "$root/usr/games/pako")
case $err in *sound* | *wave*) fail "the launcher's game did not find its sounds: $err" ;; esac
# The same game started from here, not from its data folder, says so: the
# line above would have been seen.
err=$(run_dummy "$exe")
case $err in *"no sound kick.wav in /"*) ;; *) fail "no line for a missing sound: $err" ;; esac

# The desktop finds the command the entry names; the documents.
grep -qx 'Exec=pako' "$root/usr/share/applications/$id.desktop" || fail "desktop entry Exec"
warnings=$(zcat "$root/usr/share/man/man6/pako.6.gz" | groff -man -Tutf8 -ww -z 2>&1)
[ -z "$warnings" ] || fail "man page: $warnings"
changelog_version=$(dpkg-parsechangelog -l "$root/usr/share/doc/$name/changelog.gz" -S Version)
[ "$changelog_version" = "$version" ] || fail "changelog's version $changelog_version"
# The version's day, from CHANGELOG.md, in the changelog, the AppStream file
# and the manual page.
day=$(awk -v v="$version" '$1 == "##" && $2 == v { gsub(/[()]/, "", $3); print $3 }' "$changelog")
[ -n "$day" ] || fail "CHANGELOG.md has no section for $version"
[ "$(dpkg-parsechangelog -l "$root/usr/share/doc/$name/changelog.gz" -S Date)" = \
  "$(LC_ALL=C date -u -d "$day" '+%a, %d %b %Y 00:00:00 +0000')" ] || fail "changelog's date"
grep -q "<release version=\"$version\" date=\"$day\"/>" "$root/usr/share/metainfo/$id.metainfo.xml" ||
  fail "the AppStream file has no release $version of $day"
th=$(zcat "$root/usr/share/man/man6/pako.6.gz" | sed -n 1p)
[ "$th" = ".TH PAKO 6 \"$(LC_ALL=C date -u -d "$day" '+%B %Y')\" \"Pako Tumbo $version\" \"Games\"" ] ||
  fail "the manual page's date and version: $th"
grep -q '^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/$' \
  "$root/usr/share/doc/$name/copyright" || fail "copyright file's format line"

# Lintian: no error. Its other hints are shown.
lintian --fail-on error --display-info "$deb" >"$tmp/lintian" 2>&1 ||
  { cat "$tmp/lintian" >&2; fail "lintian"; }
grep -E '^[EWI]: ' "$tmp/lintian" || true
echo "package $(basename "$deb") checked"
