#!/usr/bin/env bash
# Builds Pako Tumbo for Windows x86-64 into build/windows/: the game as one
# self-contained pako.exe, a zip to unpack anywhere, and an installer.
#
#   tools/windows.sh          build; prints the zip's and the installer's paths
#   tools/windows.sh --test   build, then run every Windows test under Wine on
#                             Xvfb (tests/windows/run.sh); non-zero if any fails
#
# Everything comes from Debian: mingw-w64, NSIS, Wine, GoogleTest's sources,
# and SDL2 and SDL_mixer built for Windows from Debian's own source packages,
# fetched into build/windows/src through an apt source list of the build's
# own (the machine's apt set-up is left alone). Every stage keeps what it
# built, so a second run rebuilds only what changed. The time of every stage
# is printed.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
out=build/windows
mode=build
for arg in "$@"; do
  case $arg in
    --test) mode=test ;;
    -h|--help) sed -n '2,14p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "windows.sh: unknown argument $arg (see --help)" >&2; exit 2 ;;
  esac
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

# --- Debian's sources of SDL2 and SDL_mixer ---------------------------------------
stage sources
src=$out/src
tools/sdl-sources.sh "$out" windows
stage_done

# --- SDL2, SDL_mixer and GoogleTest, static, for Windows ------------------------------
# Each with its own CMake, configured once; a build that is up to date
# compiles nothing, and an install copies only what changed.
prefix=$root/$out/sdl
cross_build() {  # NAME SOURCE_DIR [CMAKE OPTIONS...]
  local name=$1 source=$2; shift 2
  local dir=$out/$name-build
  if [ ! -f "$dir/CMakeCache.txt" ]; then
    cmake -S "$source" -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_PREFIX_PATH="$prefix" "$@" >/dev/null
  fi
  cmake --build "$dir" -j"$jobs" -- --no-print-directory | quiet
  cmake --install "$dir" | quiet
}
stage sdl
cross_build SDL2 "$src/SDL2" -DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_TEST=OFF
cross_build SDL2_mixer "$src/SDL2_mixer" -DBUILD_SHARED_LIBS=OFF -DSDL2MIXER_SAMPLES=OFF \
  -DSDL2MIXER_CMD=OFF -DSDL2MIXER_FLAC=OFF -DSDL2MIXER_MOD=OFF -DSDL2MIXER_MP3=OFF \
  -DSDL2MIXER_MIDI=OFF -DSDL2MIXER_OPUS=OFF -DSDL2MIXER_VORBIS= -DSDL2MIXER_WAVE=ON \
  -DSDL2MIXER_VENDORED=OFF
stage_done
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
if [ ! -f "$game/CMakeCache.txt" ] || ! grep -q "^PAKO_BUILD_TESTS:BOOL=$([ "$mode" = test ] && echo ON || echo OFF)" "$game/CMakeCache.txt"; then
  cmake -S . -B "$game" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
    -DPAKO_WERROR=ON -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_CROSSCOMPILING_EMULATOR="$wine_run" \
    -DPAKO_BUILD_TESTS=$([ "$mode" = test ] && echo ON || echo OFF) >/dev/null
fi
if [ "$mode" = test ]; then
  cmake --build "$game" -j"$jobs" -- --no-print-directory | quiet
else
  cmake --build "$game" --target pako -j"$jobs" -- --no-print-directory | quiet
fi
# Stripped, only when linked again (strip stamps the time into the file).
if [ ! -f "$out/pako.exe" ] || [ "$game/pako.exe" -nt "$out/pako.exe" ]; then
  x86_64-w64-mingw32-strip -o "$out/pako.exe" "$game/pako.exe"
fi
stage_done

# --- The zip and the installer -----------------------------------------------------------
stage package
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$game/CMakeCache.txt")
name=pako-tumbo-$version-windows-x64
stage_dir=$out/$name
mkdir -p "$stage_dir"
for f in "$out/pako.exe" assets/sounds/kick.wav assets/sounds/a1.wav "$game/packaging/windows/README.txt"; do
  cmp -s "$f" "$stage_dir/$(basename "$f")" || cp "$f" "$stage_dir/"
done
zip=$out/$name.zip
setup=$out/pako-tumbo-$version-setup.exe
if [ ! -f "$zip" ] || [ -n "$(find "$stage_dir" -newer "$zip")" ]; then
  rm -f "$zip"
  (cd "$out" && cmake -E tar cf "$name.zip" --format=zip "$name")
fi
if [ ! -f "$setup" ] || [ -n "$(find "$stage_dir" "$game/packaging/windows/installer.nsi" -newer "$setup")" ]; then
  makensis -V2 -DSTAGE="$root/$stage_dir" -DOUTFILE="$root/$setup" \
    "$game/packaging/windows/installer.nsi"
fi
stage_done
echo "windows: $zip ($(stat -c %s "$zip") bytes), $setup ($(stat -c %s "$setup") bytes);" \
     "pako.exe $(stat -c %s "$out/pako.exe") bytes"

if [ "$mode" = test ]; then
  stage test
  tests/windows/run.sh "$game" "$out"
  stage_done
fi
