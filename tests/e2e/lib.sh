# shellcheck shell=bash
# Shared by the end-to-end scripts: the real clock under the display that
# ctest was given, driven with xdotool, read with screenshots, clockctl and
# the files it writes. Source it with the build directory as $1.
set -euo pipefail

BIN=${1:?usage: $0 BUILD_DIR}
# The Wine and the clock under test: ctest gives them (Wine 8 or 10; the
# build's own exe or the shipped one).
WINE=${LUMIVANE_WINE:-/usr/lib/wine/wine64}
EXE=${LUMIVANE_EXE:-$BIN/Lumivane.exe}
CTL=$BIN/clockctl.exe
# Our helper's window beneath the clock, and what the button face (245) at
# the default alpha of 200 reads over it. Used by the scripts that source this.
# shellcheck disable=SC2034
UNDER=2040C0
# shellcheck disable=SC2034
UNDER_RGB="32 64 192"

fail() { echo "FAIL: $*" >&2; exit 1; }
note() { echo "-- $*"; }

[ -n "${DISPLAY:-}" ] || fail "no DISPLAY: the end-to-end tests need an X display with a compositor (run them through ./dev test)"
xdotool getdisplaygeometry >/dev/null 2>&1 || fail "cannot open the X display $DISPLAY"
[ -x "$WINE" ] || fail "no Wine loader at $WINE"
note "$($WINE --version 2>/dev/null | tr -d '\r'), $EXE"
[ -f "$EXE" ] && [ -f "$CTL" ] || fail "build Lumivane.exe and clockctl.exe in $BIN first"

WORK=$(mktemp -d /tmp/lumivane-e2e.XXXXXX)
cd "$WORK"
STARTED=()
CLOCK_PID=
cleanup() {
  local p
  for p in "${STARTED[@]}" ${CLOCK_PID:+"$CLOCK_PID"}; do kill "$p" 2>/dev/null || true; done
  for p in "${STARTED[@]}"; do wait "$p" 2>/dev/null || true; done
  # The clock need not be a child of this shell (see start_clock).
  [ -z "$CLOCK_PID" ] || poll 10 gone "$CLOCK_PID" || echo "the clock $CLOCK_PID outlived the test" >&2
  rm -rf "$WORK"
}
trap cleanup EXIT

ctl() { "$WINE" "$CTL" "$@"; }

# poll SECONDS COMMAND...: true as soon as COMMAND succeeds, false after SECONDS.
poll() {
  local end=$(( $(date +%s%N) + $1 * 1000000000 )); shift
  until "$@"; do
    [ "$(date +%s%N)" -lt "$end" ] || return 1
    sleep 0.1
  done
}
gone() { ! kill -0 "$1" 2>/dev/null; }

# start_beneath RRGGBB X Y W H [CLICKLOG]: our own window, made before the
# clock so that it lies below it both for clicks and on the screen.
start_beneath() {
  local log=${6:-}
  "$WINE" "$CTL" beneath "$1" "$2" "$3" "$4" "$5" 60 ${log:+"$WORK/$log"} >"$WORK/beneath.out" &
  STARTED+=($!)
  poll 10 grep -q ready "$WORK/beneath.out" || fail "the helper window beneath the clock did not open"
  poll 5 xdotool search --name '^beneath$' >/dev/null || fail "the helper window is not on the display"
}

# start_clock: the real exe in the working directory. LOADER_PID is the
# process started here, whose exit code is the clock's; CLOCK_PID is the
# clock's own process, which differs where Wine 10 starts a 32-bit exe
# through start.exe; CLOCK_XID is its X window.
start_clock() {
  "$WINE" "$EXE" &
  LOADER_PID=$!
  STARTED+=("$LOADER_PID")
  ctl wait 15000 >/dev/null || fail "the clock window did not appear"
  poll 5 clock_xid >/dev/null || fail "the clock has no X window"
  CLOCK_XID=$(clock_xid)
  CLOCK_PID=$(xprop -id "$CLOCK_XID" _NET_WM_PID | sed -n 's/^.* = \([0-9]*\)$/\1/p')
  [ -n "$CLOCK_PID" ] && kill -0 "$CLOCK_PID" || fail "the clock's X window names no live process: '$CLOCK_PID'"
  measure_clock
}
clock_xid() { local x; x=$(info xwindow); [ -n "$x" ] && [ "$x" != 0 ] && echo "$x"; }
# wait_clock: waits for the clock to end; CLOCK_RC is then its exit code.
# shellcheck disable=SC2034 # read by the scripts that source this
wait_clock() { CLOCK_RC=0; wait "$LOADER_PID" || CLOCK_RC=$?; }

