#!/usr/bin/env bash
# Runs a test command with its output going through files instead of ctest's
# pipes. A Wine program that needs the desktop may start Wine's explorer and
# services, which inherit that output and live on after the test; ctest would
# wait for them as if they were part of the test.
out=$(mktemp) err=$(mktemp)
rc=0
"$@" >"$out" 2>"$err" </dev/null || rc=$?
cat "$out"; cat "$err" >&2
rm -f "$out" "$err"
exit "$rc"
