#!/usr/bin/env bash
# The web build's figures against its budget: the size of what a player
# downloads, how soon the title shows, and the game's frame interval and
# pictures a second in the page with the processor slowed as a phone's is
# (bench/web_bench.py, in headless Chromium). Builds the game for the
# browser first (tools/web.sh --build-only).
#   bench/web.sh [--loads N] [--seconds S] [--slowdown K]   (defaults 5, 10, 4)
set -euo pipefail
cd "$(dirname "$0")/.."
tools/web.sh --build-only
tools/setup.sh web-test
exec /usr/bin/python3 bench/web_bench.py "$@"
