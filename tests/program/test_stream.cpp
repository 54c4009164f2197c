#include "tests/program/test_stream.h"

#include <cstdio>

#include "common/file_format.h"
#include "tests/support/test_frames.h"

namespace {

constexpr int32_t BLOCK_WORDS = 3072;
constexpr int BLOCKS_PER_BUFFER = 8;
constexpr Word PA = 0xF872;
constexpr Word PB = 0x4E1F;
constexpr Word STORED_MARKER = 0x0110;

void put_high_byte_first(std::vector<uint8_t>& out, Word w) {
    out.push_back(static_cast<uint8_t>(w >> 8));
    out.push_back(static_cast<uint8_t>(w & 0xFF));
}

void put_low_byte_first(std::vector<uint8_t>& out, Word w) {
    out.push_back(static_cast<uint8_t>(w & 0xFF));
    out.push_back(static_cast<uint8_t>(w >> 8));
}

// Writes burst words into one block at the output format's places.
struct BlockWriter {
    Word* block;
    int stride;
    int32_t next;
    void put(Word w) {
        block[next] = w;
        next += stride;
    }
    void burst(Word type, const std::vector<Word>& payload) {
        put(PA);
        put(PB);
        put(type);
        put(static_cast<Word>(payload.size() * 16));
        for (Word w : payload) {
            put(w);
        }
    }
};

}  // namespace

std::vector<TestRecord> make_test_stream(int format, int fscod, int frame_count) {
    std::vector<TestRecord> records;
    for (int i = 0; i < frame_count; ++i) {
        FrameSpec shape;
        shape.fscod = fscod;
        shape.frmsizecod = 18;  // 160 kbit/s: navigation by frames assumes one frame size
        shape.acmod = 2 + i % 2;
        shape.seed = static_cast<uint32_t>(1000 + i);
        TestRecord record;
        record.frame = make_frame(shape);
        if (format == FORMAT_NORMAL_TC) {
            // 25 frames a second (rate code 3), counted on from 10:20:30:00.
            record.packet = make_time_code_packet(10, 20, 30 + i / 25, i % 25, 0, 3, 0);
        }
        records.push_back(record);
    }
    return records;
}

std::vector<uint8_t> stream_file_bytes(const std::vector<TestRecord>& records, int format) {
    std::vector<uint8_t> out;
    for (const TestRecord& record : records) {
        if (format == FORMAT_NORMAL_TC) {
            // Stored as the marker, s0..s5, s7; s6 is not kept.
            const std::vector<Word>& s = record.packet;
            put_high_byte_first(out, STORED_MARKER);
            for (int k = 0; k < 6; ++k) {
                put_high_byte_first(out, s[k]);
            }
            put_high_byte_first(out, s[7]);
        }
        for (Word w : record.frame) {
            if (format == FORMAT_PC) {
                put_low_byte_first(out, w);
            } else {
                put_high_byte_first(out, w);
            }
        }
    }
    return out;
}

std::vector<Word> expected_output(const std::vector<TestRecord>& records, int spdif_mode) {
    size_t buffers = 3 + records.size() / BLOCKS_PER_BUFFER + 1;
    std::vector<Word> out(buffers * TEST_BUFFER_WORDS, 0);
    int stride = spdif_mode == 0 ? 1 : 2;
    int start = spdif_mode == 2 ? 1 : 0;
    for (size_t i = 0; i < records.size(); ++i) {
        Word* block = out.data() + 3 * TEST_BUFFER_WORDS + i * BLOCK_WORDS;
        BlockWriter writer = {block, stride, start};
        if (!records[i].packet.empty()) {
            std::vector<Word> sent = records[i].packet;
            sent[6] = STORED_MARKER;
            writer.burst(2, sent);
        }
        writer.burst(1, records[i].frame);
    }
    return out;
}

std::vector<Word> pcm_words(const std::vector<uint8_t>& bytes) {
    std::vector<Word> words(bytes.size() / 2);
    for (size_t i = 0; i < words.size(); ++i) {
        words[i] = static_cast<Word>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    }
    return words;
}

std::vector<uint8_t> pcm_bytes(const std::vector<Word>& words) {
    std::vector<uint8_t> bytes;
    bytes.reserve(words.size() * 2);
    for (Word w : words) {
        put_low_byte_first(bytes, w);
    }
    return bytes;
}

std::string first_difference(const std::vector<Word>& expected, const std::vector<Word>& actual) {
    size_t n = expected.size() < actual.size() ? expected.size() : actual.size();
    for (size_t i = 0; i < n; ++i) {
        if (expected[i] != actual[i]) {
            char text[160];
            std::snprintf(text, sizeof(text),
                          "word %zu (buffer %zu, word %zu): expected 0x%04X, got 0x%04X", i,
                          i / TEST_BUFFER_WORDS, i % TEST_BUFFER_WORDS, expected[i], actual[i]);
            return text;
        }
    }
    if (expected.size() != actual.size()) {
        return "lengths differ: expected " + std::to_string(expected.size()) + " words, got " +
               std::to_string(actual.size());
    }
    return "equal";
}
