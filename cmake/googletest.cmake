# GoogleTest for the test suite: an installed package for a native build,
# otherwise (as when cross-compiling for Windows) built from its sources,
# such as those Debian's googletest package ships. Without either, the suite
# is skipped with a message; the library and wol-wake still build.
set(TARNWICK_WOL_GOOGLETEST_SOURCE_DIR /usr/src/googletest
    CACHE PATH "GoogleTest sources, used when no installed GoogleTest fits")
set(TARNWICK_WOL_GTEST_FOUND OFF)
find_package(GTest QUIET)
if(GTest_FOUND)
  set(TARNWICK_WOL_GTEST_FOUND ON)
elseif(EXISTS ${TARNWICK_WOL_GOOGLETEST_SOURCE_DIR}/CMakeLists.txt)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  # Static, whatever the library is: a test program must not need GoogleTest's
  # DLLs (and through them MinGW's) beside it.
  set(tarnwick_wol_shared ${BUILD_SHARED_LIBS})
  set(BUILD_SHARED_LIBS OFF)
  add_subdirectory(${TARNWICK_WOL_GOOGLETEST_SOURCE_DIR} googletest EXCLUDE_FROM_ALL)
  set(BUILD_SHARED_LIBS ${tarnwick_wol_shared})
  set(TARNWICK_WOL_GTEST_FOUND ON)
else()
  message(STATUS "tarnwick-wol: GoogleTest not found, so the tests are skipped. To build them, "
                 "install GoogleTest (on Debian: apt-get install libgtest-dev googletest) or set "
                 "TARNWICK_WOL_GOOGLETEST_SOURCE_DIR to its sources.")
endif()
