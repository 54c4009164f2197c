#include <gtest/gtest.h>

#include <climits>
#include <random>

#include "bitstream/frame_crc.h"
#include "bitstream/time_code.h"
#include "common/burst.h"
#include "settings/prefs.h"
#include "tests/support/test_frames.h"

namespace {

// The byte-at-a-time reference that any faster check must match: words 1 to
// frame_words - 1, high byte first, two table lookups a word.
uint16_t reference_register(const std::vector<Word>& w, int32_t frame_words) {
    uint16_t reg = 0;
    for (int32_t i = 1; i < frame_words; ++i)
        for (int byte : {w[i] >> 8, w[i] & 0xFF})
            reg = static_cast<uint16_t>(CRC_TABLE[reg >> 8] ^ byte ^ ((reg << 8) & 0xFF00));
    return reg;
}

// check_frame_crc's answer for w's first length words (all of them by
// default), or -1 where the reference, or the table steps alone, answer
// otherwise.
int crc_of(const std::vector<Word>& w, int32_t length = INT32_MIN) {
    FrameInfo info = {};
    info.frame_words = length == INT32_MIN ? static_cast<int32_t>(w.size()) : length;
    int got = check_frame_crc(w.data(), &info);
    bool same = got == (reference_register(w, info.frame_words) != 0 ? 1 : 0) &&
                got == check_frame_crc_portable(w.data(), &info);
    return same ? got : -1;
}

// The table against the generator polynomial x^16 + x^15 + x^2 + 1, bit by bit.
TEST(CrcTable, FollowsThePolynomial) {
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t c = i << 8;
        for (int k = 0; k < 8; ++k)
            c = (c & 0x8000) ? (c << 1) ^ 0x8005 : c << 1;
        ASSERT_EQ(c & 0xFFFF, CRC_TABLE[i]) << i;
    }
}

// Every flipped bit after the sync word fails, in a small frame at every
// rate; and every error burst of up to 16 bits (every non-zero pattern from a
// starting bit) at the first bit covered, across two words in different steps
// of a multi-word check, after the last whole step, and in the last word.
TEST(CheckFrameCrc, EveryBitErrorAndShortBurstFails) {
    for (int fscod = 0; fscod < 3; ++fscod) {
        FrameSpec shape;
        shape.fscod = fscod;
        shape.frmsizecod = 37;  // the largest frame at every rate passes whole
        EXPECT_EQ(0, crc_of(make_frame(shape)));
        shape.frmsizecod = 8 + fscod;
        std::vector<Word> frame = make_frame(shape);
        ASSERT_EQ(0, crc_of(frame));
        for (size_t bit = 16; bit < 16 * frame.size(); ++bit) {
            frame[bit / 16] ^= static_cast<Word>(1u << bit % 16);
            ASSERT_EQ(1, crc_of(frame)) << "bit " << bit;
            frame[bit / 16] ^= static_cast<Word>(1u << bit % 16);
        }
        frame[0] ^= 1;  // the sync word is not covered
        EXPECT_EQ(0, crc_of(frame));
    }
    FrameSpec shape;
    shape.frmsizecod = 0;  // 64 words: 7 whole steps of 8 words and 7 more
    const std::vector<Word> frame = make_frame(shape);
    for (int first_bit : {0, 16 * 7 + 9, 16 * 57 + 3, 16 * 62}) {
        std::vector<Word> bad = frame;
        size_t word = 1 + first_bit / 16;
        for (uint32_t pattern = 1; pattern <= 0xFFFF; ++pattern) {
            uint32_t span = pattern << (16 - first_bit % 16);  // first bit highest
            bad[word] = frame[word] ^ static_cast<Word>(span >> 16);
            if (word + 1 < bad.size())
                bad[word + 1] = frame[word + 1] ^ static_cast<Word>(span & 0xFFFF);
            ASSERT_EQ(1, crc_of(bad)) << "bit " << first_bit << " pattern " << pattern;
        }
    }
}

// Random frames of every length up to the longest (and the lengths of 1 or
// less, which check nothing), as they are, with their last word set to make
// the check pass, and with one bit flipped after that.
TEST(CheckFrameCrc, RandomFramesOfEveryLengthAsTheReferenceSays) {
    std::mt19937 random(12);
    for (int32_t n = 0; n <= 1921; ++n) {
        std::vector<Word> frame(static_cast<size_t>(n) + 1);
        for (Word& w : frame)
            w = static_cast<Word>(random());
        ASSERT_NE(-1, crc_of(frame, n)) << n;
        ASSERT_EQ(0, crc_of(frame, -n)) << n;
        if (n < 2)
            continue;
        frame.resize(n);
        frame.back() = 0;
        frame.back() = reference_register(frame, n);
        ASSERT_EQ(0, crc_of(frame)) << n;
        frame[1 + random() % (n - 1)] ^= static_cast<Word>(1u << (random() % 16));
        ASSERT_EQ(1, crc_of(frame)) << n;
    }
}

// Failed frames count only with ERRCHECK, device underruns always; other
// packet types and resetting the frame info leave the counter alone.
TEST(FrameErrors, CountedAsTheSettingsSay) {
    reset_frame_errors();
    std::vector<Word> bad = make_frame(FrameSpec{});
    bad[100] ^= 0x0400;
    set_err_check(1);
    dispatch_packet(bad.data(), PACKET_AC3_FRAME);
    dispatch_packet(make_frame(FrameSpec{}).data(), PACKET_AC3_FRAME);
    EXPECT_EQ(1, get_frame_errors());
    set_err_check(0);
    dispatch_packet(bad.data(), PACKET_AC3_FRAME);
    count_frame_error();
    EXPECT_EQ(2, get_frame_errors());
    set_err_check(1);
    dispatch_packet(bad.data(), 3);
    dispatch_packet(bad.data(), 0);
    reset_frame_info();
    EXPECT_EQ(2, get_frame_errors());
    reset_frame_errors();
    EXPECT_EQ(0, get_frame_errors());
}

}  // namespace
