#!/usr/bin/env bash
# The second half of CI, after tools/test.sh: every test again built with
# clang, and again under AddressSanitizer and UndefinedBehaviorSanitizer;
# the style and static checks (tools/lint.sh); then each fuzz target for a
# bounded time over its seed corpus.
#   tools/test-hardened.sh [SECONDS_PER_FUZZ_TARGET]   (default 60)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
tools/setup.sh
echo "== clang build and tests"
cmake --preset clang
cmake --build --preset clang
ctest --preset clang
echo "== sanitizer build and tests"
cmake --preset sanitize
cmake --build --preset sanitize
ctest --preset sanitize
echo "== lint"
tools/lint.sh
log=$(mktemp)
trap 'rm -f "$log"' EXIT
for target in bitmap wave script; do
  echo "== fuzzing $target for $seconds s"
  status=0
  fuzz/run.sh "$target" "$seconds" >"$log" 2>&1 || status=$?
  grep -E "^(stat::number_of_executed_units|stat::average_exec_per_sec|==[0-9]+==ERROR|SUMMARY)" "$log" || true
  if [ "$status" -ne 0 ]; then
    tail -n 40 "$log" >&2
    echo "fuzz target $target failed" >&2
    exit 1
  fi
done
