#!/usr/bin/env bash
# Builds Pako Tumbo for Windows x86-64 into build/windows/: the game as one
# self-contained pako.exe, a zip to unpack anywhere, and an installer.
#
#   tools/windows.sh          build; prints the zip's and the installer's paths
#   tools/windows.sh --test   build, then run every Windows test under Wine on
#                             Xvfb (tests/windows/run.sh); non-zero if any fails
#   --sdl-from PREFIX         take SDL2 and SDL_mixer as another checkout built
#                             them (its build/windows/sdl) instead of building
#                             them here (tools/test-release.sh)
#
# Everything comes from Debian: mingw-w64, NSIS, Wine, GoogleTest's sources,
# and SDL2 and SDL_mixer built for Windows from Debian's own source packages,
# fetched into build/windows/src through an apt source list of the build's
# own (the machine's apt set-up is left alone). Every stage keeps what it
# built, so a second run rebuilds only what changed. The time of every stage
# is printed. The same source gives the same bytes of pako.exe, the zip and
# the installer, in any folder, at any time: their times are the commit's
# (SOURCE_DATE_EPOCH, unless it is set already).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
out=build/windows
mode=build
sdl_from=
while [ $# -gt 0 ]; do
  case $1 in
    --test) mode=test ;;
    --sdl-from)
      [ $# -ge 2 ] && [ -f "$2/lib/libSDL2.a" ] ||
        { echo "windows.sh: --sdl-from needs a folder holding lib/libSDL2.a" >&2; exit 2; }
      sdl_from=$(cd "$2" && pwd); shift ;;
    -h|--help) sed -n '2,19p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "windows.sh: unknown argument $1 (see --help)" >&2; exit 2 ;;
  esac
  shift
done
jobs=2
toolchain=$root/tools/windows/toolchain.cmake
wine_run=$root/tools/windows/wine-run
export WINEPREFIX=$root/$out/wine

stage_start=0
stage() { stage_name=$1; stage_start=$(date +%s%N); }
stage_done() {
  local ms=$((($(date +%s%N) - stage_start) / 1000000))
  printf 'windows: %-10s %4d.%d s\n' "$stage_name" $((ms / 1000)) $((ms % 1000 / 100))
}
# Build output, less CMake's progress lines.
quiet() { { grep -v -e '^\[' -e '^-- \(Up-to-date\|Installing\)' || true; }; }

# --- Packages -------------------------------------------------------------------
stage packages
tools/setup.sh windows
stage_done

# Configures a CMake build folder when it has never been, or when its
# command line or the toolchain file changed since: with a new cache then,
# as flags are only taken in when a cache is made (what is compiled already
# is kept, and compiled again only where its flags changed).
configure() {  # DIR CMAKE ARGUMENTS...
  local dir=$1; shift
  local key
  key=$(printf '%s\n' "$@" "$(sha256sum "$toolchain")")
  if [ ! -f "$dir/CMakeCache.txt" ] || [ "$key" != "$(cat "$dir/.configured-with" 2>/dev/null)" ]; then
    rm -f "$dir/CMakeCache.txt"
    cmake -B "$dir" "$@" >/dev/null
    printf '%s\n' "$key" >"$dir/.configured-with"
  fi
}

# --- SDL2, SDL_mixer and GoogleTest, static, for Windows ------------------------------
# Each with its own CMake; a build that is up to date compiles nothing, and
# an install copies only what changed.
prefix=$root/$out/sdl
cross_build() {  # NAME SOURCE_DIR [CMAKE OPTIONS...]
  local name=$1 source=$2; shift 2
  local dir=$out/$name-build
  configure "$dir" -S "$source" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_PREFIX_PATH="$prefix" "$@"
  cmake --build "$dir" -j"$jobs" -- --no-print-directory | quiet
  cmake --install "$dir" | quiet
}
if [ -n "$sdl_from" ]; then
  # Another checkout's build of the same Debian sources, copied whole: its
  # CMake files find the libraries relative to themselves.
  stage sdl-copy
  if [ "$sdl_from" != "$prefix" ]; then
    rm -rf "$prefix"
    mkdir -p "$(dirname "$prefix")"
    cp -a "$sdl_from" "$prefix"
  fi
  stage_done
