#!/usr/bin/env bash
# Runs one qor program and compares its log and printed output with the .expected file beside
# it, which must exist, and its exit status with the .status file (0 when there is none). Each
# program runs in a fresh directory holding a copy of data/ with an empty data/scratch/, so
# programs may write there and runs never share files.
set -u
qor=$1; prog=$2
dir=$(cd "$(dirname "$prog")" && pwd); base=$(basename "$prog" .qor)
expected="$dir/$base.expected"
work=$(mktemp -d); trap 'rm -rf "$work"' EXIT
mkdir -p "$work/run"
[ -d "$dir/data" ] && cp -r "$dir/data" "$work/run/data"
rm -rf "$work/run/data/scratch"; mkdir -p "$work/run/data/scratch"
cp "$prog" "$work/run/$base.qor"
cd "$work/run"
# The engine reads these at start-up: every run sees the same machine without them, and qor
# then assigns RISKSAMP to the sample library of the build.
unset RISKSAMP QORROOT DEZERIVO SEARCH_PATH AUDIT_FILE PWPATH
"$qor" --msgids --log "$work/log" --print "$work/print" "$base.qor" >"$work/stdout" 2>&1
status=$?
{ echo "--- log"; cat "$work/log"; echo "--- print"; cat "$work/print"; cat "$work/stdout"; } >"$work/out"
want_status=0
[ -f "$dir/$base.status" ] && want_status=$(cat "$dir/$base.status")
if [ "$status" != "$want_status" ]; then
  echo "exit status $status, expected $want_status"; cat "$work/out"; exit 1
fi
if [ ! -f "$expected" ]; then
  echo "no $expected: a case without its expected output cannot pass"; cat "$work/out"; exit 1
fi
if ! diff -u "$expected" "$work/out"; then exit 1; fi
exit 0
