# Cross-building the Windows program on Debian with mingw-w64. The -posix
# compilers: the default ones use win32 threads and lack std::mutex.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(MD5Z_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${MD5Z_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MD5Z_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${MD5Z_MINGW_TRIPLET}-windres)

# Headers and libraries from the mingw sysroot only; build tools from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${MD5Z_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# No mingw runtime DLLs to ship or to put on Wine's path.
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)

# Test programs run under Wine. Debian keeps its wine64 launcher in Wine's
# library folder unless the wine package puts one on PATH.
find_program(MD5Z_WINE64 NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(MD5Z_WINE64)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${MD5Z_WINE64})
endif()