else
  # --- Debian's sources of SDL2 and SDL_mixer -------------------------------------
  stage sources
  src=$out/src
  tools/sdl-sources.sh "$out" windows
  stage_done
  stage sdl
  cross_build SDL2 "$src/SDL2" -DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_TEST=OFF
  cross_build SDL2_mixer "$src/SDL2_mixer" -DBUILD_SHARED_LIBS=OFF -DSDL2MIXER_SAMPLES=OFF \
    -DSDL2MIXER_CMD=OFF -DSDL2MIXER_FLAC=OFF -DSDL2MIXER_MOD=OFF -DSDL2MIXER_MP3=OFF \
    -DSDL2MIXER_MIDI=OFF -DSDL2MIXER_OPUS=OFF -DSDL2MIXER_VORBIS= -DSDL2MIXER_WAVE=ON \
    -DSDL2MIXER_VENDORED=OFF
  # Which source packages these are, kept with the libraries (the release's
  # notes name them).
  cat "$src/SDL2/.fetched" "$src/SDL2_mixer/.fetched" >"$prefix/sources.new"
  if cmp -s "$prefix/sources.new" "$prefix/sources.txt"; then rm "$prefix/sources.new"
  else mv "$prefix/sources.new" "$prefix/sources.txt"; fi
  stage_done
fi
if [ "$mode" = test ]; then
  stage gtest
  cross_build googletest /usr/src/googletest -DBUILD_GMOCK=OFF -DINSTALL_GTEST=ON
  stage_done
fi

# --- The game ------------------------------------------------------------------------
# The project's own CMake build, cross-compiled: the same sources as Linux's
# pako, over the SDL just built. The embedding tool, and the tests, run
# under Wine (the cross-compiling emulator).
stage game
game=$out/game
configure "$game" -S . -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
  -DPAKO_WERROR=ON -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_CROSSCOMPILING_EMULATOR="$wine_run" \
  -DPAKO_BUILD_TESTS=$([ "$mode" = test ] && echo ON || echo OFF)
if [ "$mode" = test ]; then
  cmake --build "$game" -j"$jobs" -- --no-print-directory | quiet
else
  cmake --build "$game" --target pako -j"$jobs" -- --no-print-directory | quiet
fi
# The version and the commit, as the build wrote them into the game; the
# files' time is the commit's, unless SOURCE_DATE_EPOCH says otherwise.
info=$game/generated/version.txt
version=$(sed -n 's/^version //p' "$info")
commit=$(sed -n 's/^commit //p' "$info")
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(sed -n 's/^time //p' "$info")}
if [ -z "$SOURCE_DATE_EPOCH" ]; then
  echo "windows: the source's commit is unknown: its files are dated now" >&2
  SOURCE_DATE_EPOCH=$(date +%s)
fi
# Stripped, only when linked again or to be dated otherwise. strip writes a
# time into the header (the linker writes none): SOURCE_DATE_EPOCH's, not
# the clock's.
if [ ! -f "$out/pako.exe" ] || [ "$game/pako.exe" -nt "$out/pako.exe" ] ||
   [ "$SOURCE_DATE_EPOCH" != "$(cat "$out/pako.exe.time" 2>/dev/null)" ]; then
  x86_64-w64-mingw32-strip -o "$out/pako.exe" "$game/pako.exe"
  echo "$SOURCE_DATE_EPOCH" >"$out/pako.exe.time"
fi
stage_done

# --- The zip and the installer -----------------------------------------------------------
stage package
name=pako-tumbo-$version-windows-x64
stage_dir=$out/$name
mkdir -p "$stage_dir"
for f in "$out/pako.exe" assets/sounds/kick.wav assets/sounds/a1.wav "$game/packaging/windows/README.txt"; do
  cmp -s "$f" "$stage_dir/$(basename "$f")" || cp "$f" "$stage_dir/"
done
# The installer keeps each file's time to give it again when it installs
# it: the commit's, and the same modes whatever the umask.
chmod 755 "$stage_dir"
chmod 644 "$stage_dir"/*
touch -d "@$SOURCE_DATE_EPOCH" "$stage_dir"/*
zip=$out/$name.zip
setup=$out/pako-tumbo-$version-setup.exe
# Both are made again only when what goes into them changed: the files, the
# installer's script, the commit or the time.
key=$( (cd "$stage_dir" && sha256sum -- *) ; sha256sum <"$game/packaging/windows/installer.nsi"
      echo "$commit $SOURCE_DATE_EPOCH")
if [ ! -f "$zip" ] || [ ! -f "$setup" ] || [ "$key" != "$(cat "$out/package.key" 2>/dev/null)" ]; then
  rm -f "$out/package.key"
  python3 tools/zip-folder.py "$stage_dir" "$zip"
  makensis -V2 -DSTAGE="$root/$stage_dir" -DOUTFILE="$root/$setup" -DCOMMIT="$commit" \
    "$game/packaging/windows/installer.nsi"
  printf '%s\n' "$key" >"$out/package.key"
fi
stage_done
echo "windows: $zip ($(stat -c %s "$zip") bytes), $setup ($(stat -c %s "$setup") bytes);" \
     "pako.exe $(stat -c %s "$out/pako.exe") bytes"

if [ "$mode" = test ]; then
  stage test
  tests/windows/run.sh "$game" "$out"
  stage_done
fi
