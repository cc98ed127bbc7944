#!/usr/bin/env bash
# Close from the system menu ends the process with exit code 0 and writes no
# settings file.
. "$(dirname "$0")/lib.sh"

start_clock
open_menu
# Close is the standard item with the mnemonic C.
xdotool key c
poll 5 gone "$CLOCK_PID" || fail "the clock still runs after Close was chosen from its menu"
wait_clock
[ "$CLOCK_RC" = 0 ] || fail "the clock ended with exit code $CLOCK_RC"
[ -e Lumivane.ini ] && fail "closing wrote a settings file"
echo "Close in the system menu ended the clock with exit code 0"
