# Cross build for 64-bit Windows with MinGW-w64 (Debian's mingw-w64 packages).
# The posix variant of the compiler gives GoogleTest its threads; everything is linked statically
# so the programs run under Wine or on a bare Windows without extra DLLs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(ZEPRA_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${ZEPRA_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZEPRA_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${ZEPRA_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${ZEPRA_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
