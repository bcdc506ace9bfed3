tubra_fuzzer(pcf_import SOURCES ${CMAKE_CURRENT_LIST_DIR}/pcf_import.cpp DEPS tubra_layout)
