# Cross build for 32-bit Windows: the setup program we ship.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TSV_MINGW_TRIPLE i686-w64-mingw32)

set(CMAKE_C_COMPILER   ${TSV_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TSV_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER  ${TSV_MINGW_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${TSV_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# This kernel cannot run 32-bit code natively: no emulator, so the win32 build
# compiles and links everything but CTest runs none of it.
