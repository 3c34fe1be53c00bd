# What the Windows cross builds share: Debian's mingw-w64 for the target
# that the including toolchain file names, and Wine to run the programs. A
# target's toolchain file sets
#   tarnwick_wol_mingw          the compilers' prefix (x86_64-w64-mingw32)
#   tarnwick_wol_mingw_package  the Debian package that has them
#   CMAKE_SYSTEM_PROCESSOR
# and then includes this file.
set(CMAKE_SYSTEM_NAME Windows)

# Debian's posix-threads flavour where there is one: GoogleTest needs
# std::mutex, which GCC 12's win32-threads flavour lacks (its threads library
# is linked statically). Other distributions ship only the plain names.
find_program(tarnwick_wol_mingw_cxx NAMES ${tarnwick_wol_mingw}-g++-posix ${tarnwick_wol_mingw}-g++)
find_program(tarnwick_wol_mingw_cc NAMES ${tarnwick_wol_mingw}-gcc-posix ${tarnwick_wol_mingw}-gcc)
find_program(tarnwick_wol_mingw_rc NAMES ${tarnwick_wol_mingw}-windres windres)
find_program(tarnwick_wol_mingw_dlltool NAMES ${tarnwick_wol_mingw}-dlltool dlltool)
if(NOT tarnwick_wol_mingw_cxx OR NOT tarnwick_wol_mingw_cc OR NOT tarnwick_wol_mingw_rc)
  message(FATAL_ERROR "tarnwick-wol: the Windows cross build needs mingw-w64 "
                      "(${tarnwick_wol_mingw}-gcc, -g++ and -windres; on Debian: "
                      "apt-get install ${tarnwick_wol_mingw_package})")
endif()
set(CMAKE_C_COMPILER ${tarnwick_wol_mingw_cc})
set(CMAKE_CXX_COMPILER ${tarnwick_wol_mingw_cxx})
set(CMAKE_RC_COMPILER ${tarnwick_wol_mingw_rc})
set(CMAKE_DLLTOOL ${tarnwick_wol_mingw_dlltool})

set(CMAKE_FIND_ROOT_PATH /usr/${tarnwick_wol_mingw})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Programs carry the GCC runtime inside, so they need no MinGW DLLs to run.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# CTest runs the Windows programs under Wine, through a script that also
# tells whether Wine runs them on this machine (tests/CMakeLists.txt asks it).
if(CMAKE_HOST_UNIX)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh)
endif()
