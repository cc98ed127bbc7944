#!/usr/bin/env bash
# Saves of a 300,000-line settings file, each killed (kill -9) at a moment of
# its own, spread from the start of the save's temporary file to well past
# its last write: every time the file is whole, byte for byte as it was or
# as the save meant it. Kills that all fell between saves would prove
# nothing, so at least one must have landed inside a save, leaving its
# temporary file beside the settings. One normal save afterwards, with such
# a leftover beside the file, leaves nothing beside it.
. "$(dirname "$0")/lib.sh"

mkdir run ref
cd run || exit
awk 'BEGIN { for (i = 0; i < 300000; i++) printf "Key%06d=%d\r\n", i, i }' >Lumivane.ini

now_ms() { date +%s%3N; }
# beside: what the folder holds besides Lumivane.ini, hidden names included.
beside() {
  local f names=()
  for f in * .[!.]*; do
    if [ -e "$f" ] && [ "$f" != Lumivane.ini ]; then names+=("$f"); fi
  done
  echo "${names[*]}"
}

# save [ID...]: starts the clock, sends it the commands ID... and then "Save
# settings" (1210), and waits for the save's temporary file to appear;
# BEGUN is then, in milliseconds.
save() {
  start_clock
  local id end
  for id in "$@" 1210; do ctl command "$id"; done
  end=$(( $(now_ms) + 10000 ))
  until [ -e Lumivane.ini.tmp ]; do
    [ "$(now_ms)" -lt "$end" ] || fail "no temporary file appeared within 10 s of the save command"
    sleep 0.002
  done
  BEGUN=$(now_ms)
}
# save_and_close [ID...]: the same, and the clock closed after the save.
save_and_close() {
  save "$@"
  ctl close
  wait_clock
  [ "$CLOCK_RC" = 0 ] || fail "the clock ended with $CLOCK_RC after a normal save"
}

# written_ms: how long the save just made took to its last write; the file's
# time is that write's, before the flush and the rename.
written_ms() { echo $(( $(stat -c %.3Y Lumivane.ini | tr -d .) - BEGUN )); }

note "two normal saves: the file as the clock writes it, then with Analog turned off"
save_and_close
cp Lumivane.ini ../ref/old.ini
WRITE_MS=$(written_ms)
save_and_close 1000
# The shorter of the two: the kills below must not overshoot a quick save.
[ "$(written_ms)" -ge "$WRITE_MS" ] || WRITE_MS=$(written_ms)
cp Lumivane.ini ../ref/new.ini
! cmp -s ../ref/old.ini ../ref/new.ini || fail "turning Analog off changed nothing in the file"
grep -q '^Analog=0' ../ref/new.ini || fail "the second save did not write Analog=0"
[ "$WRITE_MS" -ge 20 ] || fail "the save wrote its file in $WRITE_MS ms: too fast to kill it part way; use a larger file"
note "the quicker save's last write came $WRITE_MS ms after its temporary file appeared"

# Each save toggles Analog, so a whole file is always one of the two.
rounds=6 inside=0
for i in $(seq 0 $((rounds - 1))); do
  # Round i kills within the i-th of equal parts of one and a half times the
  # quicker save's time to its last write: the first two thirds of the
  # rounds while the save writes, the rest around its flush and replace.
  delay=$(( (WRITE_MS * 3 / 2) * (i * 100 + RANDOM % 100) / (rounds * 100) ))
  save 1000
  sleep "$(printf '%d.%03d' $((delay / 1000)) $((delay % 1000)))"
  kill -9 "$CLOCK_PID"
  wait_clock
  # The loader may end before the clock's last file handle is gone.
  poll 5 gone "$CLOCK_PID" || fail "the clock $CLOCK_PID still runs after kill -9"
  if cmp -s Lumivane.ini ../ref/old.ini; then was=old
  elif cmp -s Lumivane.ini ../ref/new.ini; then was=new
  else fail "killed $delay ms into a save, the file is neither version: $(wc -c <Lumivane.ini) bytes"
  fi
  note "killed $delay ms into a save: the file is the $was one; beside it: $(beside)"
  # Kept aside, so that the next round's wait sees its own save begin.
  if [ -e Lumivane.ini.tmp ]; then
    inside=$((inside + 1))
    mv Lumivane.ini.tmp ../ref/leftover.tmp
  fi
done
[ "$inside" -gt 0 ] || fail "none of the $rounds kills landed inside a save: nothing was tested"

note "one normal save, with a killed save's temporary file beside the file"
mv ../ref/leftover.tmp Lumivane.ini.tmp
save_and_close
cmp -s Lumivane.ini ../ref/old.ini || cmp -s Lumivane.ini ../ref/new.ini || fail "the normal save wrote neither version"
left=$(beside)
[ -z "$left" ] || fail "left beside the file after a normal save: $left"
echo "$rounds killed saves, $inside of them inside the save, left the file whole each time; the next save left only Lumivane.ini"
