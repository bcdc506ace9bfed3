tubra_fuzzer(drawing SOURCES ${CMAKE_CURRENT_LIST_DIR}/drawing_reader.cpp DEPS tubra_model)
