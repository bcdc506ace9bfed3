# Any bytes as a drawing file with the inspection report installed, and through the importer.
tubra_fuzzer(report SOURCES ${CMAKE_CURRENT_LIST_DIR}/report.cpp DEPS tubra_report)
