#!/usr/bin/env bash
# The web build's figures against its budget: the size of what a player
# downloads, how soon the title shows, and the game's frame interval in the
# page (bench/web_bench.py, in headless Chromium). Builds the game for the
# browser first (tools/web.sh --build-only).
#   bench/web.sh [--loads N] [--seconds S]   (defaults 5 and 10)
set -euo pipefail
cd "$(dirname "$0")/.."
tools/web.sh --build-only
for p in chromium python3-websocket; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    if [ "$(id -u)" -ne 0 ]; then sudo=sudo; else sudo=; fi
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends \
      chromium python3-websocket >/dev/null
    break
  fi
done
exec /usr/bin/python3 bench/web_bench.py "$@"
