#include <gtest/gtest.h>

#include <random>

#include "bitstream/frame_crc.h"
#include "bitstream/time_code.h"
#include "common/burst.h"
#include "settings/prefs.h"
#include "tests/support/test_frames.h"

namespace {

// The check's answer, which the table steps alone must give too.
int crc_of(const std::vector<Word>& w, int32_t frame_words) {
    FrameInfo info = {};
    info.frame_words = frame_words;
    int answer = check_frame_crc(w.data(), &info);
    EXPECT_EQ(answer, check_frame_crc_portable(w.data(), &info));
    return answer;
}

int crc_of(const std::vector<Word>& w) {
    return crc_of(w, static_cast<int32_t>(w.size()));
}

// The byte-at-a-time reference that any faster check must match: words 1 to
// frame_words - 1, high byte first, two table lookups a word.
uint16_t reference_register(const std::vector<Word>& w, int32_t frame_words) {
    uint16_t reg = 0;
    for (int32_t i = 1; i < frame_words; ++i)
        for (int byte : {w[i] >> 8, w[i] & 0xFF})
            reg = static_cast<uint16_t>(CRC_TABLE[reg >> 8] ^ byte ^ ((reg << 8) & 0xFF00));
    return reg;
}

// The reference's answer for the whole of frame.
int reference_of(const std::vector<Word>& frame) {
    return reference_register(frame, static_cast<int32_t>(frame.size())) != 0 ? 1 : 0;
}

TEST(CrcTable, TellingEntries) {
    EXPECT_EQ(0x0000, CRC_TABLE[0]);
    EXPECT_EQ(0x8005, CRC_TABLE[1]);
    EXPECT_EQ(0x800F, CRC_TABLE[2]);
    EXPECT_EQ(0x0202, CRC_TABLE[255]);
    // Linearity of a CRC table: entry (a ^ b) = entry a ^ entry b.
    for (int a = 0; a < 256; ++a)
        for (int b = 0; b < 256; b += 17)
            ASSERT_EQ(CRC_TABLE[a ^ b], CRC_TABLE[a] ^ CRC_TABLE[b]);
}

TEST(CheckFrameCrc, SmallExamples) {
    EXPECT_EQ(0, crc_of({0x0B77, 0x0001, 0x8005}));
    EXPECT_EQ(1, crc_of({0x0B77, 0x0001, 0x8004}));
    // Length 1 or less checks nothing, whatever the words hold.
    const Word junk[] = {0x0B77, 0xFFFF};
    for (int32_t length : {1, -1}) {
        FrameInfo info = {};
        info.frame_words = length;
        EXPECT_EQ(0, check_frame_crc(junk, &info));
    }
}

TEST(CheckFrameCrc, EveryFlippedBitAfterTheSyncWordFails) {
    for (int fscod = 0; fscod < 3; ++fscod) {
        FrameSpec shape;
        shape.fscod = fscod;
        shape.frmsizecod = 37;  // the largest frame at every rate passes whole
        EXPECT_EQ(0, crc_of(make_frame(shape)));
        shape.frmsizecod = 8 + fscod;  // small frames keep the bit loop short
        std::vector<Word> frame = make_frame(shape);
        ASSERT_EQ(0, crc_of(frame));
        for (size_t word = 1; word < frame.size(); ++word) {
            for (int bit = 0; bit < 16; ++bit) {
                frame[word] ^= static_cast<Word>(1u << bit);
                ASSERT_EQ(1, reference_of(frame));
                ASSERT_EQ(1, crc_of(frame)) << "word " << word << " bit " << bit;
                frame[word] ^= static_cast<Word>(1u << bit);
            }
        }
        frame[0] ^= 1;  // the sync word is not covered
        EXPECT_EQ(0, crc_of(frame));
    }
}

// Every error burst of up to 16 bits (every non-zero 16-bit pattern from a
// starting bit) fails, as the reference says: at the first bit covered,
// across two words that fall in different steps of a multi-word check, in
// the words after the last whole step, and in the frame's last word.
TEST(CheckFrameCrc, EveryShortBurstFailsAsTheReferenceSays) {
    FrameSpec shape;
    shape.frmsizecod = 0;  // 64 words: 7 whole steps of 8 words and 7 more
    const std::vector<Word> frame = make_frame(shape);
    for (int first_bit : {0, 16 * 7 + 9, 16 * 57 + 3, 16 * 62}) {
        std::vector<Word> bad = frame;
        for (uint32_t pattern = 1; pattern <= 0xFFFF; ++pattern) {
            // The pattern's 16 bits, first bit highest, from first_bit on.
            uint32_t span = pattern << (16 - first_bit % 16);
            size_t word = 1 + first_bit / 16;
            bad[word] = frame[word] ^ static_cast<Word>(span >> 16);
            if (word + 1 < bad.size())
                bad[word + 1] = frame[word + 1] ^ static_cast<Word>(span & 0xFFFF);
            ASSERT_EQ(1, reference_of(bad));
            ASSERT_EQ(1, crc_of(bad)) << "bit " << first_bit << " pattern " << pattern;
        }
    }
}

// Random frames of every length up to the longest, as they are, with their
// last word set to make the check pass, and with one bit flipped after that.
TEST(CheckFrameCrc, RandomFramesOfEveryLengthAsTheReferenceSays) {
    std::mt19937 random(12);
    for (int32_t n = 0; n <= 1921; ++n) {
        SCOPED_TRACE(n);
        std::vector<Word> frame(static_cast<size_t>(n) + 1);
        for (Word& w : frame)
            w = static_cast<Word>(random());
        for (int32_t length : {n, -n})  // what a frame_words of 1 or less means
            ASSERT_EQ(reference_register(frame, length) != 0 ? 1 : 0, crc_of(frame, length));
        if (n < 2)
            continue;
        frame.resize(n);
        frame.back() = 0;
        frame.back() = reference_register(frame, n);
        ASSERT_EQ(0, crc_of(frame));
        frame[1 + random() % (n - 1)] ^= static_cast<Word>(1u << (random() % 16));
        ASSERT_EQ(1, reference_of(frame));
        ASSERT_EQ(1, crc_of(frame));
    }
}

TEST(FrameErrors, DispatchCountsFailedFramesOnlyWithErrCheck) {
    reset_frame_errors();
    std::vector<Word> bad = make_frame(FrameSpec{});
    bad[100] ^= 0x0400;
    set_err_check(1);
    dispatch_packet(bad.data(), PACKET_AC3_FRAME);
    dispatch_packet(make_frame(FrameSpec{}).data(), PACKET_AC3_FRAME);
    EXPECT_EQ(1, get_frame_errors());
    set_err_check(0);
    dispatch_packet(bad.data(), PACKET_AC3_FRAME);
    EXPECT_EQ(1, get_frame_errors());
    // Device underruns count whatever ERRCHECK says.
    count_frame_error();
    EXPECT_EQ(2, get_frame_errors());
    // Other packet types, and resetting the frame info, leave the counter alone.
    set_err_check(1);
    dispatch_packet(bad.data(), 3);
    dispatch_packet(bad.data(), 0);
    reset_frame_info();
    EXPECT_EQ(2, get_frame_errors());
    reset_frame_errors();
    EXPECT_EQ(0, get_frame_errors());
}

}  // namespace
