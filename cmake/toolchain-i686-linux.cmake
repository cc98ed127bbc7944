# 32-bit x86 Linux build of the platform-free code, run under qemu user
# emulation (this kernel runs no 32-bit code): a check of the 32-bit maths
# that takes seconds, where the 32-bit Windows exe under emulated Wine takes
# minutes. Static, so that qemu needs no 32-bit loader or libraries.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER gcc)
set(CMAKE_CXX_COMPILER g++)
# 64-bit file offsets: the host's directories hand out offsets that a 32-bit
# readdir would otherwise refuse (EOVERFLOW).
set(CMAKE_C_FLAGS_INIT "-m32 -D_FILE_OFFSET_BITS=64")
set(CMAKE_CXX_FLAGS_INIT "-m32 -D_FILE_OFFSET_BITS=64")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-m32 -static")
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/bin/qemu-i386-static)
