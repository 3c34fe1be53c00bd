# Flags for tarnwick-wol's own targets, chosen per compiler family: GCC and
# Clang on one side, MSVC and clang-cl (for both of which MSVC is true) on
# the other. Each flag is tried on the compiler first and left out when it
# is refused. Nothing here touches another project's targets, and nothing
# reaches the programs that link the library: every option is PRIVATE.
include(CheckCCompilerFlag)
include(CheckCXXCompilerFlag)
include(CheckLinkerFlag)

# C++17 and C99, without compiler extensions.
function(tarnwick_wol_language target)
  set_target_properties(${target} PROPERTIES CXX_STANDARD 17 CXX_STANDARD_REQUIRED ON
                                             CXX_EXTENSIONS OFF C_STANDARD 99
                                             C_STANDARD_REQUIRED ON C_EXTENSIONS OFF)
endfunction()

if(NOT MSVC AND NOT CMAKE_CXX_COMPILER_ID MATCHES "^(GNU|Clang|AppleClang|IntelLLVM)$")
  message(STATUS "tarnwick-wol: ${CMAKE_CXX_COMPILER_ID} is a compiler whose flags this project "
                 "does not know; it builds with the compiler's defaults, without warning flags")
  set(tarnwick_wol_unknown_compiler ON)
endif()

# tarnwick_wol_compile_flags(OUT [CXX] FLAG...): the FLAGs that both the C
# and the C++ compiler accept (with CXX: that the C++ compiler accepts), in
# OUT. All of them are tried at once first, and one by one only when that
# fails; each answer is cached.
function(tarnwick_wol_compile_flags out)
  set(languages c cxx)
  set(flags ${ARGN})
  if(ARGV1 STREQUAL "CXX")
    set(languages cxx)
    list(REMOVE_AT flags 0)
  endif()
  tarnwick_wol_compiler_accepts(all "${flags}" ${languages})
  if(all)
    set(${out} "${flags}" PARENT_SCOPE)
    return()
  endif()
  set(accepted "")
  foreach(flag IN LISTS flags)
    tarnwick_wol_compiler_accepts(ok "${flag}" ${languages})
    if(ok)
      list(APPEND accepted "${flag}")
    endif()
  endforeach()
  set(${out} "${accepted}" PARENT_SCOPE)
endfunction()

# tarnwick_wol_compiler_accepts(OUT FLAGS LANGUAGE...): whether the
# compilers of each LANGUAGE (c, cxx) accept the list FLAGS together.
function(tarnwick_wol_compiler_accepts out flags)
  string(MAKE_C_IDENTIFIER "tarnwick_wol_flags ${flags}" name)
  foreach(language IN LISTS ARGN)
    cmake_language(CALL check_${language}_compiler_flag "${flags}" ${name}_${language})
    if(NOT ${name}_${language})
      set(${out} OFF PARENT_SCOPE)
      return()
    endif()
  endforeach()
  set(${out} ON PARENT_SCOPE)
endfunction()

# tarnwick_wol_link_flags(OUT LANG FLAG...): the link FLAGs that the LANG
# compiler driver accepts, in OUT; all at once first, as above.
function(tarnwick_wol_link_flags out lang)
  set(flags ${ARGN})
  string(MAKE_C_IDENTIFIER "tarnwick_wol_link ${flags} ${lang}" name)
  check_linker_flag(${lang} "${flags}" ${name})
  if(${name})
    set(${out} "${flags}" PARENT_SCOPE)
    return()
  endif()
  set(accepted "")
  foreach(flag IN LISTS flags)
    string(MAKE_C_IDENTIFIER "tarnwick_wol_link ${flag} ${lang}" name)
    check_linker_flag(${lang} "${flag}" ${name})
    if(${name})
      list(APPEND accepted "${flag}")
    endif()
  endforeach()
  set(${out} "${accepted}" PARENT_SCOPE)
endfunction()

# The sanitizers asked for, or a configure error that names them: the user
# chose them, so they are not quietly left out.
function(tarnwick_wol_require_sanitizers sanitizers)
  set(CMAKE_REQUIRED_LINK_OPTIONS -fsanitize=${sanitizers})
  tarnwick_wol_compile_flags(accepted -fsanitize=${sanitizers})
  if(NOT accepted)
    message(FATAL_ERROR "tarnwick-wol: the compiler cannot build with -fsanitize=${sanitizers} "
                        "(TARNWICK_WOL_SANITIZE); clang (and its runtime libraries) can")
  endif()
endfunction()

if(NOT tarnwick_wol_unknown_compiler)
  if(MSVC)
    tarnwick_wol_compile_flags(tarnwick_wol_warning_flags /W4)
    tarnwick_wol_compile_flags(tarnwick_wol_werror_flags /WX)
    tarnwick_wol_compile_flags(tarnwick_wol_no_exception_flags CXX /EHs-c- /GR-)
  else()
    tarnwick_wol_compile_flags(tarnwick_wol_warning_flags -Wall -Wextra -Wpedantic)
    tarnwick_wol_compile_flags(tarnwick_wol_werror_flags -Werror)
    tarnwick_wol_compile_flags(tarnwick_wol_no_exception_flags CXX -fno-exceptions -fno-rtti)
    if(MINGW)
      # The GCC runtime inside, so that no MinGW DLL is needed. ASLR with
      # high entropy and NX are the linker's defaults.
      tarnwick_wol_link_flags(tarnwick_wol_shipped_link_flags CXX -static-libgcc -static-libstdc++)
    elseif(NOT APPLE)
      # -fno-ident: no compiler version in a .comment section.
      tarnwick_wol_compile_flags(tarnwick_wol_hardening_flags -fstack-protector-strong
                                 -fcf-protection -fno-ident)
      tarnwick_wol_link_flags(tarnwick_wol_shipped_link_flags C LINKER:-z,relro LINKER:-z,now)
    endif()
  endif()
