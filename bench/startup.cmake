# Start-up of the drawing program: process start to the first finished paint of a drawing,
# against a bare Qt window started and painted the same way.
if(TUBRA_WITH_QT AND TARGET tubra)
  add_executable(bench_startup_bare ${CMAKE_CURRENT_LIST_DIR}/startup_bare.cpp)
  target_link_libraries(bench_startup_bare PRIVATE Qt6::Widgets)
  tubra_warnings(bench_startup_bare)
  tubra_benchmark(startup SOURCES ${CMAKE_CURRENT_LIST_DIR}/startup.cpp
    DEPS tubra_model tubra_testsupport)
  add_dependencies(bench_startup tubra bench_startup_bare)
  target_compile_definitions(bench_startup PRIVATE
    TUBRA_PROGRAM="$<TARGET_FILE:tubra>"
    BARE_PROGRAM="$<TARGET_FILE:bench_startup_bare>"
    PIPELINE_SAMPLE="${CMAKE_SOURCE_DIR}/examples/pipeline.hcd")
endif()
