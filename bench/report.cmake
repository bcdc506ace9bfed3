# Printing every page of the full report set of the sample to PDF, against printing its drawing
# sheet, in the same run.
if(TUBRA_WITH_QT AND TARGET tubra_report)
  tubra_benchmark(report_print SOURCES ${CMAKE_CURRENT_LIST_DIR}/report_print.cpp
    DEPS tubra_report tubra_view platform_qt)
  target_compile_definitions(bench_report_print PRIVATE TUBRA_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
endif()
