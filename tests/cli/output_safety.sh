#!/usr/bin/env bash
# qor never loses output silently: a program file that is a directory, a log or print file that
# is the program itself (by name, by hard link, or not yet existing), and output to a full device
# each end with a non-zero status and a message on standard error, and the program file is kept.
set -u
qor=$1
work=$(mktemp -d); trap 'rm -rf "$work"' EXIT
cd "$work"
failures=0
printf 'options nogeneric;\nnot_a_statement;\n' > p.qor
printf 'proc options; run;\n' > print.qor
ln p.qor linked.qor
mkdir dir.qor
original=$(cksum < p.qor)

# check NAME WANT_STATUS STDERR_PART -- qor arguments...
check() {
  local name=$1 want=$2 part=$3; shift 4
  "$qor" "$@" >"$work/out" 2>"$work/err"
  local status=$?
  if [ "$status" != "$want" ]; then
    echo "FAIL $name: exit status $status, expected $want"; cat "$work/err"; failures=$((failures + 1))
  elif ! grep -q -- "$part" "$work/err"; then
    echo "FAIL $name: standard error lacks \"$part\""; cat "$work/err"; failures=$((failures + 1))
  fi
  if [ "$(cksum < p.qor)" != "$original" ]; then
    echo "FAIL $name: the program file changed"; failures=$((failures + 1))
    printf 'options nogeneric;\nnot_a_statement;\n' > p.qor
  fi
}

check directory          2 "is a directory"                 -- dir.qor
check log_is_program     2 "log file p.qor is the program"  -- --log p.qor p.qor
check log_by_other_name  2 "is the program file itself"     -- --log ./../"$(basename "$work")"/p.qor p.qor
check print_hard_link    2 "print file linked.qor is the"   -- --print linked.qor p.qor
check log_equals_print   2 "are the same file"              -- --log a.log --print ./a.log p.qor
check log_not_yet_there  2 "is the program file itself"     -- --log new.qor new.qor
[ -e new.qor ] && { echo "FAIL log_not_yet_there: new.qor was created"; failures=$((failures + 1)); }
check log_on_full_device 2 "lost: the file /dev/full"       -- --log /dev/full p.qor
check print_on_full      2 "lost: the file /dev/full"       -- --print /dev/full print.qor
# Standard output on a full device: the printed output is lost.
"$qor" print.qor >/dev/full 2>"$work/err"; status=$?
if [ "$status" != 2 ] || ! grep -q "lost: standard output" "$work/err"; then
  echo "FAIL stdout_on_full: exit status $status"; cat "$work/err"; failures=$((failures + 1))
fi
# The same programs with writable outputs lose nothing.
"$qor" --log ok.log --print ok.lst print.qor 2>"$work/err" || { echo "FAIL writable: $?"; failures=$((failures + 1)); }
[ -s ok.lst ] || { echo "FAIL writable: empty print file"; failures=$((failures + 1)); }
exit $((failures > 0))
