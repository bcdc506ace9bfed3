# A Debian package of everything the build installs: `cpack -G DEB` in the build tree. Every
# target or file with an install() rule joins it; the libraries the programs link against
# become package dependencies through dpkg-shlibdeps, and what they load or use at run time
# without linking is declared below.

set(CPACK_PACKAGE_NAME "tubra")
set(CPACK_PACKAGE_VENDOR "Tubra")
set(CPACK_PACKAGE_CONTACT "Tubra developers <tubra@localhost.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Piping single-line drawings and inspection reports, with an upload component")
set(CPACK_PACKAGE_DESCRIPTION
    "tubra draws isometric piping single-line drawings (*.hcd) with their inspection report forms. \
tubra-cli renders, prints and converts them without a window. \
kavelup.cgi and libkavelup.so receive files uploaded to a web page.")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "graphics")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded at run time, not linked: the window system's platform plugin; the fonts that hold the
# Chinese texts; the desktop databases that pick up the file type and the menu entry.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-noto-cjk | fonts-wqy-microhei")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "shared-mime-info, desktop-file-utils, hicolor-icon-theme")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "lighttpd | apache2 | nginx")

include(CPack)
