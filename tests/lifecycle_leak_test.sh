#!/bin/sh
# Runs lifecycle_leak_test under a leak checker and holds what the checker
# finds lost against what the design keeps: one function table per context,
# allocated when the host creates the context.  Any other lost memory, a
# memory error or a run that did not complete fails the test.
#
#   lifecycle_leak_test.sh valgrind COMMAND...   COMMAND runs the program under
#       valgrind --leak-check=full; every table must show up as definitely or
#       possibly lost (a stale pointer into a table makes it "possibly").
#   lifecycle_leak_test.sh lsan COMMAND...       COMMAND runs the program built
#       with LeakSanitizer, which takes any pointer into a block for a
#       reference, so tables pointed into stay unreported.
set -eu
mode=$1
shift
log=$(mktemp)
trap 'rm -f "$log"' EXIT

status=0
"$@" >"$log" 2>&1 || status=$?
fail() {
  cat "$log"
  echo "lifecycle_leak_test: $*" >&2
  exit 1
}
[ "$status" -eq 0 ] || fail "the run ended with status $status"

# "function tables: 1440 bytes in 12 blocks"
kept=$(sed -n 's/^function tables: \([0-9]*\) bytes in \([0-9]*\) blocks$/\1 \2/p' "$log")
[ -n "$kept" ] || fail "the program did not state its function tables"
if [ "$mode" = valgrind ]; then
  grep -q '^==[0-9]*== ERROR SUMMARY: 0 errors' "$log" || fail "valgrind found memory errors"
fi

# Each loss record: a header line with its bytes and blocks, then the stack
# that allocated them, up to a blank line.  Prints "<table bytes> <table
# blocks> <other records>".
found=$(tr -d , <"$log" | awk -v mode="$mode" -v kept="$kept" '
  BEGIN { split(kept, k, " "); tableSize = k[1] / k[2] }
  function close_record() {
    if (!open) return
    if (table && bytes == blocks * tableSize) { tableBytes += bytes; tableBlocks += blocks }
    else { others++; print "lost, not a function table: " header > "/dev/stderr" }
    open = 0
  }
  mode == "valgrind" && / are (definitely|indirectly|possibly) lost in loss record / {
    close_record(); open = 1; table = 0; header = $0
    sub(/^==[0-9]+== /, ""); bytes = $1; blocks = $4; next
  }
  mode == "lsan" && /^(Direct|Indirect) leak of [0-9]+ byte\(s\) in [0-9]+ object\(s\)/ {
    close_record(); open = 1; table = 0; header = $0; bytes = $4; blocks = $7; next
  }
  open && /velmora::host::Extension::createContext/ { table = 1 }
  open && (/^==[0-9]+== *$/ || /^$/) { close_record() }
  END { close_record(); printf "%d %d %d\n", tableBytes, tableBlocks, others + 0 }
') || fail "cannot read the leak report"
set -- $found $kept
table_bytes=$1 table_blocks=$2 others=$3 kept_bytes=$4 contexts=$5

sed -n '/ contexts, /p' "$log"
echo "function tables lost: $table_bytes bytes in $table_blocks blocks" \
  "(created: $contexts, $((kept_bytes / contexts)) bytes each); other records lost: $others"
[ "$others" -eq 0 ] || fail "memory other than function tables was lost"
if [ "$mode" = valgrind ]; then
  [ "$table_blocks" -eq "$contexts" ] || fail "expected all $contexts function tables lost"
else
  [ "$table_blocks" -le "$contexts" ] || fail "more tables lost than contexts created"
fi
