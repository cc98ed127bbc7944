#!/usr/bin/env bash
# Started without a settings file: the clock opens at the top-left corner at
# 186 x 194, ticks in its title and blends its face at alpha 200.
. "$(dirname "$0")/lib.sh"

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

expect_pixel 250 250 "$UNDER_RGB" "the helper window beside the clock"
expect_pixel 10 32 "$(blend "245 245 245" 200 "$UNDER_RGB")" "the clock's background at alpha 200 over the helper"
# Just right of and below the window the helper shows again.
expect_pixel 190 60 "$UNDER_RGB" "right of the clock"
expect_pixel 60 198 "$UNDER_RGB" "below the clock"
echo "the clock opened at the top-left corner, ticking, blended at alpha 200"
