# A mouse move with the pipe tool (snapping over every object, rubber band, marker) on a
# 5,000-object drawing, against a full repaint of the same view.
if(TUBRA_WITH_QT)
  tubra_benchmark(edit_mouse SOURCES ${CMAKE_CURRENT_LIST_DIR}/edit_mouse.cpp ${CMAKE_CURRENT_LIST_DIR}/view_drawing.cpp
    DEPS tubra_app)
  # One segment added by two clicks to an 8,000-object drawing in a window, repaint included,
  # against the repaint alone.
  tubra_benchmark(edit_window SOURCES ${CMAKE_CURRENT_LIST_DIR}/edit_window.cpp DEPS tubra_app tubra_cli_play)
endif()
# Drawing by script: 1,000 against 4,000 segments, and one segment added to an 8,000-object
# drawing through the view controller.
tubra_benchmark(edit_script SOURCES ${CMAKE_CURRENT_LIST_DIR}/edit_script.cpp DEPS tubra_cli_play)
