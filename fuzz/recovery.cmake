tubra_fuzzer(recovery_copy SOURCES ${CMAKE_CURRENT_LIST_DIR}/recovery_copy.cpp DEPS tubra_app_core)
