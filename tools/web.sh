#!/usr/bin/env bash
# Builds Pako Tumbo for web browsers into build/web/ and serves it on the
# loopback address, printing where.
#
#   tools/web.sh               build, then serve (port 8080, or a free one)
#   tools/web.sh --build-only  build only
#   tools/web.sh --test        build, then run tests/web/web_test.py in
#                              Chromium, Firefox and WebKit (it compares with
#                              build/default/pako-sim, built first when missing)
#       --engines=chromium,firefox,webkit   only these engines
#       --groups=game,phone,...             only these groups of checks
#   --sdl-from PREFIX          take SDL2 and SDL_mixer as another checkout built
#                              them (its build/web/sdl) instead of building them
#                              here (tools/test-release.sh)
#
# Everything comes from Debian: Emscripten, and SDL2 and SDL_mixer compiled
# for the web from Debian's own source packages, fetched into build/web/src
# through an apt source list of the build's own (the machine's apt set-up is
# left alone). Each stage is skipped when its output is there already, so a
# second run rebuilds nothing. The time of every stage is printed. Besides
# the page in build/web/, the build makes pako-tumbo-VERSION-web.zip, the
# page's files in a folder that any static web server can serve; the same
# source gives the same bytes in any folder, at any time (the zip's times
# are the commit's, SOURCE_DATE_EPOCH, unless it is set already).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
out=build/web
mode=serve
test_args=()
sdl_from=
while [ $# -gt 0 ]; do
  case $1 in
    --build-only) mode=build ;;
    --test) mode=test ;;
    --engines=*) test_args+=(--engines "${1#--engines=}") ;;
    --groups=*) IFS=, read -ra groups <<<"${1#--groups=}"; test_args+=("${groups[@]}") ;;
    --sdl-from)
      [ $# -ge 2 ] && [ -f "$2/lib/libSDL2.a" ] ||
        { echo "web.sh: --sdl-from needs a folder holding lib/libSDL2.a" >&2; exit 2; }
      sdl_from=$(cd "$2" && pwd); shift ;;
    -h|--help) sed -n '2,24p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "web.sh: unknown argument $1 (see --help)" >&2; exit 2 ;;
  esac
  shift
done

# Emscripten as Debian ships it: its Python, and Node finding Debian's acorn.
export EMSDK_PYTHON=/usr/bin/python3
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}
jobs=2

stage_start=0
stage() { stage_name=$1; stage_start=$(date +%s%N); }
stage_done() {
  local ms=$((($(date +%s%N) - stage_start) / 1000000))
  printf 'web: %-9s %4d.%d s\n' "$stage_name" $((ms / 1000)) $((ms % 1000 / 100))
}


# --- Packages -----------------------------------------------------------------
stage packages
if [ "$mode" = test ]; then tools/setup.sh web-test; else tools/setup.sh web; fi
stage_done

if [ -n "$sdl_from" ]; then
  # Another checkout's build of the same Debian sources, copied whole.
  stage sdl-copy
  if [ "$sdl_from" != "$root/$out/sdl" ]; then
    rm -rf "$out/sdl"
    mkdir -p "$out"
    cp -a "$sdl_from" "$out/sdl"
  fi
  stage_done
else
  # --- Debian's sources of SDL2 and SDL_mixer -------------------------------------
  stage sources
  src=$out/src
  tools/sdl-sources.sh "$out" web
  stage_done

  # --- SDL2 and SDL_mixer, static -------------------------------------------------
  stage sdl
  make -s -f tools/web/sdl.mk -j"$jobs" O="$out" SDL_SRC="$src/SDL2" MIXER_SRC="$src/SDL2_mixer"
  # Which source packages these are, kept with the libraries (the release's
  # notes name them).
  cat "$src/SDL2/.fetched" "$src/SDL2_mixer/.fetched" >"$out/sdl/sources.new"
  if cmp -s "$out/sdl/sources.new" "$out/sdl/sources.txt"; then rm "$out/sdl/sources.new"
  else mv "$out/sdl/sources.new" "$out/sdl/sources.txt"; fi
  stage_done
fi

# --- The game -------------------------------------------------------------------
# The project's own CMake build, cross-compiled: the same sources as the
# desktop's pako, over the SDL just built. The embedding tool runs under Node.
stage game
game=$out/game
if [ ! -f "$game/CMakeCache.txt" ]; then
  emcmake cmake -S . -B "$game" -DCMAKE_BUILD_TYPE=Release -DPAKO_BUILD_TESTS=OFF -DPAKO_WERROR=ON \
    -DSDL2_DIR="$root/$out/sdl/lib/cmake/SDL2" \
    -DSDL2_mixer_DIR="$root/$out/sdl/lib/cmake/SDL2_mixer" \
    "-DCMAKE_CROSSCOMPILING_EMULATOR=/usr/bin/node;--no-experimental-fetch" >/dev/null
