// Known stream files for the program's tests, and the PCM that playing them
// must put on the output, worked out from the burst format directly.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/words.h"

// One record of a stream: a time code packet in stream order (empty when the
// layout has none) and the frame, both as words in memory.
struct TestRecord {
    std::vector<Word> packet;
    std::vector<Word> frame;
};

// frame_count frames of the sample rate fscod (0 48 kHz, 1 44.1 kHz, 2 32 kHz)
// for layout format (a FileFormat); packets with a running time code for
// FORMAT_NORMAL_TC. Every frame has its own pattern and a correct CRC.
std::vector<TestRecord> make_test_stream(int format, int fscod, int frame_count);

// The file bytes of records in layout format.
std::vector<uint8_t> stream_file_bytes(const std::vector<TestRecord>& records, int format);

// Device buffers of the output: 24,576 words each.
constexpr int32_t TEST_BUFFER_WORDS = 24576;

// Everything the output device must receive when records are played from the
// first to the end in output format spdif_mode: three silent buffers, then
// eight blocks of 3072 words per buffer, the last buffer padded with silence
// (an entirely silent one when the count is a multiple of eight). A packet's
// word 6 goes out as the reader hands it on, 0x0110.
std::vector<Word> expected_output(const std::vector<TestRecord>& records, int spdif_mode);

// Words of little-endian PCM bytes, and back.
std::vector<Word> pcm_words(const std::vector<uint8_t>& bytes);
std::vector<uint8_t> pcm_bytes(const std::vector<Word>& words);

// Where two word sequences first differ, as text for a failure message
// ("equal" when they do not).
std::string first_difference(const std::vector<Word>& expected, const std::vector<Word>& actual);
