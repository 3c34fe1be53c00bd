# Cross-compiles for Windows x86-64 with Debian's mingw-w64 and runs the
# resulting programs under Wine, so that CTest runs the Windows tests:
#   cmake -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(tarnwick_wol_mingw x86_64-w64-mingw32)
set(tarnwick_wol_mingw_package g++-mingw-w64-x86-64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
