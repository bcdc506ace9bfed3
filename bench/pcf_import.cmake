# A piping component file laid out as a drawing: `tubra-cli import` of a generated 5,000-component
# PCF against `tubra-cli json` of the drawing it makes, each run as a process; and the parts in
# process. make-pcf writes such files for timing by hand.
add_executable(make-pcf ${CMAKE_CURRENT_LIST_DIR}/make_pcf.cpp)
target_link_libraries(make-pcf PRIVATE tubra_testsupport platform)
tubra_warnings(make-pcf)
if(TARGET tubra-cli AND TARGET tubra_layout)
  tubra_benchmark(pcf_import SOURCES ${CMAKE_CURRENT_LIST_DIR}/pcf_import.cpp
    DEPS tubra_layout tubra_app_core tubra_testsupport)
  add_dependencies(bench_pcf_import tubra-cli)
  target_compile_definitions(bench_pcf_import PRIVATE TUBRA_CLI="$<TARGET_FILE:tubra-cli>")
endif()
