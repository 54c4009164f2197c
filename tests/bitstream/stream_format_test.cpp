#include <gtest/gtest.h>

#include <cstring>

#include "streamfile/stream_format.h"
#include "tests/support/test_frames.h"

namespace {

// Detects the format of size file bytes, zero but for the given ones, read
// little-endian (no exchange).
FileFormat detect(size_t size, std::initializer_list<std::pair<size_t, uint8_t>> at) {
    std::vector<uint8_t> b(size, 0);
    for (auto [i, v] : at)
        b[i] = v;
    std::vector<Word> w = pcm_words(b);
    return detect_format(w.data(), static_cast<int32_t>(w.size()));
}

TEST(DetectFormat, RulesInOrder) {
    EXPECT_EQ(FORMAT_NORMAL, detect(32, {{0, 0x0B}, {1, 0x77}}));
    EXPECT_EQ(FORMAT_NORMAL, detect(32, {{0, 0x0B}, {1, 0x77}, {16, 0x0B}, {17, 0x77}}));
    EXPECT_EQ(FORMAT_PC, detect(10, {{0, 0x77}, {1, 0x0B}}));
    EXPECT_EQ(FORMAT_NORMAL_TC, detect(18, {{0, 0x01}, {1, 0x10}, {16, 0x0B}, {17, 0x77}}));
    // The marker itself is not examined.
    EXPECT_EQ(FORMAT_NORMAL_TC, detect(18, {{16, 0x0B}, {17, 0x77}}));
    EXPECT_EQ(FORMAT_INVALID, detect(18, {{0, 0x01}, {1, 0x10}, {16, 0x77}, {17, 0x0B}}));
    EXPECT_EQ(FORMAT_INVALID, detect(16, {{0, 0x01}, {1, 0x10}}));
    EXPECT_EQ(FORMAT_INVALID, detect(2, {}));
    // Too short for word 8: never read beyond count.
    Word eight[8] = {0x0110};
    EXPECT_EQ(FORMAT_INVALID, detect_format(eight, 8));
}

TEST(PacketOrder, StoredAndReadBack) {
    Word p[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    packet_to_file_order(p);
    const Word file[8] = {0x0110, 1, 2, 3, 4, 5, 6, 8};
    EXPECT_EQ(0, std::memcmp(file, p, sizeof p));
    packet_to_stream_order(p);
    const Word back[8] = {1, 2, 3, 4, 5, 6, 0x0110, 8};
    EXPECT_EQ(0, std::memcmp(back, p, sizeof p));
    // Without the marker nothing moves.
    const Word other[8] = {0x0111, 2, 3, 4, 5, 6, 7, 8};
    std::memcpy(p, other, sizeof p);
    packet_to_stream_order(p);
    EXPECT_EQ(0, std::memcmp(other, p, sizeof p));
    EXPECT_EQ(0x3412, swap_word(0x1234));
}

}  // namespace
