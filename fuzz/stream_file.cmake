# Arbitrary bytes opened as a stream file: walked, navigated, measured, written.
bitdek_add_fuzzer(fuzz_stream_file SOURCES fuzz_stream_file.cpp
                  LIBS bitdek_core bitdek_platform_files bitdek_platform_memory)
