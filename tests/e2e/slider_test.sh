#!/usr/bin/env bash
# The opacity slider: opened from the menu at the pointer, its thumb dragged
# with the pointer changes the window's alpha on the screen; leaving it after
# a rest closes it.
. "$(dirname "$0")/lib.sh"

start_beneath "$UNDER" 0 0 1024 768
start_clock
expect_pixel "$BG_X" "$BG_Y" "$(blend "245 245 245" 200 "$UNDER_RGB")" "before the slider, at alpha 200"

note "Opacy opens the slider centred on the pointer"
open_menu
xdotool mousemove 500 400
xdotool key --delay 50 Down Down Down Return
poll 5 ctl slider >/dev/null || fail "choosing Opacy opened no slider"
slider() { ctl slider | tr -d '\r' | sed -n "s/^$1=//p"; }
[ "$(slider rect)" = "400 385 600 415" ] || fail "the slider is at $(slider rect), not 200 x 30 centred on 500 400"
[ "$(slider pos)" = 200 ] || fail "the slider opened at $(slider pos), not at the alpha 200"

# The thumb: the columns of a row through its top that differ from the slider's face.
shot
thumb=$(convert "$WORK/shot.png" -crop 190x1+405+391 -depth 8 txt:- | awk -F'[,:() ]+' '
  NR == 2 { face = $3 $4 $5 } NR > 1 && $3 $4 $5 != face { x = $1 + 405; if (!lo) lo = x; hi = x }
  END { if (lo) print int((lo + hi) / 2) }')
[ -n "$thumb" ] || fail "no thumb to be seen on the slider"

note "drag the thumb from $thumb to the left"
xdotool mousemove "$thumb" 398 mousedown 1
for dx in 15 30 45 60 75 90; do xdotool mousemove $((thumb - dx)) 400; sleep 0.05; done
xdotool mouseup 1
# The alpha follows one move behind the thumb: one more move applies where it ended.
xdotool mousemove $((thumb - 91)) 401
settled() { pos=$(slider pos); [ "$(info alpha)" = "$pos" ]; }
poll 5 settled || fail "the alpha $(info alpha) is not the slider's position $(slider pos)"
[ "$pos" -ge 20 ] && [ "$pos" -le 150 ] || fail "dragging the thumb 90 pixels left gave the position $pos"
expect_pixel "$BG_X" "$BG_Y" "$(blend "245 245 245" "$pos" "$UNDER_RGB")" "after the drag, at alpha $pos"

note "rest on the slider, then leave it"
sleep 1   # resting is what arms its closing
xdotool mousemove 500 600
poll 5 eval '! ctl slider >/dev/null 2>&1' || fail "the slider stayed open after the pointer rested and left"
[ "$(info alpha)" = "$pos" ] || fail "closing the slider changed the alpha to $(info alpha)"
echo "the slider set the alpha to $pos, shown on the screen, and closed when left"
