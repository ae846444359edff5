# Cross build for 64-bit Windows with Debian's mingw-w64 (packages
# g++-mingw-w64-x86-64-posix, and wine to run the tests):
#
#   cmake -S . -B build-win --toolchain cmake/mingw-w64-x86_64.cmake
#   cmake --build build-win -j2
#   ctest --test-dir build-win        # every test program runs under Wine
#
# The POSIX threads flavour of the compiler, whose C++ runtime has
# std::thread and std::mutex (GoogleTest uses them); the programs are linked
# statically, so they need no DLL beside them.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(trillo_mingw_prefix x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${trillo_mingw_prefix}-gcc-posix)
set(CMAKE_CXX_COMPILER ${trillo_mingw_prefix}-g++-posix)
set(CMAKE_RC_COMPILER ${trillo_mingw_prefix}-windres)

# Libraries and headers from the cross root only; programs from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${trillo_mingw_prefix})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The test programs and the build's own helpers run under Wine.
find_program(TRILLO_WINE NAMES wine wine64)
if(TRILLO_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_COMMAND} -E env WINEDEBUG=-all ${TRILLO_WINE})
endif()
