# Debian packages of what the build installs. `cpack -G DEB` in a build tree writes one package
# per install component, split the way Debian splits programs and libraries:
#
#   tubra           tubra and tubra-cli, the help, the desktop entry, the drawing file type, icons
#   vesko           vesko and vesko-cli, the manager's help, desktop entry and icon
#   libkavelup1     the upload component's shared library (multiarch directory, shlibs, ldconfig
#                   trigger)
#   libkavelup-dev  its header, the development link libkavelup.so and kavelup.pc
#   kavelup-cgi     the upload component as a CGI program
#
# Every install() rule names its component. This file adds what each package carries besides:
# the machine-readable copyright and the changelog in /usr/share/doc/<package>, the manual pages
# of its programs, and for the library its pkg-config file. The libraries the programs link
# against become dependencies through dpkg-shlibdeps; what they load or use at run time without
# linking is declared below. scripts/check-package builds the packages and runs lintian on them.

set(TUBRA_PACKAGING_DIR ${CMAKE_SOURCE_DIR}/packaging)
set(TUBRA_MAN_DIR ${CMAKE_SOURCE_DIR}/docs/man)
set(TUBRA_PACKAGE_VERSION ${PROJECT_VERSION})

# The changelog's newest entry names the version being packaged.
file(STRINGS ${TUBRA_PACKAGING_DIR}/changelog changelog_head LIMIT_COUNT 1)
if(NOT changelog_head MATCHES "^tubra \\(${TUBRA_PACKAGE_VERSION}\\) ")
  message(FATAL_ERROR "packaging/changelog starts with '${changelog_head}': "
                      "add an entry for version ${TUBRA_PACKAGE_VERSION}")
endif()

# Debian compresses changelogs and manual pages with gzip -9n (no name, no time stamp, so the
# packages are reproducible). Done when CMake runs; a changed source makes CMake run again.
set(tubra_gz_dir ${CMAKE_BINARY_DIR}/packaging)
file(MAKE_DIRECTORY ${tubra_gz_dir})
function(tubra_gzip source output)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${source})
  execute_process(COMMAND gzip -9nc ${source} OUTPUT_FILE ${output} RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "gzip ${source} failed")
  endif()
endfunction()
tubra_gzip(${TUBRA_PACKAGING_DIR}/changelog ${tubra_gz_dir}/changelog.gz)

# tubra_package_docs(<package> MAN <pages...>): copyright, changelog and manual pages (section 1).
function(tubra_package_docs package)
  cmake_parse_arguments(ARG "" "" "MAN" ${ARGN})
  set(docdir ${CMAKE_INSTALL_DATADIR}/doc/${package})
  install(FILES ${TUBRA_PACKAGING_DIR}/copyright ${tubra_gz_dir}/changelog.gz
          DESTINATION ${docdir} COMPONENT ${package})
  foreach(page IN LISTS ARG_MAN)
    tubra_gzip(${TUBRA_MAN_DIR}/${page}.1 ${tubra_gz_dir}/${page}.1.gz)
    install(FILES ${tubra_gz_dir}/${page}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1
            COMPONENT ${package})
  endforeach()
  set_property(GLOBAL APPEND PROPERTY TUBRA_PACKAGES ${package})
endfunction()

# A package joins when its programs are part of this build (Qt and TUBRA_SKIP_DIRS decide).
if(TARGET tubra-cli)
  set(pages tubra-cli)
  if(TARGET tubra)
    list(APPEND pages tubra)
  endif()
  tubra_package_docs(tubra MAN ${pages})
  # The session script format and the real-space rules, which --help and the help point to.
  install(FILES ${CMAKE_SOURCE_DIR}/docs/sessions.md ${CMAKE_SOURCE_DIR}/docs/real-space.md
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tubra COMPONENT tubra)
endif()
if(TARGET vesko-cli)
  set(pages vesko-cli)
  if(TARGET vesko)
    list(APPEND pages vesko)
  endif()
  tubra_package_docs(vesko MAN ${pages})
