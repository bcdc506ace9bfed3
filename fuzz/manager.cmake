# Any bytes as a drawing file for the file manager: list fields, pipe length, value changes and
# report copies.
tubra_fuzzer(manager SOURCES ${CMAKE_CURRENT_LIST_DIR}/manager.cpp DEPS manager_core)
