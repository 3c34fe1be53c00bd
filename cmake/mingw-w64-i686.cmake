# Cross-compiles for 32-bit Windows (x86) with Debian's mingw-w64 and runs
# the resulting programs under 32-bit Wine, so that CTest runs the Windows
# tests:
#   cmake -B build-win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-i686.cmake
set(CMAKE_SYSTEM_PROCESSOR i686)
set(tarnwick_wol_mingw i686-w64-mingw32)
set(tarnwick_wol_mingw_package g++-mingw-w64-i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
