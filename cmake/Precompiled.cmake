# Precompiled headers.
#
# Much of what compiling one of our files costs is parsing the standard library, Qt and
# GoogleTest headers it includes: a Qt dialog file is some 160,000 lines once preprocessed, of
# which a few hundred are ours. Every library, test and benchmark program made through the
# helpers of TubraTargets.cmake with at least TUBRA_PCH_MIN_SOURCES files parses the headers its
# files include most once, into a precompiled header, instead of once per file.
#
# Making the header costs about what it saves on two to five files (4 s of CPU for the standard
# library, 11 s with Qt Widgets and GoogleTest; each file then compiles 0.5 to 2.5 s faster), so
# smaller targets go without: measured, tubra_app (21 files) compiles in 40 % less CPU time,
# tubra_report (16) and manager_core_tests (5) in 15 %, report_tests (3) gains nothing.
#
# Which set a target gets follows from what it links, so nothing needs to be said per target:
# moving files or folders around keeps the set right. The sets hold headers our files include
# often; a header missing from them only costs time. Every file still includes what it uses
# (a build with -DTUBRA_PCH=OFF, as the fuzzing build is, shows a file that does not).

set(TUBRA_PCH_MIN_SOURCES 5)  # fewest files of a target that gets a precompiled header

set(TUBRA_PCH_STD
  <algorithm> <array> <cmath> <cstddef> <cstdint> <cstdio> <cstdlib> <cstring> <filesystem>
  <functional> <map> <memory> <optional> <string> <string_view> <system_error> <vector>)
set(TUBRA_PCH_QT_GUI
  <QtCore/QObject> <QtCore/QString> <QtGui/QColor> <QtGui/QFont> <QtGui/QImage> <QtGui/QPainter>
  <QtGui/QPen>)
set(TUBRA_PCH_QT_WIDGETS
  <QtGui/QAction> <QtWidgets/QApplication> <QtWidgets/QBoxLayout> <QtWidgets/QCheckBox>
  <QtWidgets/QComboBox> <QtWidgets/QDialog> <QtWidgets/QDialogButtonBox> <QtWidgets/QLabel>
  <QtWidgets/QLineEdit> <QtWidgets/QMenu> <QtWidgets/QPushButton> <QtWidgets/QWidget>)
set(TUBRA_PCH_GTEST <gtest/gtest.h>)
set(TUBRA_PCH_BENCHMARK <benchmark/benchmark.h>)

# Registers a target made by a helper of TubraTargets.cmake.
function(tubra_pch_candidate target)
  set_property(GLOBAL APPEND PROPERTY TUBRA_PCH_CANDIDATES ${target})
endfunction()

# The targets whose usage requirements (include directories above all) reach `target`: what it
# links, and what those link publicly, all the way down.
function(_tubra_usage_closure target out)
  get_target_property(queue ${target} LINK_LIBRARIES)
  if(NOT queue)
    set(queue "")
  endif()
  set(seen "")
  while(queue)
    list(POP_FRONT queue dep)
    if(dep MATCHES "^\\$<" OR dep IN_LIST seen)
      continue()  # $<LINK_ONLY:...> brings no usage requirements
    endif()
    list(APPEND seen ${dep})
    if(TARGET ${dep})
      get_target_property(more ${dep} INTERFACE_LINK_LIBRARIES)
      if(more)
        list(APPEND queue ${more})
      endif()
    endif()
  endwhile()
  set(${out} ${seen} PARENT_SCOPE)
endfunction()

# Gives every registered target its precompiled header. Called once, after every folder has
# made its targets.
function(tubra_precompile_headers)
  if(NOT TUBRA_PCH)
    return()
  endif()
  get_property(candidates GLOBAL PROPERTY TUBRA_PCH_CANDIDATES)
  foreach(target IN LISTS candidates)
    get_target_property(sources ${target} SOURCES)
    list(FILTER sources INCLUDE REGEX "\\.cpp$")
    list(LENGTH sources count)
    if(count LESS TUBRA_PCH_MIN_SOURCES)
      continue()
    endif()
    _tubra_usage_closure(${target} deps)
    set(headers ${TUBRA_PCH_STD})
    if("Qt6::Widgets" IN_LIST deps OR "Qt::Widgets" IN_LIST deps)
      list(APPEND headers ${TUBRA_PCH_QT_GUI} ${TUBRA_PCH_QT_WIDGETS})
    elseif("Qt6::Gui" IN_LIST deps OR "Qt::Gui" IN_LIST deps)
      list(APPEND headers ${TUBRA_PCH_QT_GUI})
    endif()
    if("GTest::gtest" IN_LIST deps)
      list(APPEND headers ${TUBRA_PCH_GTEST})
    endif()
    if("benchmark::benchmark" IN_LIST deps)
      list(APPEND headers ${TUBRA_PCH_BENCHMARK})
    endif()
    target_precompile_headers(${target} PRIVATE ${headers})
  endforeach()
endfunction()
