#!/usr/bin/env bash
# `./dev run` without a display: it must leave a screenshot that shows the
# clock at the top-left corner, its button-face background blended at alpha
# 200 over the grey root window that the compositor paints.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
shot=$root/build/screenshot.png
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
