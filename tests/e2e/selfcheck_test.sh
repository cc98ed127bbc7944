#!/usr/bin/env bash
# The self-check, run as someone with Windows would run it, here under Wine
# against the 64-bit exe: it must end with 0, and every check named in
# selfcheck/passes-under-wine.txt must PASS. The others print INFO here, for
# the reason their lines give.
LIST=$(cd "$(dirname "$0")/../.." && pwd)/selfcheck/passes-under-wine.txt
. "$(dirname "$0")/lib.sh"
[ -f "$BIN/selfcheck.exe" ] || fail "build selfcheck.exe in $BIN first"

rc=0
start=$(date +%s)
"$WINE" "$BIN/selfcheck.exe" "Z:${EXE//\//\\}" --quick >out.txt 2>&1 || rc=$?
took=$(( $(date +%s) - start ))
tr -d '\r' <out.txt
[ -f selfcheck-report.txt ] || fail "no selfcheck-report.txt in the current folder"
cmp -s <(tr -d '\r' <out.txt) <(tr -d '\r' <selfcheck-report.txt) || fail "the report file differs from what was printed"
[ "$rc" = 0 ] || fail "the self-check ended with exit code $rc"
ls selfcheck-pictures/*.bmp >/dev/null 2>&1 || fail "no pictures in selfcheck-pictures"

missing=0
while read -r name; do
  case $name in ''|'#'*) continue ;; esac
  grep -q "^PASS $name " selfcheck-report.txt || { echo "FAIL: $name no longer passes under Wine" >&2; missing=1; }
done <"$LIST"
[ "$missing" = 0 ] || fail "checks listed in $LIST did not pass"
tr -d '\r' <selfcheck-report.txt | sed -n 's/^PASS \([^ ]*\) .*/\1/p' | while read -r name; do
  grep -qx "$name" "$LIST" || note "$name passes now but is not in $LIST: add it"
done
# The quick run is meant to take under 30 s.
[ "$took" -le 30 ] || fail "the quick run took $took s"
echo "the self-check passed under Wine in $took s"
