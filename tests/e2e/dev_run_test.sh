#!/usr/bin/env bash
# `./dev run` without a display: it must leave a screenshot that shows the
# clock at the top-left corner, its button-face background blended at alpha
# 200 over the grey root window that the compositor paints, under a title bar
# that reads right: the time in the title and a cross on the close button,
# read back with OCR. And its exit code is the clock's.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
shot=$root/build/screenshot.png

# Killed while it ticks (dev sleeps before the screenshot once the time
# shows), the clock gives the run bash's 137 for SIGKILL.
descendants() { local p; for p in $(pgrep -P "$1"); do echo "$p"; descendants "$p"; done; }
ticking() {
  clock=$(descendants "$dev" | while read -r p; do grep -qa 'Lumivane\.exe' "/proc/$p/cmdline" 2>/dev/null && echo "$p"; done | sed -n 1p)
  [ -n "$clock" ] && pgrep -P "$dev" -x sleep >/dev/null
}
log=$(mktemp)
env -u DISPLAY LUMIVANE_NO_BUILD=1 "$root/dev" run >"$log" 2>&1 &
dev=$!
for _ in $(seq 900); do ticking && break; kill -0 "$dev" 2>/dev/null || break; sleep 0.1; done
ticking || { cat "$log"; echo "./dev run showed no ticking clock to kill"; exit 1; }
kill -KILL "$clock"
rc=0; wait "$dev" || rc=$?
[ "$rc" = 137 ] || { cat "$log"; echo "./dev run ended with $rc after its clock was killed, not with its 137"; exit 1; }
rm -f "$log"
echo "./dev run ended with the exit code of its killed clock, 137"

rm -f "$shot"
env -u DISPLAY LUMIVANE_NO_BUILD=1 "$root/dev" run
[ -f "$shot" ] || { echo "no screenshot at $shot"; exit 1; }

pixel() {   # prints "R G B" of the screenshot at x y
  convert "$shot" -crop "1x1+$1+$2" -depth 8 txt:- | sed -n '2s/.*(\([0-9]*\),\([0-9]*\),\([0-9]*\).*/\1 \2 \3/p'
}
near() {    # near "R G B" expected tolerance
  read -r r g b <<<"$1"
  local d=$(( (r > $2 ? r - $2 : $2 - r) + (g > $2 ? g - $2 : $2 - g) + (b > $2 ? b - $2 : $2 - b) ))
  [ "$d" -le "$3" ]
}
# 245 (the button face) at 200/255 over 128: 220.
inside=$(pixel 10 32)
outside=$(pixel 400 400)
echo "inside the clock: $inside; outside: $outside"
near "$inside" 220 15 || { echo "the clock's background is not blended at alpha 200 at the top-left"; exit 1; }
near "$outside" 128 6 || { echo "outside the clock the screen should be the root grey"; exit 1; }
# The window is 186 x 194: just right of and below it the root shows again.
near "$(pixel 190 60)" 128 6 || { echo "the clock is wider than 186 pixels"; exit 1; }
near "$(pixel 60 198)" 128 6 || { echo "the clock is taller than 194 pixels"; exit 1; }
echo "screenshot shows the clock at the top-left corner"

# ocr X Y W H TESSERACT-OPTION...: the text in that part of the screenshot,
# made dark on white and large enough for tesseract.
ocr() {
  local geometry="$3x$4+$1+$2"
  shift 4
  convert "$shot" -crop "$geometry" +repage -colorspace Gray -resize 600% -threshold 40% \
    -bordercolor white -border 20 png:- | tesseract stdin - "$@" 2>/dev/null
}
seconds() { IFS=: read -r h m s <<<"$1"; echo $(( 10#$h * 3600 + 10#$m * 60 + 10#$s )); }
title=$(ocr 24 5 100 14 --psm 7 -c tessedit_char_whitelist=0123456789:)
taken=$(date -r "$shot" +%H:%M:%S)
echo "title bar: \"$title\"; screenshot taken at $taken"
[[ $title =~ ^[0-9][0-9]:[0-9][0-9]:[0-9][0-9]$ ]] ||
  { echo "the title does not read as a time: the title bar is not legible"; exit 1; }
# The title lags the clock by up to a tick; the file is written after the capture.
lag=$(( ($(seconds "$taken") - $(seconds "$title") + 86400) % 86400 ))
[ "$lag" -le 5 ] || { echo "the title reads $title, not the time of the screenshot"; exit 1; }
close=$(ocr 164 6 16 14 --psm 10)
[[ $close == [xX] ]] || { echo "the close button reads \"$close\", not a cross (is Marlett missing?)"; exit 1; }
echo "the title bar reads $title and has a cross on its close button"
