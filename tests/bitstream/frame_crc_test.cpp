#include <gtest/gtest.h>

#include "bitstream/frame_crc.h"
#include "bitstream/time_code.h"
#include "common/burst.h"
#include "settings/prefs.h"
#include "tests/support/test_frames.h"

namespace {

int crc_of(const std::vector<Word>& w) {
    FrameInfo info = {};
    info.frame_words = static_cast<int32_t>(w.size());
    return check_frame_crc(w.data(), &info);
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
                ASSERT_EQ(1, crc_of(frame)) << "word " << word << " bit " << bit;
                frame[word] ^= static_cast<Word>(1u << bit);
            }
        }
        frame[0] ^= 1;  // the sync word is not covered
        EXPECT_EQ(0, crc_of(frame));
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
