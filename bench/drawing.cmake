tubra_benchmark(drawing_io SOURCES ${CMAKE_CURRENT_LIST_DIR}/drawing_io.cpp DEPS tubra_model tubra_testsupport)
