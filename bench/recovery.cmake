# The window's stall for a recovery copy of a 40,000-object drawing, against a full save.
tubra_benchmark(recovery_copy SOURCES ${CMAKE_CURRENT_LIST_DIR}/recovery_copy.cpp DEPS tubra_app_core tubra_testsupport)
