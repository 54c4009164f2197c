bitdek_add_bench(bench_bitstream SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_bitstream.cpp
                 ${CMAKE_SOURCE_DIR}/tests/support/test_frames.cpp)
