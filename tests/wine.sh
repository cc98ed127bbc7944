#!/usr/bin/env bash
# Runs a Windows program under the Wine that LUMIVANE_WINE names: Debian 12's
# own Wine 8 loader by default, or scripts/wine10 (Debian 13's Wine 10, which
# also runs 32-bit exes where the kernel runs 32-bit code). The cross builds'
# tests run through this, so one build is tested under either Wine.
exec "${LUMIVANE_WINE:-/usr/lib/wine/wine64}" "$@"
