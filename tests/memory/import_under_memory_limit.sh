#!/bin/bash
# PROC IMPORT of a 55 MB CSV file under a 200 MB address-space limit: qor either imports it or
# ends with a message and a non-zero code, never with a signal.
# Usage: import_under_memory_limit.sh QOR
set -u
qor=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/lib"
awk 'BEGIN { print "name,amount,count"
             for (i = 0; i < 2300000; i++) printf "name%07d,%d.%03d,%d\n", i, i % 9973, i % 1000, i % 77 }' \
    > "$work/big.csv"
cat > "$work/import.qor" <<PROGRAM
libname m '$work/lib';
proc import datafile='$work/big.csv' out=m.big dbms=csv replace; run;
PROGRAM
(ulimit -v 200000; exec "$qor" "$work/import.qor") > "$work/out" 2>&1
rc=$?
cat "$work/out"
if [ "$rc" -ge 128 ]; then
    echo "FAIL: qor ended with signal $((rc - 128))"
    exit 1
fi
if [ "$rc" -ne 0 ] && ! grep -q '^ERROR: ' "$work/out"; then
    echo "FAIL: qor ended with code $rc and no error message"
    exit 1
fi
echo "ok: code $rc"
