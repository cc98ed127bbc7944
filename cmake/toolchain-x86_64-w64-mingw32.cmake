# Cross build for 64-bit Windows; its tests run under Wine (the one that
# LUMIVANE_WINE names when they run, Wine 8 by default).
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(LUMIVANE_TRIPLE x86_64-w64-mingw32)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tests/wine.sh)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
