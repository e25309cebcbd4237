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
# Bad records: each refused with the file and the line at fault, through
# --replay and through --script alike, and nothing simulated.
good='# pako-record 1\n# seed 7\n# timer recorded\n3 keydown enter\n9 keyup enter\n# end 20\n'
printf "$good" > "$dir/good.record"
: > "$dir/empty.record"
printf "$good" | head -c $(( $(printf "$good" | wc -c) - 12 )) > "$dir/cut.record"
printf '# pako-record 2\n# seed 7\n# timer recorded\n' > "$dir/version.record"
printf '# pako-record 1\n# timer recorded\n3 keydown enter\n' > "$dir/noseed.record"
printf '# pako-record 1\n# seed 99999999999\n# timer recorded\n' > "$dir/bigseed.record"
printf '# pako-record 1\n# seed 7\n3 keydown enter\n' > "$dir/notimer.record"
printf '# pako-record 1\n# seed 7\n# timer recorded\n9 keydown enter\n3 keyup enter\n' > "$dir/back.record"
printf '# pako-record 1\n# seed 7\n# timer recorded\n2000000000000 keyup enter\n' > "$dir/far.record"
head -c 600 /dev/urandom | tr -d '\n' > "$dir/garbage.record"; printf '\x89PNG\n' | cat - "$dir/garbage.record" > "$dir/garbage2.record"
expect2 "missing.record" "$sim" --replay "$dir/missing.record" --trace "$dir/t"
expect2 "empty.record:1" "$sim" --replay "$dir/empty.record" --trace "$dir/t"
expect2 "cut.record:5" "$sim" --replay "$dir/cut.record" --trace "$dir/t"
expect2 "version.record:1" "$sim" --replay "$dir/version.record" --trace "$dir/t"
expect2 "noseed.record:3" "$sim" --replay "$dir/noseed.record" --trace "$dir/t"
expect2 "bigseed.record:2" "$sim" --replay "$dir/bigseed.record" --trace "$dir/t"
expect2 "notimer.record:3" "$sim" --replay "$dir/notimer.record" --trace "$dir/t"
expect2 "back.record:5" "$sim" --replay "$dir/back.record" --trace "$dir/t"
expect2 "far.record:4" "$sim" --replay "$dir/far.record" --trace "$dir/t"
expect2 "garbage2.record:1" "$sim" --replay "$dir/garbage2.record" --trace "$dir/t"
expect2 "back.record:5" "$sim" --script "$dir/back.record" --trace "$dir/t"
expect2 "bad.script:1" "$sim" --replay "$dir/bad.script" --trace "$dir/t"
[ ! -e "$dir/t" ] || { echo "FAIL: a trace was written for a bad script"; failures=$((failures + 1)); }
# The good record replays with its own seed, no automatic ticks, to its end.
frames=$("$sim" --replay "$dir/good.record" --trace - | wc -l)
[ "$frames" -eq 21 ] || { echo "FAIL: the good record ran $frames frames, not 21"; failures=$((failures + 1)); }
"$sim" --replay "$dir/good.record" --trace - | sed -n 21p | grep -q '"blink":0' ||
  { echo "FAIL: automatic ticks in a replay"; failures=$((failures + 1)); }
cmp -s <("$sim" --replay "$dir/good.record" --trace -) \
       <("$sim" --script "$dir/good.record" --trace -) ||
  { echo "FAIL: --script does not honour a record's header"; failures=$((failures + 1)); }
cmp -s <("$sim" --replay "$dir/good.record" --trace -) \
       <(grep -v '^#' "$dir/good.record" | "$sim" --script - --seed 7 --no-timer --frames 21 --trace -) ||
  { echo "FAIL: a record is not its script with its seed and no automatic ticks"; failures=$((failures + 1)); }
"$sim" --frames 3 >/dev/null || { echo "FAIL: a good run did not exit 0"; failures=$((failures + 1)); }
"$sim" --help | grep -q -- "--dump-frames" || { echo "FAIL: --help"; failures=$((failures + 1)); }
[ $failures -eq 0 ] && echo "bad input refused as expected"
exit $failures
