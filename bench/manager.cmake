# The drawing-file manager: listing a directory of generated drawings against a grep-like
# baseline, and the program that makes such directories for the comparison scripts.
add_library(manager_bench_drawings STATIC ${CMAKE_CURRENT_LIST_DIR}/manager_drawings.cpp)
target_link_libraries(manager_bench_drawings PUBLIC tubra_report_data tubra_testsupport)
tubra_warnings(manager_bench_drawings)

add_executable(manager-make-drawings ${CMAKE_CURRENT_LIST_DIR}/manager_make_drawings.cpp)
target_link_libraries(manager-make-drawings PRIVATE manager_bench_drawings)
tubra_warnings(manager-make-drawings)

tubra_benchmark(manager_list SOURCES ${CMAKE_CURRENT_LIST_DIR}/manager_list.cpp
  DEPS manager_core manager_bench_drawings)

# The window listing a large directory: time, responsiveness and memory.
if(TARGET manager_app)
  add_executable(manager-window-probe ${CMAKE_CURRENT_LIST_DIR}/manager_window.cpp)
  target_link_libraries(manager-window-probe PRIVATE manager_app)
  tubra_warnings(manager-window-probe)
endif()

# The list exported as text and as an Excel workbook.
tubra_benchmark(manager_exports SOURCES ${CMAKE_CURRENT_LIST_DIR}/manager_exports.cpp
  DEPS manager_core manager_bench_drawings)
