#!/usr/bin/env bash
# A read-only settings file: saving shows the error box and leaves the file
# as it was; Alt+F4 then ends the clock with exit code 0.
. "$(dirname "$0")/lib.sh"

printf '%s\r\n' Opacy=120 Analog=1 >Lumivane.ini
chmod 444 Lumivane.ini
cp -p Lumivane.ini before.ini
# The program sees the Windows attribute, which Wine takes from the write bits.
[ "$(ctl attributes Lumivane.ini | tr -d '\r')" = readonly=1 ] || fail "chmod 444 did not make the file read-only for Windows programs"
start_clock
poll 1 eval '[ "$(info alpha)" = 120 ]' || fail "the read-only file was not loaded: alpha $(info alpha)"

note "Save settings"
# What choosing Settings, Save settings sends; the menu itself is walked in menu_test.sh.
ctl command 1210
poll 5 has_window '"Error"$' || fail "no error box after saving into a read-only file"
ctl texts Error | tr -d '\r' | grep -qx 'Could not save Settings' || fail "the error box says: $(ctl texts Error | tr '\r\n' '  ')"
cmp -s Lumivane.ini before.ini || fail "the read-only file changed"

note "close the box with Enter"
box=$(xdotool search --all --pid "$CLOCK_PID" --name '^Error$' | sed -n 1p)
[ -n "$box" ] || fail "the error box has no X window"
xdotool windowfocus "$box" key Return
poll 5 no_window '"Error"$' || fail "Enter did not close the error box"
cmp -s Lumivane.ini before.ini || fail "the read-only file changed after the box closed"
[ "$(stat -c %a Lumivane.ini)" = 444 ] || fail "the file is no longer read-only"

note "Alt+F4"
activate_clock
xdotool key alt+F4
wait_clock
[ "$CLOCK_RC" = 0 ] || fail "the clock ended with exit code $CLOCK_RC after Alt+F4"
echo "the read-only file was left alone with the error box shown; Alt+F4 ended the clock with 0"
