# Run by CPack after it has written the packages (CPACK_POST_BUILD_SCRIPTS).
#
# CPack gives a package with a shared library in /usr/lib postinst and postrm scripts that call
# ldconfig. Debian runs ldconfig through dpkg's trigger instead, which the library package
# declares (packaging/libkavelup1/triggers); this rewrites each package named in
# CPACK_TUBRA_LDCONFIG_TRIGGER_PACKAGES without the two scripts.
foreach(deb IN LISTS CPACK_PACKAGE_FILES)
  get_filename_component(file_name ${deb} NAME)
  string(REGEX REPLACE "_.*" "" package "${file_name}")
  if(NOT package IN_LIST CPACK_TUBRA_LDCONFIG_TRIGGER_PACKAGES)
    continue()
  endif()
  set(tree ${deb}.tree)
  file(REMOVE_RECURSE ${tree})
  execute_process(COMMAND dpkg-deb --raw-extract ${deb} ${tree} COMMAND_ERROR_IS_FATAL ANY)
  file(REMOVE ${tree}/DEBIAN/postinst ${tree}/DEBIAN/postrm)
  execute_process(COMMAND dpkg-deb --root-owner-group -Zgzip --build ${tree} ${deb}
                  OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
  file(REMOVE_RECURSE ${tree})
endforeach()
