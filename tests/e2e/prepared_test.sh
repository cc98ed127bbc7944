#!/usr/bin/env bash
# Started with a settings file: its rectangle, alpha, colours and modes are
# on the screen from the first second.
. "$(dirname "$0")/lib.sh"

# Foreground blue, background red (COLORREF is 0x00BBGGRR), digital, on top.
printf '%s\r\n' Analog=0 OnTop=1 BGTransparent=0 Opacy=150 ColFG=16711680 ColBG=255 \
  Top=100 Left=200 Right=420 Bottom=330 >Lumivane.ini
cp Lumivane.ini prepared.ini
start_beneath "$UNDER" 0 0 1024 768
start_clock

loaded() { [ "$(info rect)" = "200 100 420 330" ] && [ "$(info alpha)" = 150 ]; }
poll 1 loaded || fail "one second after the start: rect $(info rect), alpha $(info alpha)"
[ "$(info topmost)" = 1 ] || fail "OnTop=1 did not make the window topmost"
[ "$(info transparent)" = 0 ] || fail "a loaded OnTop=1 made the window click-through"

BACK=$(blend "255 0 0" 150 "$UNDER_RGB")
INK=$(blend "0 0 255" 150 "$UNDER_RGB")
# The client area starts 4 pixels right of and 23 below the window's corner.
X=204 Y=123 W=212 H=203
shot
[ "$(count_near $((X + 2)) $((Y + 2)) 20 20 "$BACK")" = 400 ] ||
  fail "the background is not red at alpha 150: ($(pixel $((X + 5)) $((Y + 5)))), expected about ($BACK)"
# The title bar's icon, 6 pixels right of and 5 below the window's corner,
# is the face in its own colours: mostly its red background (an icon made
# wholly of exclusive-or pixels would mix it with the caption instead).
icon=$(count_near 206 105 16 16 "$BACK")
[ "$icon" -gt 128 ] || fail "the title bar's icon is not the red face: $icon of 256 pixels near ($BACK), ($(pixel 210 108)) at 210,108"
# Wine hands the window's icons to the Linux desktop as _NET_WM_ICON (width,
# height, then ARGB pixels, per image): the small and the large icon, each an
# image of the face at its own size, its red opaque over more than half.
xprop -id "$CLOCK_XID" -notype -format _NET_WM_ICON 32c _NET_WM_ICON | tr -d '\n ' |
  sed 's/^[^=]*=//' | tr ',' '\n' >"$WORK/icons"
published=$(awk 'i == 0 { w = $1; i = -1; next }
  i == -1 { n++; size[n] = w "x" $1; i = w * $1; half[n] = i / 2; next }
  { red[n] += ($1 == 4294901760); i-- }
  END { for (k = 1; k <= n; k++) print size[k], (red[k] > half[k] ? "face" : "not the face:" red[k] + 0) }' \
  "$WORK/icons" | sort | tr '\n' ' ')
[ "$published" = "16x16 face 32x32 face " ] ||
  fail "the icons Wine publishes (size, and whether it is the red face): $published"
# Digital: nothing drawn in the upper fifth (where the analog face has its 12),
# and blue text across the middle.
top=$(count_near $((X + 5)) $((Y + 5)) $((W - 10)) $((H / 5)) "$BACK")
[ "$top" = $(( (W - 10) * (H / 5) )) ] || fail "the upper part of the face is not plain background: not the digital face"
ink=$(count_near "$X" $((Y + H / 2 - 10)) "$W" 20 "$INK" 12)
[ "$ink" -gt 50 ] || fail "no blue text across the middle of the face (found $ink pixels of ($INK))"
cmp -s Lumivane.ini prepared.ini || fail "starting changed the settings file"
echo "the prepared rectangle, alpha, colours and digital mode show from the start"
