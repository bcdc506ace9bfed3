tubra_fuzzer(app_input SOURCES ${CMAKE_CURRENT_LIST_DIR}/app_input.cpp DEPS tubra_app_core)
