# Installation, the CMake package, pkg-config, release archives and Debian
# packages. Every file installed refers to the others relative to itself, so
# an installed tree works from wherever it is copied. Components: `runtime`
# (the shared library), `development` (header, link files, package files)
# and `tool` (wol-wake).
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(tarnwick_wol_cmake_dir ${CMAKE_INSTALL_LIBDIR}/cmake/tarnwick-wol)

install(
  TARGETS tarnwick-wol
  EXPORT tarnwick-wol-targets
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime
          NAMELINK_COMPONENT development
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(FILES ${PROJECT_SOURCE_DIR}/include/tarnwick_wol.h
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT development)
if(WIN32 AND BUILD_SHARED_LIBS)
  # For MSVC users: the import library in Microsoft's format, and the .def
  # file it was made from.
  install(FILES ${tarnwick_wol_def_file} RENAME tarnwick-wol.def
          DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development)
  if(tarnwick_wol_msvc_import_library)
    install(FILES ${tarnwick_wol_msvc_import_library}
            DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development)
  endif()
endif()
if(WIN32)
  set(tarnwick_wol_doc_dir .)
else()
  set(tarnwick_wol_doc_dir ${CMAKE_INSTALL_DOCDIR})
endif()
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE
        DESTINATION ${tarnwick_wol_doc_dir} COMPONENT runtime)

install(
  EXPORT tarnwick-wol-targets
  NAMESPACE tarnwick-wol::
  DESTINATION ${tarnwick_wol_cmake_dir}
  COMPONENT development)
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

# pkg-config finds the prefix from where the .pc file itself lies. A static
# library's users need its define, and on Windows Winsock.
file(RELATIVE_PATH tarnwick_wol_pc_to_prefix
     /prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig /prefix)
string(REGEX REPLACE "/$" "" tarnwick_wol_pc_to_prefix "${tarnwick_wol_pc_to_prefix}")
set(tarnwick_wol_pc_cflags "")
set(tarnwick_wol_pc_libs_private "")
if(NOT BUILD_SHARED_LIBS)
  set(tarnwick_wol_pc_cflags " -DTARNWICK_WOL_STATIC")
endif()
if(WIN32)
  set(tarnwick_wol_pc_libs_private "-lws2_32")
endif()
configure_file(${PROJECT_SOURCE_DIR}/cmake/tarnwick-wol.pc.in
               ${PROJECT_BINARY_DIR}/tarnwick-wol.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/tarnwick-wol.pc
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT development)

if(tarnwick_wol_top_level)
  include(cmake/packages.cmake)
endif()
