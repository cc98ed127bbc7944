# Shared part of the toolchain files for a Windows host with MinGW-w64 in a
# folder of its own (GitHub's Windows runners carry C:\mingw32 and
# C:\mingw64, and only the 64-bit one is on PATH): the caller sets
# LUMIVANE_MINGW and CMAKE_SYSTEM_PROCESSOR. The compilers are taken from
# that folder by their plain names, not the Linux cross names. The host runs
# what is built, 32-bit programs too, so this is not a cross build: the
# tests run natively. Naming the system keeps the target's processor, which
# picks the 32-bit build's SSE2 maths, where the host's (AMD64) would not.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_CROSSCOMPILING FALSE)
set(CMAKE_C_COMPILER   ${LUMIVANE_MINGW}/bin/gcc.exe)
set(CMAKE_CXX_COMPILER ${LUMIVANE_MINGW}/bin/g++.exe)
set(CMAKE_RC_COMPILER  ${LUMIVANE_MINGW}/bin/windres.exe)
