#!/usr/bin/env bash
# The project's style and static checks, as CI runs them: clang-format must
# leave every C++ file as it is (.clang-format), and clang-tidy must find
# nothing (.clang-tidy) in any file the default build compiles.
#   tools/lint.sh [--format-only]
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
mapfile -t files < <(git ls-files '*.cpp' '*.h')
echo "== clang-format: ${#files[@]} files"
clang-format --dry-run --Werror "${files[@]}"
[ "${1:-}" = "--format-only" ] && exit 0
cmake --preset default >/dev/null
# The embedded resources table is generated; everything else is ours.
echo "== clang-tidy"
run-clang-tidy -quiet -p build/default -j "$(nproc)" \
  "$PWD/(platform|display|game|shell|demo|harness|tools|tests|bench|fuzz|packaging)/.*\.cpp$" \
  >build/default/clang-tidy.log 2>&1 || {
    sed 's/\x1b\[[0-9;]*m//g' build/default/clang-tidy.log | grep -E "(warning|error):" | sort -u >&2 || true
    echo "clang-tidy found the problems above (whole log: build/default/clang-tidy.log)" >&2
    exit 1
  }
echo "clang-format and clang-tidy: nothing found"
