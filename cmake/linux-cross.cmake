# What the Linux cross builds share: Debian's cross compilers for the
# target's GNU triplet, the target's own libraries in /usr/TRIPLET, and
# qemu-user to run the target's programs, so that CTest runs the whole suite
# for the target on this machine. A target's toolchain file sets
#   tarnwick_wol_triplet  the GNU triplet (aarch64-linux-gnu)
#   tarnwick_wol_qemu     the qemu-user program's suffix (aarch64)
#   CMAKE_SYSTEM_PROCESSOR
# and then includes this file.
set(CMAKE_SYSTEM_NAME Linux)

find_program(tarnwick_wol_cross_cxx NAMES ${tarnwick_wol_triplet}-g++)
find_program(tarnwick_wol_cross_cc NAMES ${tarnwick_wol_triplet}-gcc)
if(NOT tarnwick_wol_cross_cxx OR NOT tarnwick_wol_cross_cc)
  message(FATAL_ERROR "tarnwick-wol: the ${CMAKE_SYSTEM_PROCESSOR} build needs the cross "
                      "compilers ${tarnwick_wol_triplet}-gcc and -g++ (on Debian: apt-get install "
                      "g++-${tarnwick_wol_triplet})")
endif()
set(CMAKE_C_COMPILER ${tarnwick_wol_cross_cc})
set(CMAKE_CXX_COMPILER ${tarnwick_wol_cross_cxx})

# The target's libraries and headers only; programs (Python, qemu) from
# this machine.
set(tarnwick_wol_target_root /usr/${tarnwick_wol_triplet})
set(CMAKE_FIND_ROOT_PATH ${tarnwick_wol_target_root})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# CTest runs the target's programs under qemu-user, which finds the target's
# dynamic loader and C library under -L.
find_program(tarnwick_wol_qemu_program NAMES qemu-${tarnwick_wol_qemu}
                                             qemu-${tarnwick_wol_qemu}-static
             NO_CMAKE_FIND_ROOT_PATH)
if(tarnwick_wol_qemu_program)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${tarnwick_wol_qemu_program} -L ${tarnwick_wol_target_root})
endif()
