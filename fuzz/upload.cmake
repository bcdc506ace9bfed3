# Arbitrary request bodies through the Upload object with an in-memory host.
tubra_fuzzer(upload SOURCES ${CMAKE_SOURCE_DIR}/fuzz/upload.cpp DEPS upload text)
