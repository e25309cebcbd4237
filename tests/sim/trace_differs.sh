# What a golden-trace check says when the trace differs, sourced by
# check_golden.sh and check_demo.sh:
#   explain_difference GOLDEN.gz ACTUAL "COMMAND" WHAT
# COMMAND writes the trace on standard output; WHAT names the golden file
# for the rule on regenerating it.
explain_difference() {
  local golden=$1 actual=$2 command=$3 what=$4
  local compare
  compare="$(cd "$(dirname "${BASH_SOURCE[0]}")/../model" && pwd)/compare_traces.py"
  {
    echo "FAIL: the trace differs from $golden"
    if python3 "$compare" --max 10 "$golden" "$actual"; then
      # Equal values, other bytes: the trace's writing changed.
      echo "the traces hold the same values but are written differently:"
      cmp "$actual" <(gzip -dc "$golden") || true
    fi
    echo
    echo "Every frame that differs, member by member:"
    echo "  $command | python3 $compare --frames 100000 $golden -"
    echo "A change that was not meant to change the game never regenerates $what:"
    echo "the change is wrong. After a change of behaviour that was meant (HACKING.md,"
    echo "\"Golden files\"; the reference model in tests/model made to agree first):"
    echo "  $command | gzip -9n > $golden"
  } >&2
}
