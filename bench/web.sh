#!/usr/bin/env bash
# The web build's figures against its budget: the size of what a player
# downloads, how soon the title shows, and the game's frames a second, frame
# interval and pictures a second in the page, on the title and in play, in
# Chromium, Firefox and WebKit at full speed (WebKit also in a smaller
# window), and in Chromium with the processor slowed as a phone's is
# (bench/web_bench.py, a column each).
# Builds the game for the browser first (tools/web.sh --build-only).
#   bench/web.sh [--engines chromium,firefox,webkit] [--loads N] [--seconds S] [--slowdown K]
#                (defaults: all three, 5, 10, 4)
set -euo pipefail
cd "$(dirname "$0")/.."
tools/web.sh --build-only
tools/setup.sh web-test
exec /usr/bin/python3 bench/web_bench.py "$@"
