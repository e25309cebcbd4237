#!/usr/bin/env bash
# Builds the fuzz preset and runs one libFuzzer target over a copy of its
# seed corpus (new finds stay in the copy, not in the repository).
#   fuzz/run.sh bitmap|wave|script SECONDS [more libFuzzer options]
# With SECONDS 0 it runs until stopped or until -runs=N given after it.
set -euo pipefail
cd "$(dirname "$0")/.."
target=$1 seconds=$2
shift 2
case $target in bitmap|wave|script) ;; *) echo "no fuzz target '$target'" >&2; exit 2 ;; esac
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target "fuzz_$target" >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "fuzz/corpus/$target" "$work/corpus"
mkdir -p "$work/run"
exe=$PWD/build/fuzz/fuzz/fuzz_$target
dict=()
[ -f "fuzz/$target.dict" ] && dict=("-dict=$PWD/fuzz/$target.dict")
cd "$work/run"
limit=()
[ "$seconds" -gt 0 ] && limit=("-max_total_time=$seconds")
"$exe" "${limit[@]}" "${dict[@]}" -print_final_stats=1 "$@" "$work/corpus"