endif()
if(TARGET kavelup)
  tubra_package_docs(libkavelup1)
  tubra_package_docs(libkavelup-dev)
  # kavelup.pc names the prefix the build is installed to (/usr in the package, /usr/local by
  # hand), known only when it is installed.
  set(prefix "@prefix@")
  configure_file(${TUBRA_PACKAGING_DIR}/kavelup.pc.in ${tubra_gz_dir}/kavelup.pc.in @ONLY)
  set(pc_file "${CMAKE_INSTALL_LIBDIR}/pkgconfig/kavelup.pc")
  install(CODE "
    set(prefix \"\${CMAKE_INSTALL_PREFIX}\")
    set(pc \"\${CMAKE_INSTALL_PREFIX}/${pc_file}\")
    message(STATUS \"Installing: \$ENV{DESTDIR}\${pc}\")
    configure_file(\"${tubra_gz_dir}/kavelup.pc.in\" \"\$ENV{DESTDIR}\${pc}\" @ONLY)
    list(APPEND CMAKE_INSTALL_MANIFEST_FILES \"\${pc}\")"
    COMPONENT libkavelup-dev)
endif()
if(TARGET kavelup-cgi)
  tubra_package_docs(kavelup-cgi MAN kavelup.cgi)
  # The program's default upload directory. Only the package makes it (a plain `cmake --install`
  # leaves /var alone); its postinst gives it to the web server's user.
  install(DIRECTORY DESTINATION /var/lib/kavelup COMPONENT kavelup-cgi EXCLUDE_FROM_ALL)
endif()
get_property(TUBRA_PACKAGES GLOBAL PROPERTY TUBRA_PACKAGES)

set(CPACK_PACKAGE_NAME "tubra")
set(CPACK_PACKAGE_VENDOR "Tubra")
set(CPACK_PACKAGE_VERSION ${TUBRA_PACKAGE_VERSION})
set(CPACK_PACKAGE_CONTACT "Tubra developers <tubra@localhost.invalid>")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_STRIP_FILES ON)

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL ${TUBRA_PACKAGES})
set(CPACK_COMPONENTS_GROUPING IGNORE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_VERSION ${TUBRA_PACKAGE_VERSION})
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

# The window programs load these at run time without linking them: the window system's platform
# plugin and the fonts that hold the Chinese texts; Qt's own dialogs speak Chinese with its
# translations; the desktop databases pick up the menu entries and the drawing file type.
set(tubra_runtime "qt6-qpa-plugins, fonts-noto-cjk | fonts-wqy-microhei")
set(tubra_desktop "qt6-translations-l10n, shared-mime-info, desktop-file-utils, hicolor-icon-theme")

set(CPACK_DEBIAN_TUBRA_PACKAGE_NAME "tubra")
set(CPACK_DEBIAN_TUBRA_PACKAGE_SECTION "graphics")
set(CPACK_DEBIAN_TUBRA_PACKAGE_DEPENDS "${tubra_runtime}")
set(CPACK_DEBIAN_TUBRA_PACKAGE_RECOMMENDS "${tubra_desktop}")
set(CPACK_DEBIAN_TUBRA_PACKAGE_SUGGESTS "vesko")
set(CPACK_DEBIAN_TUBRA_DESCRIPTION "piping single-line drawings and their inspection reports
Tubra draws the isometric single-line drawing of an in-service industrial
pressure pipeline: pipes along six axes and slanted ones, elbows, tees, welds,
valves, fittings, supports, dimensions, elevation marks, and the drawing frame
with its title block and characteristic table. The same *.hcd file carries the
official inspection report forms, edited in dialogs and printed page by page.

This package holds the desktop program tubra with its help, desktop entry,
drawing file type and icons, and tubra-cli, which summarises drawings, writes
them as JSON, renders them to PNG, PDF or SVG, prints them to PDF, replays
recorded editing sessions and exports the pipeline in real space as a piping
component file (PCF), without a window.")

# The manager opens and prints drawings through tubra.
set(CPACK_DEBIAN_VESKO_PACKAGE_NAME "vesko")
set(CPACK_DEBIAN_VESKO_PACKAGE_SECTION "graphics")
set(CPACK_DEBIAN_VESKO_PACKAGE_DEPENDS "tubra (= ${TUBRA_PACKAGE_VERSION}), ${tubra_runtime}")
set(CPACK_DEBIAN_VESKO_PACKAGE_RECOMMENDS "${tubra_desktop}")
set(CPACK_DEBIAN_VESKO_DESCRIPTION "manager for directories of Tubra pipeline drawings
Vesko lists the pipelines of a directory of Tubra drawings (*.hcd) with the
data of their characteristic tables and title blocks, changes one value in
many files at once, copies a full-inspection report from a template into other
files, checks pipe lengths, exports the list and the import file of a pipeline
registration system as text or Excel workbooks, and has tubra open or print
files in batches.

This package holds the desktop program vesko with its help, desktop entry and
icon, Dolphin's Open with Vesko action on folders, and vesko-cli, which
does the same work without a window.")

set(kavelup_about "KavelUP receives files posted to a web page as multipart/form-data, gives
the page the request's fields and files, and saves the files where the page
says, replacing a file only when asked and never leaving one half-written.")

set(CPACK_DEBIAN_LIBKAVELUP1_PACKAGE_NAME "libkavelup1")
set(CPACK_DEBIAN_LIBKAVELUP1_PACKAGE_SECTION "libs")
# ldconfig runs through dpkg's trigger; the scripts CPack writes to call it are taken out again
# (cmake/DebianLdconfigTrigger.cmake).
set(CPACK_DEBIAN_LIBKAVELUP1_PACKAGE_CONTROL_EXTRA "${TUBRA_PACKAGING_DIR}/libkavelup1/triggers")
set(CPACK_TUBRA_LDCONFIG_TRIGGER_PACKAGES libkavelup1)
set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_SOURCE_DIR}/cmake/DebianLdconfigTrigger.cmake)
set(CPACK_DEBIAN_LIBKAVELUP1_DESCRIPTION "upload component for web pages (shared library)
${kavelup_about}

This package holds the shared library with its C interface.")

set(CPACK_DEBIAN_LIBKAVELUP-DEV_PACKAGE_NAME "libkavelup-dev")
set(CPACK_DEBIAN_LIBKAVELUP-DEV_PACKAGE_SECTION "libdevel")
set(CPACK_DEBIAN_LIBKAVELUP-DEV_PACKAGE_DEPENDS "libkavelup1 (= ${TUBRA_PACKAGE_VERSION})")
set(CPACK_DEBIAN_LIBKAVELUP-DEV_DESCRIPTION "upload component for web pages (development files)
${kavelup_about}

This package holds what building a program against the library needs: the
header kavelup.h, the link libkavelup.so and the pkg-config file kavelup.pc.")

set(CPACK_DEBIAN_KAVELUP-CGI_PACKAGE_NAME "kavelup-cgi")
set(CPACK_DEBIAN_KAVELUP-CGI_PACKAGE_SECTION "web")
set(CPACK_DEBIAN_KAVELUP-CGI_PACKAGE_SUGGESTS "lighttpd | apache2 | httpd-cgi")
# postinst hands /var/lib/kavelup to www-data (dpkg-statoverride); postrm forgets it on purge.
set(CPACK_DEBIAN_KAVELUP-CGI_PACKAGE_CONTROL_EXTRA
    "${TUBRA_PACKAGING_DIR}/kavelup-cgi/postinst;${TUBRA_PACKAGING_DIR}/kavelup-cgi/postrm")
set(CPACK_DEBIAN_KAVELUP-CGI_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
set(CPACK_DEBIAN_KAVELUP-CGI_DESCRIPTION "upload component for web pages (CGI program)
${kavelup_about}

This package holds the CGI program kavelup.cgi in /usr/lib/cgi-bin, for any web
server that runs CGI programs (lighttpd, Apache, nginx with fcgiwrap); the web
server's environment variables configure it. Uploads go to /var/lib/kavelup,
which belongs to www-data, unless the web server names another directory.")

include(CPack)
