#include <gtest/gtest.h>

#include "bitstream/frame_parser.h"
#include "bitstream/time_code.h"
#include "tests/support/test_frames.h"

namespace {

FrameInfo parsed(const std::vector<Word>& w) {
    parse_frame(w.data());
    FrameInfo info;
    get_frame_info(&info);
    return info;
}

TEST(FrameTables, EveryEntryFollowsTheFrameSizeRule) {
    const int kbps[19] = {32,  40,  48,  56,  64,  80,  96,  112, 128, 160,
                          192, 224, 256, 320, 384, 448, 512, 576, 640};
    for (int code = 0; code < FRMSIZECOD_COUNT; ++code) {
        int rate = kbps[code / 2];
        ASSERT_EQ(rate, BIT_RATE_KBPS[code]) << "frmsizecod " << code;
        // Frame length in bytes: 48 kHz 4 x kbps, 32 kHz 6 x kbps, 44.1 kHz
        // floor(kbps x 1000 x 1536 / 44100 / 8) bytes plus one word when odd.
        EXPECT_EQ(2 * rate, FRAME_SIZE_WORDS[code]);
        EXPECT_EQ(rate * 1536000 / 44100 / 16 + (code & 1), FRAME_SIZE_WORDS[38 + code]);
        EXPECT_EQ(3 * rate, FRAME_SIZE_WORDS[76 + code]);
    }
    EXPECT_EQ(64, FRAME_SIZE_WORDS[0]);
    EXPECT_EQ(69, FRAME_SIZE_WORDS[38]);
    EXPECT_EQ(96, FRAME_SIZE_WORDS[76]);
    EXPECT_EQ(768, FRAME_SIZE_WORDS[28]);
    EXPECT_EQ(835, FRAME_SIZE_WORDS[38 + 28]);
    EXPECT_EQ(1152, FRAME_SIZE_WORDS[76 + 28]);
    EXPECT_EQ(1280, FRAME_SIZE_WORDS[37]);
    EXPECT_EQ(1393, FRAME_SIZE_WORDS[38 + 36]);
    EXPECT_EQ(1394, FRAME_SIZE_WORDS[38 + 37]);
    EXPECT_EQ(1920, FRAME_SIZE_WORDS[76 + 37]);
    EXPECT_EQ(48000, SAMPLE_RATE_HZ[0]);
    EXPECT_EQ(44100, SAMPLE_RATE_HZ[1]);
    EXPECT_EQ(32000, SAMPLE_RATE_HZ[2]);
}

TEST(ReadBits, FieldsSpanWordsAndRestart) {
    const Word w[] = {0xABCD, 0x1234};
    EXPECT_EQ(0, read_bits(w, 0));
    EXPECT_EQ(0xA, read_bits(nullptr, 4));
    EXPECT_EQ(0xBC, read_bits(nullptr, 8));
    EXPECT_EQ(0xD1, read_bits(nullptr, 8));  // across the word boundary
    EXPECT_EQ(0x234, read_bits(nullptr, 12));
    read_bits(w, 0);
    EXPECT_EQ(0xABCD, read_bits(nullptr, 16));
    EXPECT_EQ(0x1234, read_bits(nullptr, 16));
}

TEST(ParseFrame, WorkedExample) {
    // word 2: fscod 0, frmsizecod 28, bsid 8, bsmod 0; word 3: acmod 7,
    // cmixlev, surmixlev, lfeon 1, dialnorm 27.
    std::vector<Word> w = {0x0B77, 0, (0 << 14) | (28 << 8) | (8 << 3) | 0,
                           static_cast<Word>((7 << 13) | (1 << 11) | (2 << 9) | (1 << 8) |
                                             (27 << 3))};
    FrameInfo info = parsed(w);
    EXPECT_EQ(0, info.fscod);
    EXPECT_EQ(28, info.frmsizecod);
    EXPECT_EQ(0, info.bsmod);
    EXPECT_EQ(7, info.acmod);
    EXPECT_EQ(1, info.lfeon);
    EXPECT_EQ(27, info.dialnorm);
    EXPECT_EQ(768, info.frame_words);
}

TEST(ParseFrame, OptionalMixFieldsAreSkippedByAcmod) {
    // The same lfeon and dialnorm must come out whatever fields acmod adds.
    for (int acmod = 0; acmod < 8; ++acmod) {
        for (int lfeon = 0; lfeon < 2; ++lfeon) {
            FrameSpec shape;
            shape.acmod = acmod;
            shape.lfeon = lfeon;
            shape.dialnorm = 17;
            shape.bsmod = 5;
            FrameInfo info = parsed(make_frame(shape));
            EXPECT_EQ(acmod, info.acmod);
            EXPECT_EQ(lfeon, info.lfeon) << "acmod " << acmod;
            EXPECT_EQ(17, info.dialnorm) << "acmod " << acmod;
            EXPECT_EQ(5, info.bsmod);
        }
    }
    // acmod 2: dsurmod only, then lfeon 0 and dialnorm 31.
    FrameInfo info = parsed({0x0B77, 0xFFFF, 0x1C40, 0x53E0});
    EXPECT_EQ(2, info.acmod);
    EXPECT_EQ(0, info.lfeon);
    EXPECT_EQ(31, info.dialnorm);
    EXPECT_EQ(0, info.fscod);
    EXPECT_EQ(28, info.frmsizecod);
}

TEST(ParseFrame, UndefinedCodesGiveNoUsableFrame) {
    // fscod 3 and frmsizecod 38..63 have no table entry.
    FrameInfo info = parsed({0x0B77, 0, (3 << 14) | (10 << 8), 0});
    EXPECT_EQ(3, info.fscod);
    EXPECT_EQ(0, info.frame_words);
    for (int code = 38; code < 64; ++code) {
        info = parsed({0x0B77, 0, static_cast<Word>((1 << 14) | (code << 8)), 0});
        EXPECT_EQ(code, info.frmsizecod);
        EXPECT_EQ(0, info.frame_words);
    }
}

TEST(ParseFrame, ResetClearsEveryField) {
    parsed(make_frame(FrameSpec{}));
    reset_frame_info();
    FrameInfo info;
    get_frame_info(&info);
    const int32_t* f = &info.frmsizecod;
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(-1, f[i]) << "field " << i;
}

}  // namespace