# measure_clock: where the window and its client area lie on the screen,
# from the window itself (Wine 8's title bar is 23 pixels high, Wine 10's
# 30): WIN_X WIN_Y, CLIENT_X CLIENT_Y CLIENT_W CLIENT_H, CAPTION_Y, a row
# through the middle of the caption, and BG_X BG_Y, a point of the
# background near the client area's corner, away from the face.
# shellcheck disable=SC2034 # used by the scripts that source this
measure_clock() {
  local r b
  read -r WIN_X WIN_Y r b <<<"$(info rect)"
  read -r CLIENT_X CLIENT_Y r b <<<"$(info client)"
  [ -n "$b" ] || fail "clockctl info gives no client area"
  CLIENT_W=$(( r - CLIENT_X )) CLIENT_H=$(( b - CLIENT_Y ))
  # The frame is as thick above the caption as beside the client area.
  CAPTION_Y=$(( (WIN_Y + CLIENT_X - WIN_X + CLIENT_Y) / 2 ))
  BG_X=$(( CLIENT_X + 6 )) BG_Y=$(( CLIENT_Y + 9 ))
}

# info KEY: one field of `clockctl info` (title, rect, alpha, topmost, ...).
info() { ctl info | tr -d '\r' | sed -n "s/^$1=//p"; }

# The clock's other top-level windows (menus, the slider, message boxes).
has_window() { ctl windows | tr -d '\r' >"$WORK/windows"; grep -q -- "$1" "$WORK/windows"; }
no_window() { ! has_window "$1"; }

# The keyboard goes to the X focus; without a window manager a click does not
# move it, so give it to the clock as a window manager would on that click.
# Two caption clicks within the double-click time (500 ms) would maximise the
# clock, so a click that follows the last one closely waits a little first.
LAST_CAPTION_CLICK=0
activate_clock() {
  local wait=$(( LAST_CAPTION_CLICK + 600000000 - $(date +%s%N) ))
  [ "$wait" -le 0 ] || sleep "0.$(printf '%09d' "$wait")"
  xdotool mousemove $(( CLIENT_X + CLIENT_W / 2 )) "$CAPTION_Y" click 1
  LAST_CAPTION_CLICK=$(date +%s%N)
  xdotool windowfocus "$CLOCK_XID"
}

open_menu() {
  activate_clock
  xdotool key alt+space
  poll 5 has_window '#32768' || fail "Alt+Space opened no system menu"
}
# menu KEYS...: open the system menu with Alt+Space and walk it.
menu() {
  open_menu
  xdotool key --delay 50 "$@"
  poll 5 no_window '#32768' || fail "the menu did not close after: $*"
}

shot() { import -window root "$WORK/shot.png"; }
# pixel X Y: "R G B" of the last screenshot.
pixel() {
  convert "$WORK/shot.png" -crop "1x1+$1+$2" -depth 8 txt:- |
    sed -n '2s/^[^(]*(\([0-9]*\),\([0-9]*\),\([0-9]*\).*/\1 \2 \3/p'
}
# blend "R G B" ALPHA "R G B": the colour drawn at ALPHA over the second one.
blend() {
  local a b out=() i
  read -ra a <<<"$1"; read -ra b <<<"$3"
  for i in 0 1 2; do out+=($(( (a[i] * $2 + b[i] * (255 - $2) + 127) / 255 ))); done
  echo "${out[*]}"
}
# near "R G B" "R G B" [TOL]: every channel within TOL (default 4).
near() {
  local a b i d
  read -ra a <<<"$1"; read -ra b <<<"$2"
  for i in 0 1 2; do
    d=$(( a[i] - b[i] )); [ "${d#-}" -le "${3:-4}" ] || return 1
  done
}
# count_near X Y W H "R G B" [TOL]: how many pixels of that part of the last
# screenshot are near the colour.
count_near() {
  convert "$WORK/shot.png" -crop "$3x$4+$1+$2" -depth 8 txt:- |
    awk -v want="$5" -v tol="${6:-4}" -F'[(),]+' '
      function d(a, b) { return a > b ? a - b : b - a }
      BEGIN { split(want, w, " ") }
      NR > 1 && d($3, w[1]) <= tol && d($4, w[2]) <= tol && d($5, w[3]) <= tol { n++ }
      END { print n + 0 }'
}
# pixel_near X Y "R G B" [TOL], with a fresh screenshot.
pixel_near() { shot; near "$(pixel "$1" "$2")" "$3" "${4:-4}"; }
# expect_pixel X Y "R G B" WHAT: wait for the screen to show it.
expect_pixel() {
  poll 5 pixel_near "$1" "$2" "$3" ||
    fail "$4: the pixel at $1,$2 is ($(pixel "$1" "$2")), expected about ($3) (is a compositor such as xcompmgr running?)"
}
