# What the two cross toolchains share: Debian's MinGW-w64 with POSIX
# threads for the processor the including file names, finding libraries
# and headers only below its own root.
set(CMAKE_SYSTEM_NAME Windows)
set(kst_mingw_triple ${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32)
set(CMAKE_C_COMPILER ${kst_mingw_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${kst_mingw_triple}-g++-posix)
set(CMAKE_RC_COMPILER ${kst_mingw_triple}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${kst_mingw_triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
