#!/usr/bin/env bash
# Checks that a release is what it says and can be made again to the same
# bytes (CI runs it after the steps that built the game for Debian, Windows
# and the web):
#
#  1. tools/release.sh here: the release in dist/pako-tumbo-VERSION/, each
#     download saying the version and the commit (the package's control
#     file, AppStream file and pako --version; the Windows README and the
#     version resources of pako.exe and the installer; the page and
#     pako.wasm; the tarball; the notes) and SHA256SUMS checking;
#  2. the release made again elsewhere: its source tarball unpacked in
#     another, longer folder and everything built from it, and the tarball
#     itself made again by git in a clone there, in another time zone,
#     locale and umask, with nothing of this shell's environment, and as
#     another user (nobody) when run as root;
#  3. every file of the two compared byte for byte; any difference fails,
#     with diffoscope's account of it.
#
#   tools/test-release.sh          the second build takes SDL for Windows and
#                                  the web from this checkout's build/ (the
#                                  game itself is built afresh)
#   tools/test-release.sh --full   the second build compiles SDL from Debian's
#                                  sources as well, and SDL's libraries of
#                                  both builds are compared too
#   --keep DIR                     build the second release in DIR and keep it
#
# SDL is taken from the first build only because --full shows that it
# builds to the same bytes in another folder and environment (HACKING.md).
# The time of each step is printed.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
full= keep=
while [ $# -gt 0 ]; do
  case $1 in
    --full) full=1 ;;
    --keep) [ $# -ge 2 ] || { echo "test-release.sh: --keep needs a folder" >&2; exit 2; }
            keep=$2; shift ;;
    -h|--help) sed -n '2,29p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "test-release.sh: unknown argument $1 (see --help)" >&2; exit 2 ;;
  esac
  shift
done
fail() { echo "FAIL: $*" >&2; exit 1; }
step_start=0
step() { step_name=$1; step_start=$(date +%s); echo "== test-release: $step_name"; }
step_done() { echo "test-release: $step_name $(($(date +%s) - step_start)) s"; }
started=$(date +%s)
tools/setup.sh release release-test

# --- 1. The release here ---------------------------------------------------------
step "the release here"
tools/release.sh
step_done
version=$(sed -n 's/^version //p' build/release/version.txt)
commit=$(sed -n 's/^commit //p' build/release/version.txt)
name=pako-tumbo-$version
dist=$root/dist/$name
arch=$(dpkg --print-architecture)

# Each download says this version and commit.
check_release() {  # DIST
  local d=$1 t
  t=$(mktemp -d)
  (cd "$d" && sha256sum --quiet --check SHA256SUMS) || fail "SHA256SUMS does not check in $d"
  [ "$(wc -l <"$d/SHA256SUMS")" -eq 6 ] || fail "SHA256SUMS lists $(wc -l <"$d/SHA256SUMS") files, not 6"
  # The source names its commit.
  tar -xzf "$d/$name.tar.gz" -C "$t" "$name/packaging/source-commit.txt"
  grep -qx "commit $commit" "$t/$name/packaging/source-commit.txt" ||
    fail "the tarball's packaging/source-commit.txt: $(cat "$t/$name/packaging/source-commit.txt")"
  # The Debian package: its version, its AppStream file's release, and the
  # game's --version.
  local deb=$d/pako-tumbo_${version}_$arch.deb
  [ "$(dpkg-deb --field "$deb" Version)" = "$version" ] || fail "the package's Version"
  dpkg-deb --extract "$deb" "$t/deb"
  grep -q "<release version=\"$version\" date=\"[0-9-]*\"/>" \
    "$t/deb/usr/share/metainfo/org.pakotumbo.PakoTumbo.metainfo.xml" || fail "AppStream's release"
  [ "$("$t/deb/usr/libexec/pako/pako" --version)" = "pako $version
commit $commit" ] || fail "the package's pako --version: $("$t/deb/usr/libexec/pako/pako" --version)"
  # Windows: the README, and the version resources of the game and of its
  # installer (UTF-16 strings).
  unzip -q "$d/$name-windows-x64.zip" -d "$t/win"
  local exe=$t/win/$name-windows-x64/pako.exe
  tr -d '\r' <"$t/win/$name-windows-x64/README.txt" | grep -q "^Pako Tumbo $version for Windows" ||
    fail "the Windows README's version"
  tr -d '\r' <"$t/win/$name-windows-x64/README.txt" | grep -q "commit $commit$" ||
    fail "the Windows README's commit"
  local file strings
  for file in "$exe" "$d/$name-setup.exe"; do
    strings=$(wrestool -x --raw --type=version "$file" | tr -d '\0')
    case $strings in *"ProductVersion$version"*) ;;
      *) fail "$(basename "$file")'s version resource lacks ProductVersion $version: $strings" ;; esac
    case $strings in *"SourceCommit$commit"*) ;;
      *) fail "$(basename "$file")'s version resource lacks SourceCommit $commit: $strings" ;; esac
  done
  # The page, and the game in it.
  unzip -q "$d/$name-web.zip" -d "$t/web"
  local page=$t/web/$name-web
  grep -q "<meta name=\"pako-version\" content=\"$version\">" "$page/index.html" || fail "the page's version"
  grep -q "<meta name=\"pako-commit\" content=\"$commit\">" "$page/index.html" || fail "the page's commit"
  grep -q "$commit" "$page/pako.wasm" || fail "pako.wasm does not hold the commit"
  [ -f "$page/sw.js" ] || fail "the page has no service worker"
  grep -q "^# Pako Tumbo $version (" "$d/RELEASE-NOTES.md" && grep -q "$commit" "$d/RELEASE-NOTES.md" ||
    fail "the release notes' version or commit"
  rm -rf "$t"
}
check_release "$dist"
echo "every download says Pako Tumbo $version, commit $commit; SHA256SUMS checks"

