# clang-tidy for the project's own sources, with TARNWICK_WOL_CLANG_TIDY:
# sets tarnwick_wol_clang_tidy, the command for the <LANG>_CLANG_TIDY
# property (empty when off). The checks are in .clang-tidy.
#
# Its findings are errors for the clang-tidy versions the project has been
# checked with. A newer one brings checks nobody here has seen; its findings
# are shown as warnings, so that it cannot fail a newcomer's first build.
set(tarnwick_wol_clang_tidy "")
if(NOT TARNWICK_WOL_CLANG_TIDY)
  return()
endif()
set(tarnwick_wol_clang_tidy_newest_known 19)

find_program(CLANG_TIDY_EXE NAMES clang-tidy clang-tidy-19 clang-tidy-18 clang-tidy-17
                                  clang-tidy-16 clang-tidy-15 clang-tidy-14)
if(NOT CLANG_TIDY_EXE)
  message(FATAL_ERROR "tarnwick-wol: TARNWICK_WOL_CLANG_TIDY is ON but clang-tidy is not "
                      "installed (on Debian: apt-get install clang-tidy)")
endif()
execute_process(COMMAND ${CLANG_TIDY_EXE} --version OUTPUT_VARIABLE version_text
                ERROR_QUIET)
string(REGEX MATCH "version ([0-9]+)" _ "${version_text}")
set(clang_tidy_major ${CMAKE_MATCH_1})

set(tarnwick_wol_clang_tidy ${CLANG_TIDY_EXE})
if(clang_tidy_major AND clang_tidy_major GREATER tarnwick_wol_clang_tidy_newest_known)
  message(WARNING "tarnwick-wol: clang-tidy ${clang_tidy_major} is newer than the newest "
                  "version this project has been checked with "
                  "(${tarnwick_wol_clang_tidy_newest_known}); its findings are shown as "
                  "warnings, not errors")
else()
  list(APPEND tarnwick_wol_clang_tidy --warnings-as-errors=*)
endif()

if(MINGW)
  # clang reads the sources as the cross compiler does: its target and its
  # own C++ headers, and include flags in the command, not in a file.
  set(CMAKE_CXX_USE_RESPONSE_FILE_FOR_INCLUDES OFF)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -dumpmachine OUTPUT_VARIABLE target
                  OUTPUT_STRIP_TRAILING_WHITESPACE)
  list(APPEND tarnwick_wol_clang_tidy --extra-arg=--target=${target})
  foreach(dir ${CMAKE_CXX_IMPLICIT_INCLUDE_DIRECTORIES})
    if(dir MATCHES "/c\\+\\+") # GCC's intrinsics headers are not for clang
      list(APPEND tarnwick_wol_clang_tidy --extra-arg=-isystem${dir})
    endif()
  endforeach()
endif()
