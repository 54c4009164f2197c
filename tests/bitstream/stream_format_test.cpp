#include <gtest/gtest.h>

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

}  // namespace
