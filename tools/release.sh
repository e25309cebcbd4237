#!/usr/bin/env bash
# Makes a release of Pako Tumbo: every download of the version in
# CMakeLists.txt, into dist/pako-tumbo-VERSION/:
#
#   pako-tumbo-VERSION.tar.gz            the source (git archive), naming its commit
#   pako-tumbo_VERSION_ARCH.deb          the Debian package (tools/deb.sh)
#   pako-tumbo-VERSION-windows-x64.zip   the Windows game, to unpack anywhere
#   pako-tumbo-VERSION-setup.exe         its installer (both by tools/windows.sh)
#   pako-tumbo-VERSION-web.zip           the page, for any static web server
#                                        (tools/web.sh)
#   RELEASE-NOTES.md                     the version's section of CHANGELOG.md,
#                                        what each file is, how to check them
#   SHA256SUMS                           the SHA-256 of each of the above
#
#   tools/release.sh                   make the release
#   tools/release.sh --sdl-from TREE   take SDL for Windows and the web as the
#                                      checkout TREE built them (its
#                                      build/windows/sdl and build/web/sdl)
#                                      instead of building it here
#   tools/release.sh --source-only     only the source tarball, into the same
#                                      folder (seconds; nothing else changes)
#
# From a git checkout, the release is of its HEAD, which must have no
# changes and no untracked files (a file beside the sources could get into
# the game). From an unpacked source tarball (no .git), it is of the commit
# the tarball names, and everything but the tarball itself is made again.
# Every file is dated the commit's time (SOURCE_DATE_EPOCH), and the same
# commit gives the same bytes, in any folder, at any time, in any time zone,
# locale and umask, for any user: anyone can make the release again and
# compare SHA256SUMS (README.md, "Checking a download";
# tools/test-release.sh checks it). A second run with nothing changed makes
# nothing again. On a fresh Debian machine it first installs what it needs
# (as root, with apt-get).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
sdl_windows=() sdl_web=()
source_only=
while [ $# -gt 0 ]; do
  case $1 in
    --source-only) source_only=1 ;;
    --sdl-from)
      [ $# -ge 2 ] || { echo "release.sh: --sdl-from needs a checkout" >&2; exit 2; }
      tree=$(cd "$2" && pwd)
      sdl_windows=(--sdl-from "$tree/build/windows/sdl")
      sdl_web=(--sdl-from "$tree/build/web/sdl")
      shift ;;
    -h|--help) sed -n '2,33p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "release.sh: unknown argument $1 (see --help)" >&2; exit 2 ;;
  esac
  shift
done
fail() { echo "release.sh: $*" >&2; exit 1; }
started=$(date +%s)
step_start=0
step() { step_name=$1; step_start=$(date +%s%N); echo "== release: $step_name"; }
step_done() {
  local ms=$((($(date +%s%N) - step_start) / 1000000))
  printf 'release: %-9s %4d.%d s\n' "$step_name" $((ms / 1000)) $((ms % 1000 / 100))
}

# The checkout may belong to another user than the builder's (a CI's clone
# built as root): its own source is trusted, it is being built.
git() { command git -c safe.directory="$root" "$@"; }

step source
tools/setup.sh release
version=$(sed -n 's/^project(PakoTumbo VERSION \([0-9.]*\) .*/\1/p' CMakeLists.txt)
[ -n "$version" ] || fail "no version in CMakeLists.txt's project()"
if [ "$(git rev-parse --show-toplevel 2>/dev/null || true)" = "$root" ]; then
  from=git
  changes=$(git status --porcelain)
  [ -z "$changes" ] || fail "the checkout has changes or untracked files; commit or remove them first:
$changes"
else
  from=tarball
fi
work=build/release
mkdir -p "$work"
cmake -DSOURCE_DIR="$root" -DVERSION="$version" -DOUT_DIR="$work" -P packaging/version.cmake
commit=$(sed -n 's/^commit //p' "$work/version.txt")
time=$(sed -n 's/^time //p' "$work/version.txt")
[[ $commit =~ ^[0-9a-f]{40}$ ]] || fail "the source's commit is not known ($commit)"
if [ -n "${SOURCE_DATE_EPOCH:-}" ] && [ "$SOURCE_DATE_EPOCH" != "$time" ]; then
  echo "release: SOURCE_DATE_EPOCH $SOURCE_DATE_EPOCH replaced by the commit's time, $time"
fi
export SOURCE_DATE_EPOCH=$time
echo "release: Pako Tumbo $version, commit $commit ($(date -u -d "@$time" '+%Y-%m-%d %H:%M:%S UTC')), from the $from"
notes=$work/notes.md
cmake -DCHANGELOG=CHANGELOG.md -DVERSION="$version" -DNOTES="$notes" -P packaging/changelog.cmake
name=pako-tumbo-$version
dist=dist/$name
mkdir -p "$dist"
tarball=$name.tar.gz
if [ "$from" = git ]; then
  # git archive dates every file the commit's time, owned by root, modes
  # from git's own umask (tar.umask), in the order of the commit's tree; it
  # fills in packaging/source-commit.txt. gzip -n leaves out a name and a time.
  git archive --format=tar --prefix="$name/" "$commit" | gzip -9n >"$work/$tarball"
