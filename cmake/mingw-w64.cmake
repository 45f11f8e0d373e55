# Cross build for 64-bit Windows with mingw-w64 (posix thread model), statically linked.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(ZR3_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${ZR3_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZR3_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${ZR3_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${ZR3_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# One exe, no DLLs: libgcc, libstdc++ and winpthread all linked in.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Test executables run under Wine, in a prefix that belongs to the build tree.
set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-exec")
