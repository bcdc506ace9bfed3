tubra_fuzzer(spatial SOURCES ${CMAKE_CURRENT_LIST_DIR}/spatial.cpp DEPS tubra_exchange)
