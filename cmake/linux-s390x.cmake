# Cross-compiles for Linux on s390x with Debian's g++-s390x-linux-gnu
# and runs the programs under qemu-s390x, so that CTest runs the suite here:
#   cmake -B build-s390x -DCMAKE_TOOLCHAIN_FILE=cmake/linux-s390x.cmake
set(CMAKE_SYSTEM_PROCESSOR s390x)
set(tarnwick_wol_triplet s390x-linux-gnu)
set(tarnwick_wol_qemu s390x)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)
