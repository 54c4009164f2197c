#include <gtest/gtest.h>

#include <cstring>

#include "streamfile/stream_format.h"

namespace {

// Words as a little-endian read of the given file bytes (no exchange).
std::vector<Word> as_read(const std::vector<uint8_t>& bytes) {
    std::vector<Word> w(bytes.size() / 2);
    for (size_t i = 0; i < w.size(); ++i)
        w[i] = static_cast<Word>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    return w;
}

FileFormat detect(const std::vector<uint8_t>& bytes) {
    std::vector<Word> w = as_read(bytes);
    return detect_format(w.data(), static_cast<int32_t>(w.size()));
}

std::vector<uint8_t> bytes_with(size_t size, std::initializer_list<std::pair<size_t, uint8_t>> at) {
    std::vector<uint8_t> b(size, 0);
    for (auto [i, v] : at)
        b[i] = v;
    return b;
}

TEST(DetectFormat, RulesInOrder) {
    EXPECT_EQ(FORMAT_NORMAL, detect(bytes_with(32, {{0, 0x0B}, {1, 0x77}})));
    EXPECT_EQ(FORMAT_NORMAL,
              detect(bytes_with(32, {{0, 0x0B}, {1, 0x77}, {16, 0x0B}, {17, 0x77}})));
    EXPECT_EQ(FORMAT_PC, detect(bytes_with(10, {{0, 0x77}, {1, 0x0B}})));
    EXPECT_EQ(FORMAT_NORMAL_TC, detect(bytes_with(18, {{0, 0x01}, {1, 0x10}, {16, 0x0B}, {17, 0x77}})));
    // The marker itself is not examined.
    EXPECT_EQ(FORMAT_NORMAL_TC, detect(bytes_with(18, {{16, 0x0B}, {17, 0x77}})));
    EXPECT_EQ(FORMAT_INVALID, detect(bytes_with(18, {{0, 0x01}, {1, 0x10}, {16, 0x77}, {17, 0x0B}})));
    EXPECT_EQ(FORMAT_INVALID, detect(bytes_with(16, {{0, 0x01}, {1, 0x10}})));
    EXPECT_EQ(FORMAT_INVALID, detect(bytes_with(2, {})));
    // Too short for word 8: never read beyond count.
    Word eight[8] = {0x0110};
    EXPECT_EQ(FORMAT_INVALID, detect_format(eight, 8));
}

TEST(PacketOrder, StoredAndReadBack) {
    Word p[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    packet_to_file_order(p);
    const Word file[8] = {0x0110, 1, 2, 3, 4, 5, 6, 8};
    EXPECT_EQ(0, std::memcmp(file, p, sizeof p));
    // On disk every word goes through swap_word and is stored low byte first,
    // which puts the high byte first.
    uint8_t disk[16];
    for (int i = 0; i < 8; ++i) {
        Word s = swap_word(p[i]);
        disk[2 * i] = static_cast<uint8_t>(s & 0xFF);
        disk[2 * i + 1] = static_cast<uint8_t>(s >> 8);
    }
    const uint8_t expected[16] = {0x01, 0x10, 0, 1, 0, 2, 0, 3, 0, 4, 0, 5, 0, 6, 0, 8};
    EXPECT_EQ(0, std::memcmp(expected, disk, 16));
    packet_to_stream_order(p);
    const Word back[8] = {1, 2, 3, 4, 5, 6, 0x0110, 8};
    EXPECT_EQ(0, std::memcmp(back, p, sizeof p));
    // Without the marker nothing moves.
    Word other[8] = {0x0111, 2, 3, 4, 5, 6, 7, 8};
    Word copy[8];
    std::memcpy(copy, other, sizeof other);
    packet_to_stream_order(other);
    EXPECT_EQ(0, std::memcmp(copy, other, sizeof other));
    EXPECT_EQ(0x3412, swap_word(0x1234));
}

}  // namespace
