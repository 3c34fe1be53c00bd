# Flags for tarnwick-wol's own targets, chosen per compiler family: GCC and
# Clang on one side, MSVC and clang-cl (for both of which MSVC is true) on
# the other. Nothing here touches another project's targets.

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
  if(tarnwick_wol_unknown_compiler)
    return()
  elseif(MSVC)
    target_compile_options(${target} PRIVATE /W4 $<$<BOOL:${tarnwick_wol_werror}>:/WX>)
  else()
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic
                                             $<$<BOOL:${tarnwick_wol_werror}>:-Werror>)
  endif()
endfunction()

# Nothing in the library throws or needs type information.
function(tarnwick_wol_no_exceptions target)
  if(tarnwick_wol_unknown_compiler)
    return()
  elseif(MSVC)
    target_compile_options(${target} PRIVATE /EHs-c- /GR-)
    target_compile_definitions(${target} PRIVATE _HAS_EXCEPTIONS=0)
  else()
    target_compile_options(${target} PRIVATE -fno-exceptions -fno-rtti)
  endif()
endfunction()

# What users receive (the library and wol-wake): with MSVC and clang-cl the C
# runtime linked in, so that it needs only DLLs that Windows has; with GCC
# and Clang hardened as Debian builds its own packages, and in release
# builds without symbol tables or debug sections.
function(tarnwick_wol_shipped target)
  if(tarnwick_wol_unknown_compiler)
    return()
  elseif(MSVC)
    if(TARNWICK_WOL_MSVC_STATIC_RUNTIME)
      set_target_properties(${target} PROPERTIES MSVC_RUNTIME_LIBRARY
                                                 "MultiThreaded$<$<CONFIG:Debug>:Debug>")
    endif()
    return()
  endif()
  set(release $<OR:$<CONFIG:Release>,$<CONFIG:MinSizeRel>>)
  if(MINGW)
    # The GCC runtime inside, so that no MinGW DLL is needed. ASLR with high
    # entropy and NX are the linker's defaults.
    target_link_options(${target} PRIVATE -static-libgcc -static-libstdc++
                        $<${release}:-s>)
    return()
  endif()
  if(NOT TARNWICK_WOL_SANITIZE AND NOT TARNWICK_WOL_BUILD_FUZZERS)
    target_compile_options(${target} PRIVATE -fstack-protector-strong)
    # Undefined first: some compilers (Ubuntu's) define it themselves, and
    # defining it again would warn.
    target_compile_options(${target} PRIVATE $<${release}:-U_FORTIFY_SOURCE>
                                             $<${release}:-D_FORTIFY_SOURCE=2>)
    if(CMAKE_SYSTEM_PROCESSOR MATCHES "x86_64|AMD64|amd64")
      target_compile_options(${target} PRIVATE -fcf-protection)
    endif()
  endif()
  if(NOT APPLE)
    target_link_options(${target} PRIVATE LINKER:-z,relro LINKER:-z,now $<${release}:-s>)
  endif()
endfunction()

# A C program that links a sanitized C++ library needs the C++ sanitizer
# runtime, which only the C++ driver links.
function(tarnwick_wol_c_program target)
  if(TARNWICK_WOL_SANITIZE)
    set_target_properties(${target} PROPERTIES LINKER_LANGUAGE CXX)
  endif()
endfunction()
