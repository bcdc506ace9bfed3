tubra_fuzzer(session SOURCES ${CMAKE_CURRENT_LIST_DIR}/session_script.cpp DEPS tubra_app_core)
