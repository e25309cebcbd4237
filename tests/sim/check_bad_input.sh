#!/usr/bin/env bash
# Bad input: exit status 2, one line on standard error naming the problem,
# nothing simulated (no trace written).
set -uo pipefail
sim=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
printf '0 keydown enter\n5 keydwn space\n' > "$dir/bad.script"
failures=0
expect2() {
  local what=$1; shift
  local err
  err=$("$@" 2>&1 >/dev/null); local rc=$?
  local lines
  lines=$(printf '%s\n' "$err" | wc -l)
  if [ $rc -ne 2 ] || [ "$lines" -ne 1 ] || ! grep -q -- "$what" <<<"$err"; then
    echo "FAIL: $* -> status $rc, stderr: $err"; failures=$((failures + 1))
  fi
}
expect2 "--frames" "$sim" --frames abc
expect2 "--frames" "$sim" --frames
expect2 "--seed" "$sim" --seed -4
expect2 "--wobble" "$sim" --wobble
expect2 "bad.script:2" "$sim" --script "$dir/bad.script" --trace "$dir/t"
expect2 "missing.script" "$sim" --script "$dir/missing.script"
expect2 "--assets" "$sim" --assets "$dir/none"
expect2 "nodir/t" "$sim" --trace "$dir/nodir/t"
[ ! -e "$dir/t" ] || { echo "FAIL: a trace was written for a bad script"; failures=$((failures + 1)); }
"$sim" --frames 3 >/dev/null || { echo "FAIL: a good run did not exit 0"; failures=$((failures + 1)); }
"$sim" --help | grep -q -- "--dump-frames" || { echo "FAIL: --help"; failures=$((failures + 1)); }
[ $failures -eq 0 ] && echo "bad input refused as expected"
exit $failures
