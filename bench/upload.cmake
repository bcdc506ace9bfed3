# The upload parse on one large file and on many small fields (compared with busboy by
# bench/upload-compare.sh).
tubra_benchmark(upload SOURCES ${CMAKE_SOURCE_DIR}/bench/upload_bench.cpp DEPS upload text)
