# 32-bit Windows with the MinGW-w64 in C:\mingw32, on a Windows host.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(LUMIVANE_MINGW C:/mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/windows-host-mingw.cmake)
