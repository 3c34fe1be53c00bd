# Installation, the CMake package, pkg-config, release archives and Debian
# packages, into the directories of install-dirs.cmake. Components:
# `runtime` (the shared library), `development` (header, link files, static
# library, package files), `tool` (wol-wake, wol-listen, wol-relay and its
# systemd unit) and `documentation` (README and licence).
include(CMakePackageConfigHelpers)

set(tarnwick_wol_cmake_dir ${CMAKE_INSTALL_LIBDIR}/cmake/tarnwick-wol)

# Each kind of library in an export set and file of its own, so that a
# shared and a static build can be installed into one prefix. A parent
# project's exported targets that link the library refer to these sets.
foreach(kind shared static)
  set(target "${tarnwick_wol_${kind}_target}")
  if(NOT target)
    continue()
  endif()
  install(
    TARGETS ${target}
    EXPORT tarnwick-wol-${kind}-targets
    RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime
            NAMELINK_COMPONENT development
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development
    INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
  install(
    EXPORT tarnwick-wol-${kind}-targets
    NAMESPACE tarnwick-wol::
    DESTINATION ${tarnwick_wol_cmake_dir}
    COMPONENT development)
endforeach()
if(tarnwick_wol_shared_target)
  tarnwick_wol_strip_comment(${tarnwick_wol_shared_target} ${CMAKE_INSTALL_LIBDIR} runtime)
endif()
install(FILES ${PROJECT_SOURCE_DIR}/include/tarnwick_wol.h
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT development)
if(WIN32 AND tarnwick_wol_shared_target)
  # For MSVC users: the import library in Microsoft's format, and the .def
  # file it was made from.
  install(FILES ${tarnwick_wol_def_file} RENAME tarnwick-wol.def
          DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development)
  if(tarnwick_wol_msvc_import_library)
    install(FILES ${tarnwick_wol_msvc_import_library}
            DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development)
  endif()
endif()

# README and licence: beside the DLL in a Windows tree of its own, in the
# documentation folder elsewhere. Inside a parent project, DOCDIR names the
# parent's folder, so they go to tarnwick-wol's own.
if(NOT tarnwick_wol_top_level)
  set(tarnwick_wol_doc_dir ${CMAKE_INSTALL_DATAROOTDIR}/doc/tarnwick-wol)
elseif(WIN32)
  set(tarnwick_wol_doc_dir .)
else()
  set(tarnwick_wol_doc_dir ${CMAKE_INSTALL_DOCDIR})
endif()
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE
        DESTINATION ${tarnwick_wol_doc_dir} COMPONENT documentation)

# The CMake package: one configuration file for both kinds, which loads the
# export file of the kind asked for.
configure_package_config_file(
  ${PROJECT_SOURCE_DIR}/cmake/tarnwick-wol-config.cmake.in
  ${PROJECT_BINARY_DIR}/tarnwick-wol-config.cmake
  INSTALL_DESTINATION ${tarnwick_wol_cmake_dir})
write_basic_package_version_file(
  ${PROJECT_BINARY_DIR}/tarnwick-wol-config-version.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/tarnwick-wol-config.cmake
              ${PROJECT_BINARY_DIR}/tarnwick-wol-config-version.cmake
        DESTINATION ${tarnwick_wol_cmake_dir} COMPONENT development)

# pkg-config: one tarnwick-wol.pc for both kinds; `pkg-config --static` adds
# the static library's define and, on Windows, Winsock. It is written when
# installing, for the prefix actually installed to (see pkg-config-file.cmake).
if(WIN32)
  set(tarnwick_wol_pc_libs_private "-lws2_32")
else()
  set(tarnwick_wol_pc_libs_private "")
endif()
install(
  CODE "
    set(tw_template [[${PROJECT_SOURCE_DIR}/cmake/tarnwick-wol.pc.in]])
    set(tw_output [[${PROJECT_BINARY_DIR}/pkgconfig/tarnwick-wol.pc]])
    set(tw_libdir [[${CMAKE_INSTALL_LIBDIR}]])
    set(tw_includedir [[${CMAKE_INSTALL_INCLUDEDIR}]])
    set(tw_description [[${PROJECT_DESCRIPTION}]])
    set(tw_version [[${PROJECT_VERSION}]])
    set(tw_libs_private [[${tarnwick_wol_pc_libs_private}]])
    include([[${PROJECT_SOURCE_DIR}/cmake/pkg-config-file.cmake]])"
  COMPONENT development)
install(FILES ${PROJECT_BINARY_DIR}/pkgconfig/tarnwick-wol.pc
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT development)

if(tarnwick_wol_top_level)
  include(cmake/packages.cmake)
endif()
