tubra_benchmark(drawing_io SOURCES ${CMAKE_CURRENT_LIST_DIR}/drawing_io.cpp DEPS tubra_model tubra_testsupport)

# Generated drawings as files, for timing whole commands (docs/benchmarks.md).
add_executable(make-drawing ${CMAKE_CURRENT_LIST_DIR}/make_drawing.cpp)
target_link_libraries(make-drawing PRIVATE tubra_model tubra_testsupport platform)
tubra_warnings(make-drawing)
