# Any bytes as a drawing file, every report page drawn from what was read.
tubra_fuzzer(report_pages SOURCES ${CMAKE_CURRENT_LIST_DIR}/report_pages.cpp DEPS tubra_report)
