bitdek_add_bench(bench_stream_file SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_stream_file.cpp
                 ${CMAKE_SOURCE_DIR}/tests/support/test_frames.cpp
                 LIBS bitdek_core bitdek_platform_files bitdek_platform_memory)
