#!/usr/bin/env bash
# Runs one qor program and compares its log and listing with the .expected file beside it.
# Usage: run_e2e.sh QOR PROGRAM.qor. Lines of the expected file are matched in order.
set -u
qor=$1; prog=$2
dir=$(dirname "$prog"); base=$(basename "$prog" .qor)
expected="$dir/$base.expected"
work=$(mktemp -d); trap 'rm -rf "$work"' EXIT
cd "$dir"
"$qor" --msgids "$prog" >"$work/out" 2>&1
status=$?
want_status=0
[ -f "$dir/$base.status" ] && want_status=$(cat "$dir/$base.status")
if [ "$status" != "$want_status" ]; then
  echo "exit status $status, expected $want_status"; cat "$work/out"; exit 1
fi
if [ -f "$expected" ]; then
  if ! diff -u "$expected" "$work/out"; then exit 1; fi
fi
exit 0
