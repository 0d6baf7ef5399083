# Cross build for 64-bit Windows with Debian's MinGW-w64 (g++-mingw-w64-x86-64, libz-mingw-w64-dev):
#   cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
# The result is a statically linked fqreplay.exe that needs nothing but Windows itself.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(ORDO_MINGW_TRIPLE x86_64-w64-mingw32)

# The "posix" thread model gives std::thread and std::mutex (through winpthreads, linked statically).
find_program(CMAKE_C_COMPILER NAMES ${ORDO_MINGW_TRIPLE}-gcc-posix ${ORDO_MINGW_TRIPLE}-gcc REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${ORDO_MINGW_TRIPLE}-g++-posix ${ORDO_MINGW_TRIPLE}-g++ REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${ORDO_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${ORDO_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Only the static zlib, so that no zlib1.dll has to travel with the program.
set(ZLIB_USE_STATIC_LIBS ON)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Test programs run under Wine; the Windows side of the suite is started through this emulator.
find_program(ORDO_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(ORDO_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${ORDO_WINE})
endif()
