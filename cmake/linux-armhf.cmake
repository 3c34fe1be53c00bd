# Cross-compiles for Linux on armhf with Debian's g++-arm-linux-gnueabihf
# and runs the programs under qemu-arm, so that CTest runs the suite here:
#   cmake -B build-armhf -DCMAKE_TOOLCHAIN_FILE=cmake/linux-armhf.cmake
set(CMAKE_SYSTEM_PROCESSOR armhf)
set(tarnwick_wol_triplet arm-linux-gnueabihf)
set(tarnwick_wol_qemu arm)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)
