# Arbitrary bytes opened as a stream file, or long files grown from a few
# bytes with the tests' frame builder: walked, navigated, measured, written.
bitdek_add_fuzzer(fuzz_stream_file
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_stream_file.cpp
            ${CMAKE_SOURCE_DIR}/tests/support/test_frames.cpp
    LIBS bitdek_core bitdek_platform_files bitdek_platform_memory)
