#!/usr/bin/env bash
# Builds the benchmarks in Release (the bench preset) and prints one table:
# every figure, and its ratio to the window-copy floor measured in the same
# run. Installs Google Benchmark and GNU time with apt-get if missing.
#   bench/run.sh [REPETITIONS]   (default 5; medians are reported)
set -euo pipefail
cd "$(dirname "$0")/.."
reps=${1:-5}
tools/setup.sh
missing=()
for p in libbenchmark-dev time; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" -ne 0 ]; then sudo=sudo; else sudo=; fi
  $sudo apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
fi
cmake --preset bench >/dev/null
cmake --build --preset bench >/dev/null
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
common=(--benchmark_repetitions="$reps" --benchmark_report_aggregates_only=true
        --benchmark_format=json)
build/bench/bench/pako_bench "${common[@]}" >"$out/game.json"
SDL_VIDEODRIVER=dummy build/bench/bench/pako_bench_sdl "${common[@]}" >"$out/sdl.json"

# The simulator: frames per second over 100,000 frames of a scripted game,
# without a trace, with one, and with a frame dumped every 100th frame; and
# its peak resident memory.
sim=build/bench/pako-sim
script=tests/model/rally.script
frames=100000
run_sim() {  # name, then pako-sim options
  local name=$1
  shift
  /usr/bin/time -f "%e %M" -o "$out/time" "$sim" --frames $frames --seed 1 --script $script "$@" >/dev/null
  read -r secs kb <"$out/time"
  echo "$name $secs $kb" >>"$out/sim.txt"
}
run_sim plain
run_sim trace --trace "$out/trace"
mkdir -p "$out/frames"
run_sim dumps --dump-frames "$out/frames" --every 100
python3 bench/report.py "$out/game.json" "$out/sdl.json" "$out/sim.txt" $frames
