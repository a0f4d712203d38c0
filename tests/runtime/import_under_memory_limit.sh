#!/usr/bin/env bash
# PROC IMPORT of a 55 MB CSV file with the address space limited to 200 MB: the step writes its
# data set, or fails with an error and a non-zero code; it is never ended by a signal.
set -u
qor=$1
work=$(mktemp -d); trap 'rm -rf "$work"' EXIT
cd "$work"
awk 'BEGIN {
  print "id,amount,day,name,rate"
  for (i = 1; i <= 1000000; i++)
    printf "%d,%.2f,2026-%02d-%02d,name number %d,%.6f\n", i, i * 1.37, i % 12 + 1, i % 28 + 1, i, i / 1e7
}' > big.csv
echo 'proc import datafile="big.csv" out=big; run;' > import.qor
echo '%let ready = 1;' > start.qor
ulimit -v 200000
# A sanitizer build reserves more address space than the limit allows before any step runs.
if ! "$qor" --log start.log start.qor >/dev/null 2>&1; then
  echo "qor does not start under the limit (a sanitizer build?): skipped"; exit 77
fi
"$qor" --log import.log import.qor >out 2>&1
status=$?
cat import.log out
if [ "$status" -ge 128 ]; then echo "qor was ended by signal $((status - 128))"; exit 1; fi
if [ "$status" -eq 0 ]; then
  grep -q "NOTE: 1000000 observations and 5 variables were written to WORK.BIG." import.log || exit 1
else
  grep -q "^ERROR: PROC IMPORT" import.log || { echo "failed without a message"; exit 1; }
fi
exit 0
