# The capture engine over arbitrary PCM, split into buffers at arbitrary
# points, recording into a file. The scripted device and the test memory layer
# are compiled in: the fuzz tree has no tests/ libraries.
bitdek_add_fuzzer(fuzz_capture
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_capture.cpp
            ${CMAKE_SOURCE_DIR}/tests/scripted_wave/scripted_wave.cpp
            ${CMAKE_SOURCE_DIR}/tests/test_memory/test_memory.cpp
    LIBS bitdek_core bitdek_platform_files)
