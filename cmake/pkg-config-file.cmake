# Run when installing (see install.cmake): writes tarnwick-wol.pc for the
# prefix being installed to. In /usr and /usr/local, and whenever an install
# directory is absolute, its paths are absolute, so that pkg-config can drop
# the system's own directories from the flags; anywhere else they are
# relative to the .pc file itself, so that the installed tree can be moved.
string(REGEX REPLACE "/+$" "" tw_prefix "${CMAKE_INSTALL_PREFIX}")
if(tw_prefix MATCHES "^(/usr|/usr/local)?$" OR IS_ABSOLUTE "${tw_libdir}"
   OR IS_ABSOLUTE "${tw_includedir}")
  set(pc_prefix "${tw_prefix}")
else()
  file(RELATIVE_PATH tw_up "/prefix/${tw_libdir}/pkgconfig" "/prefix")
  string(REGEX REPLACE "/$" "" tw_up "${tw_up}")
  set(pc_prefix "\${pcfiledir}/${tw_up}")
endif()
foreach(tw_dir libdir includedir)
  if(IS_ABSOLUTE "${tw_${tw_dir}}")
    set(pc_${tw_dir} "${tw_${tw_dir}}")
  else()
    set(pc_${tw_dir} "\${prefix}/${tw_${tw_dir}}")
  endif()
endforeach()
configure_file("${tw_template}" "${tw_output}" @ONLY)
