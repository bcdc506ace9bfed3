tubra_fuzzer(view_paint SOURCES ${CMAKE_CURRENT_LIST_DIR}/view_paint.cpp DEPS tubra_view)
