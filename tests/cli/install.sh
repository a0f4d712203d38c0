#!/usr/bin/env bash
# Installs the build into a temporary prefix, moves the prefix elsewhere, and runs the installed
# qor there with none of the variables that could point it at the build or the sources: it must
# load its modules, read its own message tables and assign its own sample library.
set -u
build=$1
work=$(mktemp -d); trap 'rm -rf "$work"' EXIT
cmake --install "$build" --prefix "$work/first" >"$work/install.out" 2>&1 || { cat "$work/install.out"; exit 1; }
mv "$work/first" "$work/moved"   # nothing may depend on where it was installed
prefix=$work/moved
# A message of the installed table is changed, to show that this table is the one read (a later
# line for a number replaces the earlier one).
printf '502\t%%3zInstalled tables read.\n' >>"$prefix/share/velmora/messages/598.msg"
printf 'proc zozu;\nrun;\n' >"$work/run.qor"
cd "$work"
env -u QOR_MODULE_PATH -u QOR_MESSAGES -u RISKSAMP -u QORROOT -u LD_LIBRARY_PATH \
  "$prefix/bin/qor" --msgids --log "$work/log" run.qor >"$work/print" 2>&1
status=$?
fail() { echo "FAIL: $1"; echo "--- log"; cat "$work/log"; echo "--- output"; cat "$work/print"; exit 1; }
[ "$status" = 0 ] || fail "exit status $status"
grep -q "598/502 NOTE: Installed tables read." "$work/log" || fail "the installed message table was not read"
grep -q "WARNING\|ERROR" "$work/log" && fail "the run logged a warning or an error"
[ -f "$prefix/share/velmora/samples/risk/currencies.qor7bdat" ] || fail "no sample currency data set"
exit 0
