#!/usr/bin/env bash
# The shipped 32-bit exe under a Wine that runs 32-bit programs: it starts,
# paints, ticks, saves its settings from the system menu and ends with exit
# code 0 on Alt+F4. WINE32 names the loader (default Debian's 32-bit Wine,
# which this kernel runs under qemu emulation; Wine 10's WoW64 loader runs
# it natively). Under emulation every 32-bit process takes about a minute to
# start, so the waits are long. Needs $DISPLAY (with a compositor) and a
# booted $WINEPREFIX that runs 32-bit programs, with its server running.
set -euo pipefail
EXE=${1:?usage: $0 PATH/TO/Lumivane.exe}
: "${DISPLAY:?needs an X display}" "${WINEPREFIX:?needs a booted WINEPREFIX}"
WINE32=${WINE32:-/usr/lib/wine/wine}

SHOT=${LUMIVANE_SMOKE_SHOT:-}
# On failure the screen is kept as a picture when LUMIVANE_SMOKE_SHOT names a file.
fail() {
  echo "FAILED: $*" >&2
  [ -z "$SHOT" ] || { import -window root "$SHOT" && echo "the screen at that moment: $SHOT" >&2; }
  exit 1
}
note() { echo "-- $*"; }
# poll SECONDS COMMAND...: true as soon as COMMAND succeeds, false after SECONDS.
poll() {
  local end=$(( $(date +%s) + $1 )); shift
  until "$@"; do [ "$(date +%s)" -lt "$end" ] || return 1; sleep 1; done
}
# The windows on the display whose title is a time.
time_windows() { xdotool search --name '^[0-9][0-9]:[0-9][0-9]:[0-9][0-9]$' 2>/dev/null || true; }
# The clock's window: one of those that was not there before the start. Its
# _NET_WM_PID names the clock's process, which is not the loader's where the
# loader starts the exe through another program (Wine 10's start.exe).
clock_window() {
  local w
  for w in $(time_windows); do
    grep -qx "$w" <<<"$BEFORE" || { echo "$w"; return 0; }
  done
  return 1
}
# CPU ticks the clock's process has used so far.
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$PID/stat"; }
# settle: wait (up to 5 minutes) until the clock has worked through its input,
# that is until it uses under a third of a core over three seconds. Under
# emulation a menu can take minutes to open, and keys sent before it is open
# would land elsewhere.
settle() {
  local hz before end=$(( $(date +%s) + 300 ))
  hz=$(getconf CLK_TCK)
  while [ "$(date +%s)" -lt "$end" ]; do
    before=$(cpu_ticks); sleep 3
    [ $(( $(cpu_ticks) - before )) -lt "$hz" ] && return 0
  done
  return 1
}
# key KEY: one key to the clock, once it is idle again.
key() { xdotool key "$1"; settle || fail "the clock was still busy 5 minutes after $1"; }
# Focus as a window manager would on a click on the caption.
focus_clock() {
  xdotool mousemove 100 10 click 1
  xdotool windowfocus "$XID"
  settle || fail "the clock was still busy 5 minutes after a click on its caption"
}

WORK=$(mktemp -d)
cd "$WORK"
PID=''
LOADER=''
cleanup() {
  [ -z "$PID" ] || kill "$PID" 2>/dev/null || true
  [ -z "$LOADER" ] || kill "$LOADER" 2>/dev/null || true
  cd / && rm -rf "$WORK"
}
trap cleanup EXIT

note "starting the 32-bit clock (about a minute under emulation)"
BEFORE=$(time_windows)
"$WINE32" "$EXE" &
LOADER=$!
poll 600 clock_window >/dev/null || fail "the clock never showed the time in its title"
XID=$(clock_window)
PID=$(xprop -id "$XID" _NET_WM_PID | sed -n 's/^.* = \([0-9]*\)$/\1/p')
[ -n "$PID" ] && kill -0 "$PID" || fail "the clock's window names no live process: '$PID'"
first=$(xdotool getwindowname "$XID")
poll 30 eval '[ "$(xdotool getwindowname "$XID")" != "$first" ]' ||
  fail "the title stayed at $first"
note "the title ticks: $first, then $(xdotool getwindowname "$XID")"

# The button face (245) at alpha 200 over the compositor's grey root (128),
# read near the window's lower left corner: below the face and left of the
# credit line, whatever the height of the title bar.
import -window root shot.png
face=$(convert shot.png -crop 1x1+8+182 -depth 8 txt:- | sed -n '2s/^[^(]*(\([0-9]*\),.*/\1/p')
[ "${face:-0}" -ge 205 ] && [ "$face" -le 235 ] ||
  fail "the background at the lower left reads $face, not about 220 (245 at alpha 200 over 128)"

note "Settings, Save settings from the system menu"
focus_clock
for k in alt+space Down Down Down Down Down Right Down Return; do key "$k"; done
poll 120 test -s Lumivane.ini || fail "Settings, Save settings wrote no Lumivane.ini"
expected=$'Analog=1\r\nOnTop=0\r\nBGTransparent=0\r\nOpacy=200\r\nColFG=65793\r\nColBG=16119285\r\nTop=0\r\nLeft=0\r\nRight=186\r\nBottom=194\r'
saved() { [ "$(cat Lumivane.ini)" = "$expected" ]; }
poll 30 saved ||
  fail "the saved file is not the ten expected lines: $(cat -A Lumivane.ini)"

note "Alt+F4"
focus_clock
xdotool key alt+F4
poll 300 eval '! kill -0 "$PID" 2>/dev/null' || fail "the clock was still running 5 minutes after Alt+F4"
# The loader ends with the clock and hands on its exit code.
rc=0; wait "$LOADER" || rc=$?
PID=''
LOADER=''
[ "$rc" = 0 ] || fail "the clock ended with exit code $rc"
echo "32-bit smoke test passed: it painted, ticked, saved its settings and ended with 0"
