# Cross-compiles for Linux on aarch64 with Debian's g++-aarch64-linux-gnu
# and runs the programs under qemu-aarch64, so that CTest runs the suite here:
#   cmake -B build-aarch64 -DCMAKE_TOOLCHAIN_FILE=cmake/linux-aarch64.cmake
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(tarnwick_wol_triplet aarch64-linux-gnu)
set(tarnwick_wol_qemu aarch64)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)
