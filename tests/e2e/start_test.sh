#!/usr/bin/env bash
# Started without a settings file: the clock opens at the top-left corner at
# 186 x 194, ticks the local time in its title and blends its face at alpha
# 200.
. "$(dirname "$0")/lib.sh"

# A window of the clock's class that never shows the time is not a started
# clock: waiting for one fails.
"$WINE" "$CTL" stuck 30 >"$WORK/stuck.out" &
stuck=$!
STARTED+=("$stuck")
poll 10 grep -q ready "$WORK/stuck.out" || fail "the stand-in for a stuck clock did not open"
! ctl wait 1000 >/dev/null 2>&1 || fail "clockctl wait took a window whose title shows no time for a started clock"
ctl close
wait "$stuck" || fail "the stand-in for a stuck clock did not close"

start_beneath "$UNDER" 0 0 300 300
start_clock

[ "$(info rect)" = "0 0 186 194" ] || fail "the window should be at 0 0 186 194, it is at $(info rect)"
[ "$(info alpha)" = 200 ] || fail "the alpha should be 200, it is $(info alpha)"
[ -e Lumivane.ini ] && fail "starting wrote a settings file"

first=$(info title)
[[ $first =~ ^[0-2][0-9]:[0-5][0-9]:[0-5][0-9]$ ]] || fail "the title '$first' is not HH:MM:SS"
ticked() { [ "$(info title)" != "$first" ]; }
poll 3 ticked || fail "the title stayed at $first"
[[ $(info title) =~ ^[0-2][0-9]:[0-5][0-9]:[0-5][0-9]$ ]] || fail "the title '$(info title)' is not HH:MM:SS"

# The title is the local time. Under UTC that would not tell it from UTC:
# ./dev test runs the clock half an hour off it, in Asia/Kolkata.
zone=$(date +%z)
[ "$zone" != +0000 ] || fail "the time zone is UTC, so local time cannot be told from UTC: run under ./dev test (TZ=Asia/Kolkata)"
offset=$(( ${zone:0:1}1 * (10#${zone:1:2} * 3600 + 10#${zone:3:2} * 60) ))
before=$(date +%s)
title=$(info title)
after=$(date +%s)
IFS=: read -r h m s <<<"$title"
# The title's second lies between a second before the read and its end.
since=$(( ((10#$h * 3600 + 10#$m * 60 + 10#$s - before - offset + 1) % 86400 + 86400) % 86400 ))
[ "$since" -le $(( after - before + 1 )) ] ||
  fail "the title reads $title, not the local time $(date -d "@$before" +%T) ($zone; UTC $(date -u -d "@$before" +%T))"

expect_pixel 250 250 "$UNDER_RGB" "the helper window beside the clock"
expect_pixel "$BG_X" "$BG_Y" "$(blend "245 245 245" 200 "$UNDER_RGB")" "the clock's background at alpha 200 over the helper"
# Just right of and below the window the helper shows again.
expect_pixel 190 60 "$UNDER_RGB" "right of the clock"
expect_pixel 60 198 "$UNDER_RGB" "below the clock"
echo "the clock opened at the top-left corner, ticking the local time ($zone), blended at alpha 200"
