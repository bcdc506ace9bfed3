# Crossing gaps and the full paint of a 5,000-object drawing, each against the all-pairs pass.
tubra_benchmark(view_gaps SOURCES ${CMAKE_CURRENT_LIST_DIR}/view_gaps.cpp ${CMAKE_CURRENT_LIST_DIR}/view_drawing.cpp
  DEPS tubra_view)
# The same on drawings whose objects crowd a small area (8,000 and 40,000 objects).
tubra_benchmark(view_dense SOURCES ${CMAKE_CURRENT_LIST_DIR}/view_dense.cpp DEPS tubra_view tubra_testsupport)
if(TUBRA_WITH_QT)
  tubra_benchmark(view_paint SOURCES ${CMAKE_CURRENT_LIST_DIR}/view_paint.cpp ${CMAKE_CURRENT_LIST_DIR}/view_drawing.cpp
    DEPS tubra_view platform_qt tubra_app)
endif()
# The window driven through the X server (XTEST clicks, DAMAGE for the new pixels); needs a
# display, e.g. under xvfb-run.
if(TUBRA_WITH_QT AND TARGET tubra_app)
  find_package(PkgConfig)
  if(PkgConfig_FOUND)
    pkg_check_modules(XCB_DRIVE IMPORTED_TARGET xcb xcb-xtest xcb-damage)
  endif()
  if(XCB_DRIVE_FOUND)
    tubra_benchmark(window_x SOURCES ${CMAKE_CURRENT_LIST_DIR}/window_x.cpp DEPS tubra_app tubra_testsupport PkgConfig::XCB_DRIVE)
  endif()
endif()
