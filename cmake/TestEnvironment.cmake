# The surroundings of every test, whatever the machine and the day: ctest reads the script
# written here before any test, and every test (and every program a test starts) inherits it.
#
# - SOURCE_DATE_EPOCH pins the programs' one clock (platform/Clock.h) to 2026-12-08 00:00 UTC,
#   so a title block's date, a PDF's or a workbook's are the same on any day and in any zone.
# - HOME and the XDG directories are a fresh folder of the build tree: a test never reads or
#   writes the user's own configuration, recent files or recovery copies.
# - Fontconfig sees only the fonts the packages bring (scripts/install-deps), so a rendered
#   picture does not change with the fonts a machine happens to have.
set(TUBRA_TEST_HOME ${CMAKE_BINARY_DIR}/test-home)
set(TUBRA_TEST_EPOCH 1796688000)
configure_file(${CMAKE_CURRENT_LIST_DIR}/test-fonts.conf.in ${CMAKE_BINARY_DIR}/test-fonts.conf @ONLY)
file(WRITE ${CMAKE_BINARY_DIR}/test-environment.cmake "\
# Written by cmake/TestEnvironment.cmake.
set(ENV{SOURCE_DATE_EPOCH} ${TUBRA_TEST_EPOCH})
file(REMOVE_RECURSE \"${TUBRA_TEST_HOME}\")
foreach(dir \"\" /.config /.local/share /.local/state /.cache /runtime)
  file(MAKE_DIRECTORY \"${TUBRA_TEST_HOME}\${dir}\")
endforeach()
file(CHMOD \"${TUBRA_TEST_HOME}/runtime\" DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
set(ENV{HOME} \"${TUBRA_TEST_HOME}\")
set(ENV{XDG_CONFIG_HOME} \"${TUBRA_TEST_HOME}/.config\")
set(ENV{XDG_DATA_HOME} \"${TUBRA_TEST_HOME}/.local/share\")
set(ENV{XDG_STATE_HOME} \"${TUBRA_TEST_HOME}/.local/state\")
set(ENV{XDG_CACHE_HOME} \"${TUBRA_TEST_HOME}/.cache\")
set(ENV{XDG_RUNTIME_DIR} \"${TUBRA_TEST_HOME}/runtime\")
set(ENV{FONTCONFIG_FILE} \"${CMAKE_BINARY_DIR}/test-fonts.conf\")
")
set_property(DIRECTORY ${CMAKE_SOURCE_DIR} APPEND PROPERTY TEST_INCLUDE_FILES
             ${CMAKE_BINARY_DIR}/test-environment.cmake)
