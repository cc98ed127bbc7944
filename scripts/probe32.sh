#!/usr/bin/env bash
# Which way the 32-bit exe runs on this machine. Some kernels let a 64-bit
# process run 32-bit code, and there Debian 13's Wine 10 (scripts/wine10)
# runs a 32-bit exe natively in its WoW64 mode; others run no 32-bit code at
# all, and only qemu user emulation is left. This runs a small 32-bit
# console exe (tools/probe32/probe32.c) under Wine 10 and prints one line:
#   32-bit route: native (Wine 10 WoW64): WHY      exit 0
#   32-bit route: qemu: WHY                        exit 1
# LUMIVANE_32BIT_ROUTE=qemu gives the qemu route without probing. The
# prefix is $WINEPREFIX, or a fresh one that is removed afterwards. Anything
# that is not that one line (making the root, the build) goes to stderr.
set -euo pipefail
PROJECT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd -P)
WINE10=$PROJECT/scripts/wine10
OUT=$PROJECT/build/probe32
EXE=$OUT/probe32.exe
SRC=$PROJECT/tools/probe32/probe32.c
TIMEOUT=60

native() { echo "32-bit route: native (Wine 10 WoW64): $*"; exit 0; }
qemu() { echo "32-bit route: qemu: $*"; exit 1; }

case ${LUMIVANE_32BIT_ROUTE:-} in
  qemu) qemu "forced by LUMIVANE_32BIT_ROUTE=qemu (nothing probed)" ;;
  "" | auto) ;;
  *) echo "probe32: LUMIVANE_32BIT_ROUTE is qemu, auto or unset, not '$LUMIVANE_32BIT_ROUTE'" >&2; exit 2 ;;
esac

# Why the kernel may refuse, in words: the far jump into 32-bit code that
# Wine's WoW64 makes, tried by a native program (tools/probe32/farjump.c).
kernel_note() {
  local bin=$OUT/farjump line
  if [ ! -x "$bin" ] || [ "$bin" -ot "$PROJECT/tools/probe32/farjump.c" ]; then
    gcc -O2 -static -no-pie -o "$bin" "$PROJECT/tools/probe32/farjump.c" >/dev/null 2>&1 || return 0
  fi
  line=$("$bin" 2>&1) || true
  case $line in
    *"0x33 ok 0x23 ok"*) echo "; yet a far jump into 32-bit code works on this kernel ($line)" ;;
    *"0x33 ok 0x23 "*) echo "; this kernel runs no 32-bit code: a far jump into it ${line#*0x23 }" ;;
  esac
}

mkdir -p "$OUT"
if [ ! -f "$PROJECT/build/trixie/.ready" ]; then
  "$PROJECT/scripts/trixie-root.sh" >&2 || qemu "there is no Debian 13 root with Wine 10 (scripts/trixie-root.sh failed)"
fi
if [ ! -f "$EXE" ] || [ "$EXE" -ot "$SRC" ]; then
  i686-w64-mingw32-gcc -O2 -Wall -Wextra -static -s -o "$EXE" "$SRC" >&2 ||
    { echo "probe32: could not build $EXE" >&2; exit 2; }
fi

export WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
TMP=$(mktemp -d /tmp/probe32.XXXXXX)
FRESH=
if [ -z "${WINEPREFIX:-}" ]; then
  export WINEPREFIX=$TMP/prefix
  FRESH=1
fi
# Debian's Wine keeps a fresh prefix's server socket in /tmp/wine-XXXXXX,
# named in the prefix's file "wineserver", and leaves it behind.
cleanup() {
  local dir
  if [ -n "$FRESH" ]; then
    "$WINE10" --server -k >/dev/null 2>&1 || true
    dir=$(cat "$WINEPREFIX/wineserver" 2>/dev/null || true)
    if [[ $dir =~ ^wine-[A-Za-z0-9]{6}$ ]]; then rm -rf "/tmp/${dir:?}"; fi
  fi
  rm -rf "$TMP"
}
trap cleanup EXIT

# A fresh prefix is booted first, so that the time below is the probe's own.
if [ -n "$FRESH" ]; then
  mkdir -p "$WINEPREFIX"
  timeout -k 5 120 "$WINE10" wineboot -i >"$TMP/boot.log" 2>&1 || true
fi

# The exe sums the squares of 1..N, N from here; the closed form says what
# it must print.
n=$((RANDOM % 2000 + 1))
want="probe32 ok sizeof(void*)=4 wow64=1 squares($n)=$((n * (n + 1) * (2 * n + 1) / 6))"
rc=0
start=$(date +%s%N)
(cd "$OUT" && exec timeout -k 5 "$TIMEOUT" "$WINE10" probe32.exe "$n") >"$TMP/out" 2>"$TMP/err" </dev/null || rc=$?
took=$(( ($(date +%s%N) - start) / 1000000 ))
secs=$(printf '%d.%02d' $((took / 1000)) $((took % 1000 / 10)))
got=$(tr -d '\r' <"$TMP/out" | head -n 1)

if [ "$rc" = 0 ] && [ "$got" = "$want" ]; then
  native "a 32-bit console exe ran under $("$WINE10" --version) in $secs s and printed '$got'"
fi
# The first thing Wine or the exe said, as the reason.
said=$( { tr -d '\r' <"$TMP/out"; tr -d '\r' <"$TMP/err"; } | grep -v -e '^$' -e XDG_RUNTIME_DIR | awk '!seen[$0]++' | head -n 2 | tr '\n' ' ' | cut -c 1-200)
said=${said% }
if [ "$rc" = 124 ] || [ "$rc" = 137 ]; then
  what="did not end within $TIMEOUT s"
elif [ "$rc" = 0 ]; then
  what="ended with 0 but printed '${got}' where '$want' was due"
else
  what="ended with exit code $rc after $secs s${said:+ and said '$said'}"
fi
qemu "the 32-bit probe under Wine 10 $what$(kernel_note)"
