# Shared part of the MinGW-w64 toolchain files: the caller sets
# LUMIVANE_TRIPLE. The posix-thread compilers are used because GoogleTest
# needs std::mutex, which the win32 thread model lacks.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER   ${LUMIVANE_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${LUMIVANE_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER  ${LUMIVANE_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${LUMIVANE_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