# --- 2. The release made again elsewhere -----------------------------------------------
step "the release made again elsewhere"
tmp=$(mktemp -d)
chmod 755 "$tmp"
cleanup() { rm -rf "$tmp"; }
trap cleanup EXIT
if [ -n "$keep" ]; then
  rm -rf "$keep"
  mkdir -p "$keep"
  elsewhere=$(cd "$keep" && pwd)
else
  elsewhere=$tmp/made/again/in/another/rather/longer/folder
fi
mkdir -p "$elsewhere"
tar -xzf "$dist/$name.tar.gz" -C "$elsewhere"
copy=$elsewhere/$name
git clone -q --no-hardlinks "$root" "$elsewhere/clone"
git -C "$elsewhere/clone" checkout -q "$commit"
sdl=()
if [ -n "$full" ]; then
  # The sources Debian's archive gave this checkout (checked by apt); SDL is
  # compiled from them again.
  for target in windows web; do
    mkdir -p "$copy/build/$target"
    cp -a "build/$target/src" "$copy/build/$target/src"
  done
else
  mkdir -p "$tmp/sdl/build/windows" "$tmp/sdl/build/web"
  cp -a build/windows/sdl "$tmp/sdl/build/windows/sdl"
  cp -a build/web/sdl "$tmp/sdl/build/web/sdl"
  sdl=(--sdl-from "$tmp/sdl")
fi
mkdir -p "$tmp/home"
# A locale of other habits (a comma for the decimal point, another
# collation), made here: the machine's set-up is left alone.
locale=C.UTF-8 locpath=
mkdir -p "$tmp/locale"
if localedef -i fr_FR -f UTF-8 "$tmp/locale/fr_FR.UTF-8"; then
  locale=fr_FR.UTF-8 locpath=$tmp/locale
else
  echo "test-release: no French locale could be made; the second build runs in C.UTF-8"
fi
as=()
user=$(id -un)
if [ "$(id -u)" -eq 0 ]; then
  chown -R nobody:nogroup "$elsewhere" "$tmp/home"
  [ -n "$locpath" ] && chown -R nobody:nogroup "$locpath"
  as=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
  user=nobody
fi
again() {  # FOLDER COMMAND...: in FOLDER, in the other environment
  local dir=$1; shift
  "${as[@]}" env -i HOME="$tmp/home" PATH=/usr/local/bin:/usr/bin:/bin TZ=Pacific/Kiritimati \
    LC_ALL="$locale" ${locpath:+LOCPATH="$locpath"} \
    bash -c 'umask 0077; cd "$1" && shift && "$@"' again "$dir" "$@"
}
echo "as $user, in $copy, TZ=Pacific/Kiritimati, LC_ALL=$locale, umask 0077"
again "$copy" tools/release.sh "${sdl[@]}"
again "$elsewhere/clone" tools/release.sh --source-only >/dev/null
step_done

# --- 3. The two compared ---------------------------------------------------------------
step "compared"
other=$copy/dist/$name
cp "$elsewhere/clone/dist/$name/$name.tar.gz" "$tmp/"
differ=()
compare() {  # FIRST SECOND
  if ! cmp -s "$1" "$2"; then
    differ+=("$(basename "$1")")
    local report=$tmp/diffoscope-$(basename "$1").txt
    diffoscope --no-progress --text "$report" --max-text-report-size 2000000 "$1" "$2" || true
    echo "-- $(basename "$1") differs. Where, by diffoscope:"
    grep -E '^(│ +)*├── ' "$report" | head -n 60 || true
    echo "-- the first lines of its account:"
    head -n 150 "$report"
  fi
}
while read -r _ file; do
  case $file in
    "$name.tar.gz") compare "$dist/$file" "$tmp/$file" ;;
    *) compare "$dist/$file" "$other/$file" ;;
  esac
done <"$dist/SHA256SUMS"
if [ -n "$full" ]; then
  for lib in build/windows/sdl/lib/libSDL2.a build/windows/sdl/lib/libSDL2main.a \
             build/windows/sdl/lib/libSDL2_mixer.a build/web/sdl/lib/libSDL2.a \
             build/web/sdl/lib/libSDL2_mixer.a; do
    compare "$lib" "$copy/$lib"
  done
fi
step_done
[ ${#differ[@]} -eq 0 ] || fail "made again, these differ: ${differ[*]}"
# The second release says the same of itself; its SHA256SUMS is the first's
# less the tarball, which it was made from.
grep -v " $name.tar.gz\$" "$dist/SHA256SUMS" | cmp -s - "$other/SHA256SUMS" ||
  fail "the second SHA256SUMS differs from the first"
echo "test-release: every file the same, made again as $user elsewhere" \
     "($(($(date +%s) - started)) s in all)"
sed 's/^/  /' "$dist/SHA256SUMS"
