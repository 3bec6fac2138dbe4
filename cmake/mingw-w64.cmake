# Cross build for 64-bit Windows with Debian's MinGW-w64 (g++-mingw-w64-x86-64-posix: the
# variant with C++ threads), tests run under Wine:
#   cmake -S . -B build-win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake
#   cmake --build build-win && ctest --test-dir build-win
# Without Qt and libcurl for Windows this builds the core, the command-line tools and the core
# tests (HOPPLIX_CORE_ONLY); GoogleTest is built from Debian's sources.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(HOPPLIX_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${HOPPLIX_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${HOPPLIX_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${HOPPLIX_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${HOPPLIX_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The programs carry their runtime (libgcc, libstdc++, winpthread) inside, so they run without
# MinGW's DLLs beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Test programs and tools run under Wine: Debian's wine64 package installs its loader in
# /usr/lib/wine, the wine package adds a wine command. Each build folder gets a Wine prefix of
# its own (wine/), made by the first program that runs (cmake/wine_run.sh).
find_program(HOPPLIX_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(HOPPLIX_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine_run.sh ${CMAKE_BINARY_DIR}/wine ${HOPPLIX_WINE})
endif()