fi
# (Only what is not a progress line is shown.)
cmake --build "$game" --target pako -j"$jobs" -- --no-print-directory | { grep -v '^\[' || true; }
stage_done

# --- The page -----------------------------------------------------------------
# Its files: a copy only where it changed, so that a second run touches
# nothing; the page with the version and the commit that the game was built
# from (as the build wrote them into it); the icons made from the game's
# own; the recorded demo; and the service worker, with the list of this
# build's files written in.
stage page
for f in "$game/pako.js" "$game/pako.wasm" web/controls.js web/page.js \
         web/manifest.webmanifest assets/sounds/kick.wav assets/sounds/a1.wav \
         docs/demos/rally.record; do
  cmp -s "$f" "$out/$(basename "$f")" || cp "$f" "$out/"
done
info=$game/generated/version.txt
version=$(sed -n 's/^version //p' "$info")
commit=$(sed -n 's/^commit //p' "$info")
sed -e "s/@PAKO_VERSION@/$version/g" -e "s/@PAKO_COMMIT@/$commit/g" web/index.html >"$out/index.html.new"
if cmp -s "$out/index.html.new" "$out/index.html"; then rm "$out/index.html.new"
else mv "$out/index.html.new" "$out/index.html"; fi
/usr/bin/python3 tools/web/icons.py assets/icon "$out"
build_id=$(/usr/bin/python3 tools/web/offline.py "$out")
stage_done

# --- The zip ---------------------------------------------------------------------
# The page's files (offline.py's list) and the service worker in a folder of
# their own, dated the commit's time unless SOURCE_DATE_EPOCH says otherwise;
# made again only when they change.
stage zip
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(sed -n 's/^time //p' "$info")}
if [ -z "$SOURCE_DATE_EPOCH" ]; then
  echo "web: the source's commit is unknown: the zip's files are dated now" >&2
  SOURCE_DATE_EPOCH=$(date +%s)
fi
bundle=$out/pako-tumbo-$version-web
page_files=(sw.js $(/usr/bin/python3 -c 'import sys; sys.path.insert(0, "tools/web")
import offline; print(" ".join(offline.PAGE_FILES))'))
mkdir -p "$bundle"
for f in "${page_files[@]}"; do
  cmp -s "$out/$f" "$bundle/$f" || cp "$out/$f" "$bundle/$f"
done
for f in "$bundle"/*; do
  case " ${page_files[*]} " in *" $(basename "$f") "*) ;; *) rm -rf "$f" ;; esac
done
key=$( (cd "$bundle" && sha256sum -- *); echo "$SOURCE_DATE_EPOCH")
if [ ! -f "$bundle.zip" ] || [ "$key" != "$(cat "$bundle.key" 2>/dev/null)" ]; then
  rm -f "$bundle.key"
  /usr/bin/python3 tools/zip-folder.py "$bundle" "$bundle.zip"
  printf '%s\n' "$key" >"$bundle.key"
fi
stage_done
sizes() {
  local total=0 gz=0 f
  for f in "${page_files[@]}"; do
    total=$((total + $(stat -c %s "$out/$f")))
    gz=$((gz + $(gzip -9c "$out/$f" | wc -c)))
  done
  echo "web: build/web/ (build $build_id): pako.wasm $(stat -c %s "$out/pako.wasm") bytes," \
       "pako.js $(stat -c %s "$out/pako.js"); all files $total, gzipped $gz;" \
       "$bundle.zip $(stat -c %s "$bundle.zip") bytes"
}
sizes

case $mode in
  build) ;;
  serve) exec /usr/bin/python3 tools/web/serve.py "$out" ;;
  test)
    if [ ! -x build/default/pako-sim ]; then
      stage pako-sim
      tools/setup.sh --play
      cmake --preset default >/dev/null
      cmake --build --preset default --target pako-sim -j"$jobs" -- --no-print-directory |
        { grep -v '^\[' || true; }
      stage_done
    fi
    stage test
    /usr/bin/python3 tests/web/web_test.py --build-dir "$out" --sim build/default/pako-sim \
      ${test_args[@]+"${test_args[@]}"}
    stage_done
    ;;
esac
