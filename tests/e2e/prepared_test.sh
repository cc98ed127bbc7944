#!/usr/bin/env bash
# Started with a settings file: its rectangle, alpha, colours and modes are
# on the screen from the start.
. "$(dirname "$0")/lib.sh"

# Foreground blue, background red (COLORREF is 0x00BBGGRR), digital, on top.
printf '%s\r\n' Analog=0 OnTop=1 BGTransparent=0 Opacy=150 ColFG=16711680 ColBG=255 \
  Top=100 Left=200 Right=420 Bottom=330 >Lumivane.ini
cp Lumivane.ini prepared.ini
start_beneath "$UNDER" 0 0 1024 768
start_clock

# Rectangle, alpha, topmost and click-through, read together by one
# clockctl run: each run is a process of its own, so separate runs read
# separate moments, and one that failed read nothing.
loaded() {
  seen=$(ctl info | tr -d '\r' | sed -n 's/^\(rect\|alpha\|topmost\|transparent\)=//p' | tr '\n' ' ')
  [ "$seen" = "200 100 420 330 150 1 0 " ]
}
poll 5 loaded || fail "the window should be at 200 100 420 330, at alpha 150, topmost and not" \
  "click-through (OnTop=1 loaded sets topmost only); rect, alpha, topmost, click-through: $seen"

BACK=$(blend "255 0 0" 150 "$UNDER_RGB")
INK=$(blend "0 0 255" 150 "$UNDER_RGB")
# The client area and the caption as the loaded window has them.
measure_clock
X=$CLIENT_X Y=$CLIENT_Y W=$CLIENT_W H=$CLIENT_H
# The title shows the time before the first pass has painted the face, and
# the compositor draws a moment later: wait for the screen to show it.
red_background() { shot; [ "$(count_near $((X + 2)) $((Y + 2)) 20 20 "$BACK")" = 400 ]; }
poll 5 red_background ||
  fail "the background is not red at alpha 150: ($(pixel $((X + 5)) $((Y + 5)))), expected about ($BACK)"
# The title bar's icon, 2 pixels right of the client area and centred on the
# caption, is the face in its own colours: mostly its red background (an
# icon made wholly of exclusive-or pixels would mix it with the caption
# instead).
IX=$((X + 2)) IY=$((CAPTION_Y - 8))
red_icon() { shot; icon=$(count_near "$IX" "$IY" 16 16 "$BACK"); [ "$icon" -gt 128 ]; }
poll 5 red_icon ||
  fail "the title bar's icon is not the red face: $icon of 256 pixels near ($BACK), ($(pixel $((IX + 4)) $((IY + 3)))) at $((IX + 4)),$((IY + 3))"
# Wine hands the window's icons to the Linux desktop as _NET_WM_ICON (width,
# height, then ARGB pixels, per image): the small and the large icon, each an
# image of the face at its own size, its red opaque over more than half.
published() {
  xprop -id "$CLOCK_XID" -notype -format _NET_WM_ICON 32c _NET_WM_ICON | tr -d '\n ' |
    sed 's/^[^=]*=//' | tr ',' '\n' >"$WORK/icons"
  icons=$(awk 'i == 0 { w = $1; i = -1; next }
    i == -1 { n++; size[n] = w "x" $1; i = w * $1; half[n] = i / 2; next }
    { red[n] += ($1 == 4294901760); i-- }
    END { for (k = 1; k <= n; k++) print size[k], (red[k] > half[k] ? "face" : "not the face:" red[k] + 0) }' \
    "$WORK/icons" | sort | tr '\n' ' ')
  [ "$icons" = "16x16 face 32x32 face " ]
}
poll 5 published || fail "the icons Wine publishes (size, and whether it is the red face): $icons"
# Digital: nothing drawn in the upper fifth (where the analog face has its 12),
# and blue text across the middle.
plain_top() {
  shot
  top=$(count_near $((X + 5)) $((Y + 5)) $((W - 10)) $((H / 5)) "$BACK")
  [ "$top" = $(( (W - 10) * (H / 5) )) ]
}
poll 5 plain_top || fail "the upper part of the face is not plain background ($top pixels of it are): not the digital face"
blue_text() { shot; ink=$(count_near "$X" $((Y + H / 2 - 10)) "$W" 20 "$INK" 12); [ "$ink" -gt 50 ]; }
poll 5 blue_text || fail "no blue text across the middle of the face (found $ink pixels of ($INK))"
cmp -s Lumivane.ini prepared.ini || fail "starting changed the settings file"
echo "the prepared rectangle, alpha, colours and digital mode show from the start"
