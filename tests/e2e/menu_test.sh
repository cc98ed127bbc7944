#!/usr/bin/env bash
# The system menu, opened with Alt+Space and walked with the arrow keys and
# Enter: stay on top with clicks passing through to the window beneath,
# digital and back, a transparent background and back, and saving.
. "$(dirname "$0")/lib.sh"

start_beneath "$UNDER" 0 0 1024 768 clicks.log
start_clock
FACE=$(blend "245 245 245" 200 "$UNDER_RGB")
INK=$(blend "1 1 1" 200 "$UNDER_RGB")
# Places on the face, from its client area (the face follows it): the dots
# at 12 and 6 o'clock of the analog face, between which the digital text
# lies, and a point of the face away from them.
DOT_X=$(( CLIENT_X + CLIENT_W * 49 / 100 ))
DOT_TOP=$(( CLIENT_Y + CLIENT_H * 16 / 100 )) DOT_BOTTOM=$(( CLIENT_Y + CLIENT_H * 75 / 100 ))
FACE_X=$(( CLIENT_X + 56 )) FACE_Y=$(( CLIENT_Y + 77 ))
CAP_X=$(( CLIENT_X + CLIENT_W / 2 )) CAP_Y=$CAPTION_Y
dots() { pixel_near "$DOT_X" "$DOT_TOP" "$1" && near "$(pixel "$DOT_X" "$DOT_BOTTOM")" "$1"; }
poll 5 dots "$INK" || fail "the analog face shows no dots at 12 and 6 o'clock"
# A click that must not arrive: a second for it to show up in the log anyway.
no_click() { xdotool mousemove "$FACE_X" "$FACE_Y" click 1; ! poll 1 test -s clicks.log; }

note "Stay on top and be unclickable"
no_click || fail "a click on the face reached the window beneath before the mode was on"
menu Down Return
poll 5 eval '[ "$(info topmost) $(info transparent)" = "1 1" ]' ||
  fail "not topmost and click-through: $(ctl info | tr '\r\n' '  ')"
xdotool mousemove "$FACE_X" "$FACE_Y" click 1
poll 5 grep -qx "$FACE_X $FACE_Y" clicks.log || fail "a click on the face did not reach the window beneath"
xdotool mousemove "$CAP_X" "$CAP_Y" click 1
poll 5 grep -qx "$CAP_X $CAP_Y" clicks.log || fail "a click on the title bar did not reach the window beneath"
# So the menu is out of reach of the mouse: switch the mode off from outside.
ctl command 1001
poll 5 eval '[ "$(info topmost) $(info transparent)" = "0 0" ]' ||
  fail "choosing the mode again left: $(ctl info | tr '\r\n' '  ')"
: >clicks.log
no_click || fail "with the mode off again a click still passed through"

note "Analog off: the digital face"
menu Return
poll 5 dots "$FACE" || fail "after choosing Analog the analog dots are still there"

note "Background transparent: the window beneath shows through"
menu Down Down Return
expect_pixel "$BG_X" "$BG_Y" "$UNDER_RGB" "with a transparent background"

note "Settings, Save settings"
menu Down Down Down Down Down Right Down Return
saved=$'Analog=0\r\nOnTop=0\r\nBGTransparent=1\r\nOpacy=200\r\nColFG=65793\r\nColBG=16119285\r\nTop=0\r\nLeft=0\r\nRight=186\r\nBottom=194\r'
if ! poll 3 test -s Lumivane.ini; then
  save_problem="choosing Settings, Save settings wrote no Lumivane.ini"
  # Tell a lost menu command from a broken save.
  ctl command 1210
  poll 3 test -s Lumivane.ini && save_problem+=", though WM_SYSCOMMAND 1210 sent from outside did:
  the items of the Settings popup do not reach the clock as that command"
fi
if [ -s Lumivane.ini ] && [ "$(cat Lumivane.ini)" != "$saved" ]; then
  save_problem="${save_problem:+$save_problem; }the saved file is not the ten expected lines: $(cat -A Lumivane.ini)"
fi

note "Analog and Background transparent again: both back as before"
menu Return
poll 5 dots "$INK" || fail "choosing Analog again did not bring the analog face back"
menu Down Down Return
expect_pixel "$BG_X" "$BG_Y" "$FACE" "with the background opaque again"

[ -z "${save_problem:-}" ] || fail "$save_problem"
echo "the system menu passed clicks through, switched faces and background, and saved"