endif()

# Warnings as errors (TARNWICK_WOL_WERROR) hold for the compiler versions
# the project has been built with. A newer compiler may warn about what no
# one here has seen: its warnings are shown, but they cannot fail a
# newcomer's first build.
set(tarnwick_wol_werror ${TARNWICK_WOL_WERROR})
set(tarnwick_wol_newest_known_GNU 14)
set(tarnwick_wol_newest_known_Clang 19)
set(newest_known ${tarnwick_wol_newest_known_${CMAKE_CXX_COMPILER_ID}})
string(REGEX MATCH "^[0-9]+" compiler_major "${CMAKE_CXX_COMPILER_VERSION}")
if(TARNWICK_WOL_WERROR AND newest_known AND compiler_major GREATER newest_known)
  message(WARNING "tarnwick-wol: ${CMAKE_CXX_COMPILER_ID} ${compiler_major} is newer than the "
                  "newest version this project has been built with (${newest_known}); its "
                  "warnings are shown, not made errors")
  set(tarnwick_wol_werror OFF)
endif()

# Warnings, and warnings as errors as decided above.
function(tarnwick_wol_warnings target)
  tarnwick_wol_language(${target})
  target_compile_options(${target} PRIVATE ${tarnwick_wol_warning_flags})
  if(tarnwick_wol_werror)
    target_compile_options(${target} PRIVATE ${tarnwick_wol_werror_flags})
  endif()
endfunction()

# Nothing in the library throws or needs type information.
function(tarnwick_wol_no_exceptions target)
  target_compile_options(${target} PRIVATE ${tarnwick_wol_no_exception_flags})
  if(MSVC AND NOT tarnwick_wol_unknown_compiler)
    target_compile_definitions(${target} PRIVATE _HAS_EXCEPTIONS=0)
  endif()
endfunction()

# Empty: decided anew on every configure from what is built (see
# tarnwick_wol_msvc_runtime), so that switching BUILD_SHARED_LIBS never
# leaves a stale choice behind.
set(TARNWICK_WOL_MSVC_STATIC_RUNTIME "" CACHE STRING
    "MSVC and clang-cl: ON links the C runtime statically (/MT), OFF as a DLL (/MD); empty: static for the DLL and wol-wake, the compiler's default for a static library")
set_property(CACHE TARNWICK_WOL_MSVC_STATIC_RUNTIME PROPERTY STRINGS "" ON OFF)

# MSVC and clang-cl: the C runtime a target links. The user's choice when
# there is one (TARNWICK_WOL_MSVC_STATIC_RUNTIME, or CMAKE_MSVC_RUNTIME_LIBRARY
# for every target); otherwise linked in (/MT) for the DLL and the programs
# that go with it, so that they need only DLLs that Windows has, and the
# compiler's default (/MD) for a static library, which must match the
# programs that link it.
function(tarnwick_wol_msvc_runtime target)
  if(NOT MSVC)
    return()
  endif()
  if(NOT "${TARNWICK_WOL_MSVC_STATIC_RUNTIME}" STREQUAL "")
    set(static ${TARNWICK_WOL_MSVC_STATIC_RUNTIME})
  elseif(DEFINED CMAKE_MSVC_RUNTIME_LIBRARY)
    return()
  else()
    get_target_property(type ${target} TYPE)
    if(BUILD_SHARED_LIBS AND NOT type STREQUAL "STATIC_LIBRARY")
      set(static ON)
    else()
      set(static OFF)
    endif()
  endif()
  if(static)
    set_target_properties(${target} PROPERTIES MSVC_RUNTIME_LIBRARY
                                               "MultiThreaded$<$<CONFIG:Debug>:Debug>")
  else()
    set_target_properties(${target} PROPERTIES MSVC_RUNTIME_LIBRARY
                                               "MultiThreaded$<$<CONFIG:Debug>:Debug>DLL")
  endif()
endfunction()

# What users receive (the library and wol-wake): with MSVC and clang-cl the
# runtime chosen above; with MinGW the GCC runtime linked in; with GCC and
# Clang on Linux hardened as Debian builds its own packages. Symbol tables
# are removed when installing (`cmake --install --strip`, CPack), never by
# a link flag.
function(tarnwick_wol_shipped target)
  tarnwick_wol_msvc_runtime(${target})
  if(tarnwick_wol_unknown_compiler OR MSVC)
    return()
  endif()
  target_link_options(${target} PRIVATE ${tarnwick_wol_shipped_link_flags})
  if(NOT TARNWICK_WOL_SANITIZE AND NOT TARNWICK_WOL_BUILD_FUZZERS AND tarnwick_wol_hardening_flags)
    target_compile_options(${target} PRIVATE ${tarnwick_wol_hardening_flags})
    # Undefined first: some compilers (Ubuntu's) define it themselves, and
    # defining it again would warn.
    set(release $<CONFIG:Release,MinSizeRel>)
    target_compile_options(${target} PRIVATE $<${release}:-U_FORTIFY_SOURCE>
                                             $<${release}:-D_FORTIFY_SOURCE=2>)
  endif()
endfunction()

# A C program that links a sanitized C++ library needs the C++ sanitizer
# runtime, which only the C++ driver links.
function(tarnwick_wol_c_program target)
  if(TARNWICK_WOL_SANITIZE)
    set_target_properties(${target} PROPERTIES LINKER_LANGUAGE CXX)
  endif()
endfunction()
