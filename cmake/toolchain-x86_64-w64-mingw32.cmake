# Cross build for 64-bit Windows; its tests run under Wine.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(LUMIVANE_TRIPLE x86_64-w64-mingw32)
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
