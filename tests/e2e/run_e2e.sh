#!/usr/bin/env bash
# Runs qor programs and compares each one's log and printed output with the .expected file
# beside it, which must exist, and its exit status with the .status file (0 when there is none).
# The argument is one program, run in a fresh directory holding a copy of data/ with an empty
# data/scratch/, so programs may write there and runs never share files; or a scenario
# directory (tests/e2e/scenarios/<name>/) whose programs run in name order, each a new process,
# in one such directory, so that later programs find what earlier ones stored. A scenario's
# data/ is its own when it has one, else the one of tests/e2e/.
set -u
qor=$1; target=$2
work=$(mktemp -d); trap 'rm -rf "$work"' EXIT
mkdir -p "$work/run"
if [ -d "$target" ]; then
  dir=$(cd "$target" && pwd)
  programs=$(ls "$dir"/*.qor | sort)
  data="$dir/data"; [ -d "$data" ] || data="$dir/../../data"
else
  dir=$(cd "$(dirname "$target")" && pwd)
  programs="$dir/$(basename "$target")"
  data="$dir/data"
fi
[ -d "$data" ] && cp -r "$data" "$work/run/data"
rm -rf "$work/run/data/scratch"; mkdir -p "$work/run/data/scratch"
# The engine reads these at start-up: every run sees the same machine without them, and qor
# then assigns RISKSAMP to the sample library of the build. QORUSER keeps profiles in the run.
unset RISKSAMP QORROOT DEZERIVO SEARCH_PATH AUDIT_FILE PWPATH
export QORUSER="$work/run/qoruser"
failed=0
for prog in $programs; do
  base=$(basename "$prog" .qor)
  expected="$dir/$base.expected"
  cp "$prog" "$work/run/$base.qor"
  (cd "$work/run" && "$qor" --msgids --log "$work/log" --print "$work/print" "$base.qor" >"$work/stdout" 2>&1)
  status=$?
  # Paths of the run's directory differ from run to run: they are shown as <run>.
  { echo "--- log"; cat "$work/log"; echo "--- print"; cat "$work/print"; cat "$work/stdout"; } |
    sed "s#$work/run#<run>#g" >"$work/out"
  want_status=0
  [ -f "$dir/$base.status" ] && want_status=$(cat "$dir/$base.status")
  if [ "$status" != "$want_status" ]; then
    echo "$base: exit status $status, expected $want_status"; cat "$work/out"; failed=1; continue
  fi
  if [ ! -f "$expected" ]; then
    echo "no $expected: a case without its expected output cannot pass"; cat "$work/out"; exit 1
  fi
  if ! diff -u "$expected" "$work/out"; then failed=1; fi
done
exit $failed
