# Install directories: GNUInstallDirs' CMAKE_INSTALL_BINDIR, LIBDIR,
# INCLUDEDIR, DATAROOTDIR and DOCDIR, each relative to the prefix or
# absolute. (On Debian, a prefix of /usr gives the multiarch LIBDIR
# lib/<triplet>.)
include(GNUInstallDirs)

# Whether the install tree can be moved as a whole: only when every
# directory it uses lies under the prefix.
set(tarnwick_wol_relocatable ON)
foreach(dir BINDIR LIBDIR INCLUDEDIR DATAROOTDIR)
  if(IS_ABSOLUTE "${CMAKE_INSTALL_${dir}}")
    set(tarnwick_wol_relocatable OFF)
  endif()
endforeach()

# tarnwick_wol_strip_comment(TARGET DIR COMPONENT): when installing with
# --strip (or by CPack), also removes the .comment section that the C
# runtime's start files bring into an ELF file (TARGET's, installed into
# DIR), as Debian's own packages have it.
function(tarnwick_wol_strip_comment target dir component)
  if(WIN32 OR APPLE OR NOT CMAKE_OBJCOPY)
    return()
  endif()
  install(
    CODE "
      if(CMAKE_INSTALL_DO_STRIP)
        set(tw_file [[${dir}/$<TARGET_FILE_NAME:${target}>]])
        if(NOT IS_ABSOLUTE \"\${tw_file}\")
          set(tw_file \"\${CMAKE_INSTALL_PREFIX}/\${tw_file}\")
        endif()
        execute_process(COMMAND [[${CMAKE_OBJCOPY}]] --remove-section=.comment
                                \"\$ENV{DESTDIR}\${tw_file}\" RESULT_VARIABLE tw_failed)
        if(tw_failed)
          message(FATAL_ERROR \"objcopy could not remove .comment from \${tw_file}\")
        endif()
      endif()"
    COMPONENT ${component})
endfunction()

# tarnwick_wol_install_program(TARGET): installs the program TARGET into
# BINDIR (component `tool`). On ELF systems it finds the shared library
# through its run path: $ORIGIN-relative in a relocatable tree, the library
# directory itself otherwise, and none at all when the library lands in a
# directory that the dynamic linker searches anyway (as in /usr, and so in
# the Debian packages).
function(tarnwick_wol_install_program target)
  install(TARGETS ${target} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT tool)
  tarnwick_wol_strip_comment(${target} ${CMAKE_INSTALL_BINDIR} tool)
  if(WIN32 OR APPLE OR NOT BUILD_SHARED_LIBS)
    return()
  endif()
  if(tarnwick_wol_relocatable)
    file(RELATIVE_PATH to_lib /prefix/${CMAKE_INSTALL_BINDIR} /prefix/${CMAKE_INSTALL_LIBDIR})
    set(run_path "$ORIGIN/${to_lib}")
  else()
    set(run_path "${CMAKE_INSTALL_FULL_LIBDIR}")
  endif()
  set_target_properties(${target} PROPERTIES INSTALL_RPATH "${run_path}")
  # Decided when installing, since `cmake --install --prefix` may choose
  # another prefix than the one configured.
  set(system_dirs ${CMAKE_C_IMPLICIT_LINK_DIRECTORIES} ${CMAKE_CXX_IMPLICIT_LINK_DIRECTORIES})
  install(
    CODE "
      set(tw_lib [[${CMAKE_INSTALL_LIBDIR}]])
      set(tw_program [[${CMAKE_INSTALL_BINDIR}/$<TARGET_FILE_NAME:${target}>]])
      if(NOT IS_ABSOLUTE \"\${tw_lib}\")
        set(tw_lib \"\${CMAKE_INSTALL_PREFIX}/\${tw_lib}\")
      endif()
      if(NOT IS_ABSOLUTE \"\${tw_program}\")
        set(tw_program \"\${CMAKE_INSTALL_PREFIX}/\${tw_program}\")
      endif()
      get_filename_component(tw_lib \"\${tw_lib}\" ABSOLUTE)
      set(tw_system_dirs [[${system_dirs}]])
      list(FIND tw_system_dirs \"\${tw_lib}\" tw_system) # (no IN_LIST: no policies here)
      if(tw_system GREATER -1)
        file(RPATH_REMOVE FILE \"\$ENV{DESTDIR}\${tw_program}\")
      endif()"
    COMPONENT tool)
endfunction()
