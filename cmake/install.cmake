# Installation, the CMake package, pkg-config and release archives. Every
# file installed refers to the others relative to itself, so an installed
# tree works from wherever it is copied.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(tarnwick_wol_cmake_dir ${CMAKE_INSTALL_LIBDIR}/cmake/tarnwick-wol)

install(
  TARGETS tarnwick-wol
  EXPORT tarnwick-wol-targets
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(FILES ${PROJECT_SOURCE_DIR}/include/tarnwick_wol.h
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
if(WIN32)
  # For MSVC users: `lib /def:tarnwick-wol.def /machine:x64` makes a .lib.
  install(FILES ${PROJECT_SOURCE_DIR}/src/tarnwick-wol.def
          DESTINATION ${CMAKE_INSTALL_LIBDIR})
  set(tarnwick_wol_doc_dir .)
else()
  set(tarnwick_wol_doc_dir ${CMAKE_INSTALL_DOCDIR})
endif()
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE
        DESTINATION ${tarnwick_wol_doc_dir})

install(
  EXPORT tarnwick-wol-targets
  NAMESPACE tarnwick-wol::
  DESTINATION ${tarnwick_wol_cmake_dir})
configure_package_config_file(
  ${PROJECT_SOURCE_DIR}/cmake/tarnwick-wol-config.cmake.in
  ${PROJECT_BINARY_DIR}/tarnwick-wol-config.cmake
  INSTALL_DESTINATION ${tarnwick_wol_cmake_dir})
write_basic_package_version_file(
  ${PROJECT_BINARY_DIR}/tarnwick-wol-config-version.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/tarnwick-wol-config.cmake
              ${PROJECT_BINARY_DIR}/tarnwick-wol-config-version.cmake
        DESTINATION ${tarnwick_wol_cmake_dir})

# pkg-config finds the prefix from where the .pc file itself lies.
file(RELATIVE_PATH tarnwick_wol_pc_to_prefix
     /prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig /prefix)
string(REGEX REPLACE "/$" "" tarnwick_wol_pc_to_prefix "${tarnwick_wol_pc_to_prefix}")
configure_file(${PROJECT_SOURCE_DIR}/cmake/tarnwick-wol.pc.in
               ${PROJECT_BINARY_DIR}/tarnwick-wol.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/tarnwick-wol.pc
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

# Release archives: a ZIP for Windows, a gzipped tarball for Linux.
set(CPACK_PACKAGE_NAME tarnwick-wol)
set(CPACK_PACKAGE_VENDOR "The tarnwick-wol developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_RESOURCE_FILE_README ${PROJECT_SOURCE_DIR}/README.md)
if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME tarnwick-wol-${PROJECT_VERSION}-windows-x86_64)
else()
  set(CPACK_GENERATOR TGZ)
  set(CPACK_PACKAGE_FILE_NAME
      tarnwick-wol-${PROJECT_VERSION}-linux-${CMAKE_SYSTEM_PROCESSOR})
endif()
# Only the library's own files: never GoogleTest's or a test's.
set(CPACK_INSTALL_CMAKE_PROJECTS ${PROJECT_BINARY_DIR} tarnwick-wol ALL /)
include(CPack)
