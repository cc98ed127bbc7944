# 64-bit Windows with the MinGW-w64 in C:\mingw64, on a Windows host.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(LUMIVANE_MINGW C:/mingw64)
include(${CMAKE_CURRENT_LIST_DIR}/windows-host-mingw.cmake)