fi
step_done
if [ -n "$source_only" ]; then
  [ "$from" = git ] || fail "--source-only: the source tarball is made from a git checkout"
  cmp -s "$work/$tarball" "$dist/$tarball" || cp "$work/$tarball" "$dist/$tarball"
  echo "$dist/$tarball"
  exit 0
fi

step deb
deb=$(tools/deb.sh)
step_done
step windows
tools/windows.sh "${sdl_windows[@]}"
step_done
step web
tools/web.sh --build-only "${sdl_web[@]}"
step_done

# Each build wrote the version and commit it was made from; all must be
# this release's (a build folder left from another checkout would not be).
for info in build/deb/generated/version.txt build/windows/game/generated/version.txt \
            build/web/game/generated/version.txt; do
  cmp -s "$info" "$work/version.txt" || fail "$info is not of this release: $(tr '\n' ' ' <"$info")"
done

step collect
arch=$(dpkg --print-architecture)
# What the downloads are made with (the notes name the versions).
toolchain=(binutils binutils-mingw-w64-x86-64 binaryen cmake dpkg-dev emscripten g++-12
           g++-mingw-w64-x86-64-posix git gzip icoutils libsdl2-dev libsdl2-mixer-dev
           mingw-w64-x86-64-dev nodejs nsis python3 python3-pil)
files=()
made=()
put() {  # FILE: into the release, only when its bytes changed
  local f=$1 target
  target=$dist/$(basename "$f")
  files+=("$(basename "$f")")
  if ! cmp -s "$f" "$target"; then
    cp "$f" "$target.new"
    chmod 644 "$target.new"
    mv "$target.new" "$target"
    made+=("$(basename "$f")")
  fi
}
[ "$from" = git ] && put "$work/$tarball"
put "$deb"
put "build/windows/$name-windows-x64.zip"
put "build/windows/$name-setup.exe"
put "build/web/$name-web.zip"

# The notes: the version's changes, then what each download is and how to
# check it. They name every file of the release, the tarball too when it
# is made again from the tarball.
{
  cat "$notes"
  cat <<NOTES

## Downloads

| File | For |
| --- | --- |
| \`$name-windows-x64.zip\` | Windows 10 and 11 (64-bit): unpack anywhere, double-click \`pako.exe\` |
| \`$name-setup.exe\` | Windows 10 and 11 (64-bit): installs the game for the current user |
| \`pako-tumbo_${version}_$arch.deb\` | Debian 12 ($arch): \`sudo apt-get install ./pako-tumbo_${version}_$arch.deb\` |
| \`$name-web.zip\` | a web server: unpack it and serve the folder as it is (\`.wasm\` as \`application/wasm\`) |
| \`$tarball\` | the source |

Built from commit \`$commit\`.

\`sha256sum --check SHA256SUMS\` checks the downloads; anyone can build them
again from that commit with \`tools/release.sh\` and get the same
SHA256SUMS (README.md, "Checking a download").

## Built with

Debian 12 ($arch) and these of its packages, which a build that is to give
the same bytes needs in the same versions:

NOTES
  dpkg-query -W -f='- ${Package} ${Version}\n' "${toolchain[@]}"
  echo "- SDL2 and SDL_mixer for Windows, from the source packages" \
       "$(paste -sd' ' build/windows/sdl/sources.txt | sed 's/ / and /')"
  echo "- SDL2 and SDL_mixer for the web, from the source packages" \
       "$(paste -sd' ' build/web/sdl/sources.txt | sed 's/ / and /')"
} >"$work/RELEASE-NOTES.md"
put "$work/RELEASE-NOTES.md"

# Nothing else stays in the release's folder.
for f in "$dist"/*; do
  case " ${files[*]} SHA256SUMS " in *" $(basename "$f") "*) ;; *) rm -rf "$f"; made+=("(removed $(basename "$f"))") ;; esac
done
mapfile -t sorted < <(printf '%s\n' "${files[@]}" | LC_ALL=C sort)
(cd "$dist" && sha256sum -- "${sorted[@]}") >"$work/SHA256SUMS"
put "$work/SHA256SUMS"
step_done

echo "release: $dist/ ($((($(date +%s) - started))) s), ${#made[@]} files made again: ${made[*]:-none}"
(cd "$dist" && ls -l --time-style=+ -- "${sorted[@]}" SHA256SUMS | awk '{ print "  " $5 "\t" $NF }')
cat "$dist/SHA256SUMS"
