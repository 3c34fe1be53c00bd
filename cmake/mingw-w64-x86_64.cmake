# Cross-compiles for Windows x86-64 with Debian's mingw-w64 and runs the
# resulting programs under Wine, so that CTest can run the Windows tests:
#   cmake -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(tarnwick_wol_mingw x86_64-w64-mingw32)
# The posix-threads flavour: GoogleTest needs std::mutex, which GCC 12's
# win32-threads flavour lacks. Its threads library is linked statically.
set(CMAKE_C_COMPILER ${tarnwick_wol_mingw}-gcc-posix)
set(CMAKE_CXX_COMPILER ${tarnwick_wol_mingw}-g++-posix)
set(CMAKE_RC_COMPILER ${tarnwick_wol_mingw}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${tarnwick_wol_mingw})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Programs carry the GCC runtime inside, so they need no MinGW DLLs to run.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh)
