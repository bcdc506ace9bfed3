# The pipeline in real space: `tubra-cli model` and `tubra-cli export --pcf` against
# `tubra-cli json` of the same drawing, each run as a process; and the parts in process.
if(TARGET tubra-cli AND TARGET tubra_exchange)
  tubra_benchmark(spatial SOURCES ${CMAKE_CURRENT_LIST_DIR}/spatial.cpp
    DEPS tubra_exchange tubra_model tubra_testsupport)
  add_dependencies(bench_spatial tubra-cli)
  target_compile_definitions(bench_spatial PRIVATE TUBRA_CLI="$<TARGET_FILE:tubra-cli>")
endif()
