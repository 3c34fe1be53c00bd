# Release archives (a ZIP for Windows, a gzipped tarball for Linux) and, on
# Linux, Debian packages: `cpack -G DEB` in a build folder configured with
# -DCMAKE_INSTALL_PREFIX=/usr -DTARNWICK_WOL_BUILD_STATIC=ON makes
# libtarnwick-wol1, libtarnwick-wol-dev and wol-wake (with wol-listen,
# wol-relay and its systemd unit). Both strip what they pack.
set(CPACK_PACKAGE_NAME tarnwick-wol)
set(CPACK_PACKAGE_VENDOR "The tarnwick-wol developers")
set(CPACK_PACKAGE_CONTACT "The tarnwick-wol developers <tarnwick-wol@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_RESOURCE_FILE_README ${PROJECT_SOURCE_DIR}/README.md)
if(WIN32)
  set(CPACK_GENERATOR ZIP)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(CPACK_PACKAGE_FILE_NAME tarnwick-wol-${PROJECT_VERSION}-windows-x86)
  else()
    set(CPACK_PACKAGE_FILE_NAME tarnwick-wol-${PROJECT_VERSION}-windows-x86_64)
  endif()
else()
  set(CPACK_GENERATOR TGZ)
  set(CPACK_PACKAGE_FILE_NAME
      tarnwick-wol-${PROJECT_VERSION}-linux-${CMAKE_SYSTEM_PROCESSOR})
endif()
# Only the library's own files: never GoogleTest's or a test's.
set(CPACK_INSTALL_CMAKE_PROJECTS ${PROJECT_BINARY_DIR} tarnwick-wol ALL /)
set(CPACK_STRIP_FILES ON)

if(UNIX AND NOT APPLE)
  # One package per component; README and licence (`documentation`) stay
  # in the archives, as each package has its own copyright file.
  set(CPACK_DEB_COMPONENT_INSTALL ON)
  set(CPACK_COMPONENTS_ALL runtime development tool)
  # Checked when cpack runs for DEB: see debian/cpack-options.cmake.in.
  set(tarnwick_wol_deb_ready OFF)
  if(CMAKE_INSTALL_PREFIX STREQUAL "/usr" AND tarnwick_wol_shared_target
     AND tarnwick_wol_static_target)
    set(tarnwick_wol_deb_ready ON)
  endif()
  configure_file(${PROJECT_SOURCE_DIR}/cmake/debian/cpack-options.cmake.in
                 ${PROJECT_BINARY_DIR}/debian/cpack-options.cmake @ONLY)
  set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_BINARY_DIR}/debian/cpack-options.cmake)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  # Where dpkg-shlibdeps finds libtarnwick-wol.so.1 when it reads wol-wake.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${PROJECT_BINARY_DIR}/lib)
  set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
  set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
  set(tarnwick_wol_deb_version ${PROJECT_VERSION}-${CPACK_DEBIAN_PACKAGE_RELEASE})

  set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME libtarnwick-wol${PROJECT_VERSION_MAJOR})
  set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
  # CPack puts the summary above each description, as its first line.
  set(CPACK_DEBIAN_RUNTIME_DESCRIPTION "tarnwick-wol builds the 102-byte Wake-on-LAN magic packet for a MAC
address and sends it as one UDP datagram, to the broadcast address or one
the caller names. Four C functions, a fixed English message for every
failure, no heap allocation.

This package holds the shared library.")
  # ldconfig runs by trigger, as Debian's own libraries have it. CPack would
  # also write a postinst and a postrm that call it, unless the package
  # brings its own: naming files that do not exist keeps CPack from writing
  # them and adds nothing to the package.
  configure_file(${PROJECT_SOURCE_DIR}/cmake/debian/symbols.in
                 ${PROJECT_BINARY_DIR}/debian/symbols @ONLY)
  set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/cmake/debian/triggers
      ${PROJECT_BINARY_DIR}/debian/symbols
      ${PROJECT_BINARY_DIR}/debian/none/postinst ${PROJECT_BINARY_DIR}/debian/none/postrm)
  set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME libtarnwick-wol-dev)
  set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
  set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS
      "${CPACK_DEBIAN_RUNTIME_PACKAGE_NAME} (= ${tarnwick_wol_deb_version})")
  set(CPACK_DEBIAN_DEVELOPMENT_DESCRIPTION "tarnwick-wol builds and sends Wake-on-LAN magic packets from four C
functions.

This package holds the header, the link to the shared library, the static
library, and the CMake package and pkg-config files.")
  set(CPACK_DEBIAN_TOOL_PACKAGE_NAME wol-wake)
  set(CPACK_DEBIAN_TOOL_PACKAGE_SECTION net)
  # dpkg-shlibdeps cannot see the library package being made beside it.
  set(CPACK_DEBIAN_TOOL_PACKAGE_DEPENDS
      "${CPACK_DEBIAN_RUNTIME_PACKAGE_NAME} (>= ${tarnwick_wol_deb_version})")
  set(CPACK_DEBIAN_TOOL_DESCRIPTION "wol-wake sends Wake-on-LAN magic packets to the machines named on its
command line, listed in files of targets (UTF-8 or UTF-16) or found by
their names in /etc/ethers, in the MAC forms that Linux, Windows and
switches print: to the broadcast address, an IPv4 or IPv6 address or host
name of your choice, the directed broadcast of every interface, out of one
interface alone, to IPv6's all-nodes group, or as a raw Ethernet frame,
with a SecureOn password if the adapter wants one, repeated if asked; and
it waits, if asked, until the machine answers by TCP or ICMP echo.
.
wol-listen shows each magic packet that reaches the machine, with a verdict
on what it holds. wol-relay carries wake-ups across subnets to the machines
of an allow-list, with rate limits; a systemd unit runs it unprivileged.")

  # Each package's copyright and Debian changelog, in its own doc folder.
  # The changelog's date is SOURCE_DATE_EPOCH's when it is set (reproducible
  # builds), otherwise the time of configuring.
  string(TIMESTAMP tarnwick_wol_deb_date "%a, %d %b %Y %H:%M:%S +0000" UTC)
  # Installed only by a component's installation (the Debian packages), not
  # by a plain `cmake --install` or into the archives.
  find_program(TARNWICK_WOL_GZIP gzip)
  set(tarnwick_wol_deb_docs ${PROJECT_BINARY_DIR}/debian)
  file(READ ${PROJECT_SOURCE_DIR}/LICENSE tarnwick_wol_license)
  string(REGEX REPLACE "\n\n" "\n.\n" tarnwick_wol_license "${tarnwick_wol_license}")
  string(REGEX REPLACE "\n" "\n " tarnwick_wol_license "${tarnwick_wol_license}")
  foreach(component runtime development tool)
    string(TOUPPER ${component} upper)
    set(package ${CPACK_DEBIAN_${upper}_PACKAGE_NAME})
    configure_file(${PROJECT_SOURCE_DIR}/cmake/debian/copyright.in
                   ${tarnwick_wol_deb_docs}/${package}/copyright @ONLY)
    configure_file(${PROJECT_SOURCE_DIR}/cmake/debian/changelog.in
                   ${tarnwick_wol_deb_docs}/${package}/changelog.Debian @ONLY)
    if(TARNWICK_WOL_GZIP)
      execute_process(COMMAND ${TARNWICK_WOL_GZIP} -9nf
                              ${tarnwick_wol_deb_docs}/${package}/changelog.Debian)
    endif()
    install(FILES ${tarnwick_wol_deb_docs}/${package}/copyright
                  ${tarnwick_wol_deb_docs}/${package}/changelog.Debian.gz
            DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${package}
            COMPONENT ${component} EXCLUDE_FROM_ALL)
  endforeach()
  # What lintian is told about the tool package (see the file).
  install(FILES ${PROJECT_SOURCE_DIR}/cmake/debian/wol-wake.lintian-overrides
          DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/lintian/overrides RENAME wol-wake
          COMPONENT tool EXCLUDE_FROM_ALL)
endif()

include(CPack)
