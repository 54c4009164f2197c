# The two audio notifications: one output refill, one input scan. They run
# against the scripted device and the test memory layer, with real files.
bitdek_add_bench(bench_audio
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_audio.cpp
            ${CMAKE_SOURCE_DIR}/tests/scripted_wave/scripted_wave.cpp
            ${CMAKE_SOURCE_DIR}/tests/test_memory/test_memory.cpp
            ${CMAKE_SOURCE_DIR}/tests/support/test_frames.cpp
    LIBS bitdek_core bitdek_platform_files)
