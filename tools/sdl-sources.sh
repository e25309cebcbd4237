#!/usr/bin/env bash
# Fetches Debian's own source packages of SDL2 and SDL_mixer and unpacks them
# into OUT/src/SDL2 and OUT/src/SDL2_mixer, for the builds that compile SDL
# themselves (tools/web.sh, tools/windows.sh). A deb-src list of our own,
# with the archive addresses and keys of the machine's own list, and apt's
# state for it under OUT/apt: the machine's apt set-up is left alone.
# Sources already fetched are kept.
#
#   tools/sdl-sources.sh OUT NAME    (NAME labels the lines: web, windows)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
out=${1:?usage: tools/sdl-sources.sh OUT NAME}
name=${2:?usage: tools/sdl-sources.sh OUT NAME}
src=$out/src
if [ -f "$src/SDL2/.fetched" ] && [ -f "$src/SDL2_mixer/.fetched" ]; then exit 0; fi
case $out in /*) apt_dir=$out/apt ;; *) apt_dir=$root/$out/apt ;; esac
rm -rf "$apt_dir" "$src"
mkdir -p "$apt_dir/parts" "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial" \
  "$src/download"
system_list=/etc/apt/sources.list.d/debian.sources
if [ ! -f "$system_list" ]; then
  echo "$name: no $system_list to take Debian's archive addresses from" >&2
  exit 1
fi
# Each stanza of the machine's list again, as deb-src.
sed -e 's/^Types:.*/Types: deb-src/' "$system_list" > "$apt_dir/parts/$name.sources"
apt_opts=(-o Dir::Etc::SourceList=/dev/null -o "Dir::Etc::SourceParts=$apt_dir/parts"
          -o "Dir::State::Lists=$apt_dir/lists" -o "Dir::Cache=$apt_dir/cache"
          -o APT::Sandbox::User=root -qq)
apt-get "${apt_opts[@]}" update
(cd "$src/download" && apt-get "${apt_opts[@]}" source --download-only libsdl2 libsdl2-mixer)
for pkg in libsdl2 libsdl2-mixer; do
  dsc=$(ls "$src/download/${pkg}_"*.dsc)
  # apt checked the files against the signed source index; the .dsc's own
  # signature would need the maintainers' keyring.
  (cd "$src/download" && dpkg-source --no-check -x "$(basename "$dsc")" >/dev/null)
done
mv "$src/download"/libsdl2-[0-9]*/ "$src/SDL2"
mv "$src/download"/libsdl2-mixer-[0-9]*/ "$src/SDL2_mixer"
basename "$(ls "$src/download"/libsdl2_*.dsc)" .dsc > "$src/SDL2/.fetched"
basename "$(ls "$src/download"/libsdl2-mixer_*.dsc)" .dsc > "$src/SDL2_mixer/.fetched"
rm -rf "$src/download" "$apt_dir"
echo "$name: fetched $(cat "$src/SDL2/.fetched") and $(cat "$src/SDL2_mixer/.fetched")"
