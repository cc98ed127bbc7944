#!/usr/bin/env bash
# Saves of a 300,000-line settings file, each killed (kill -9) at a moment of
# its own, spread over the time a save takes: every time the file is whole,
# byte for byte as it was or as the save meant it. One normal save afterwards
# leaves nothing beside the file.
. "$(dirname "$0")/lib.sh"

mkdir run ref
cd run
awk 'BEGIN { for (i = 0; i < 300000; i++) printf "Key%06d=%d\r\n", i, i }' >Lumivane.ini

# save [ID...]: starts the clock and sends it the commands ID... and then
# "Save settings" (1210); SENT is when the last was sent, in milliseconds.
save() {
  start_clock
  local id
  for id in "$@" 1210; do ctl command "$id"; done
  SENT=$(date +%s%3N)
}
# save_and_close [ID...]: the same, and the clock closed after the save.
save_and_close() {
  save "$@"
  ctl close
  wait "$CLOCK_PID" || fail "the clock ended with $? after a normal save"
}

note "two normal saves: the file as the clock writes it, then with Analog turned off"
save_and_close
cp Lumivane.ini ../ref/old.ini
save_and_close 1000
SAVE_MS=$(( $(stat -c %.3Y Lumivane.ini | tr -d .) - SENT ))
cp Lumivane.ini ../ref/new.ini
! cmp -s ../ref/old.ini ../ref/new.ini || fail "turning Analog off changed nothing in the file"
grep -q '^Analog=0' ../ref/new.ini || fail "the second save did not write Analog=0"
note "the save was written $SAVE_MS ms after its command was sent"

# Each save toggles Analog, so a whole file is always one of the two.
rounds=4
for i in $(seq 0 $((rounds - 1))); do
  # Round i kills within the i-th of four equal parts of one and a half times
  # the time the save took to its last write, so that some land after it.
  delay=$(( (SAVE_MS * 3 / 2) * (i * 100 + RANDOM % 100) / (rounds * 100) ))
  save 1000
  sleep "$(printf '%d.%03d' $((delay / 1000)) $((delay % 1000)))"
  kill -9 "$CLOCK_PID"
  wait "$CLOCK_PID" 2>/dev/null || true
  if cmp -s Lumivane.ini ../ref/old.ini; then was=old
  elif cmp -s Lumivane.ini ../ref/new.ini; then was=new
  else fail "killed $delay ms into a save, the file is neither version: $(wc -c <Lumivane.ini) bytes"
  fi
  note "killed $delay ms into a save: the file is the $was one; beside it: $(ls | grep -vx Lumivane.ini | tr '\n' ' ')"
done

note "one normal save"
save_and_close
cmp -s Lumivane.ini ../ref/old.ini || cmp -s Lumivane.ini ../ref/new.ini || fail "the normal save wrote neither version"
left=$(ls -A | grep -vx Lumivane.ini || true)
[ -z "$left" ] || fail "left beside the file after a normal save: $left"
echo "$rounds killed saves left the file whole each time; the next save left only Lumivane.ini"
