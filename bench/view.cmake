# Crossing gaps and the full paint of a 5,000-object drawing, each against the all-pairs pass.
tubra_benchmark(view_gaps SOURCES ${CMAKE_CURRENT_LIST_DIR}/view_gaps.cpp ${CMAKE_CURRENT_LIST_DIR}/view_drawing.cpp
  DEPS tubra_view)
if(TUBRA_WITH_QT)
  tubra_benchmark(view_paint SOURCES ${CMAKE_CURRENT_LIST_DIR}/view_paint.cpp ${CMAKE_CURRENT_LIST_DIR}/view_drawing.cpp
    DEPS tubra_view platform_qt)
endif()
