# Cross build for 32-bit Windows: the shipped exe. Its tests run under the
# Wine that LUMIVANE_WINE names when they run: scripts/wine10, where the
# kernel runs 32-bit code (Debian 12's Wine 8 creates no window in a 32-bit
# program).
set(CMAKE_SYSTEM_PROCESSOR i686)
set(LUMIVANE_TRIPLE i686-w64-mingw32)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tests/wine.sh)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
