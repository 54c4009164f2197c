#include <gtest/gtest.h>

#include <array>

#include "bitstream/frame_parser.h"
#include "bitstream/time_code.h"
#include "tests/support/test_frames.h"

namespace {

// fscod, frmsizecod, bsmod, acmod, lfeon, dialnorm, frame_words of the parsed frame.
std::array<int32_t, 7> parsed(const std::vector<Word>& w) {
    parse_frame(w.data());
    FrameInfo i;
    get_frame_info(&i);
    return {i.fscod, i.frmsizecod, i.bsmod, i.acmod, i.lfeon, i.dialnorm, i.frame_words};
}

// At 48 kHz two words a frame per kbit/s, for every code, the odd ones too.
TEST(FrameTables, BitRatesAgreeWithFrameSizes) {
    for (int code = 0; code < FRMSIZECOD_COUNT; ++code)
        EXPECT_EQ(2 * BIT_RATE_KBPS[code], FRAME_SIZE_WORDS[code]) << code;
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

TEST(ParseFrame, WorkedExamples) {
    // word 2: fscod 0, frmsizecod 28, bsid 8, bsmod 0; word 3: acmod 7,
    // cmixlev, surmixlev, lfeon 1, dialnorm 27.
    const Word word3 = (7 << 13) | (1 << 11) | (2 << 9) | (1 << 8) | (27 << 3);
    EXPECT_EQ((std::array<int32_t, 7>{0, 28, 0, 7, 1, 27, 768}),
              parsed({0x0B77, 0, (28 << 8) | (8 << 3), word3}));
    // acmod 2: dsurmod only, then lfeon 0 and dialnorm 31.
    EXPECT_EQ((std::array<int32_t, 7>{0, 28, 0, 2, 0, 31, 768}),
              parsed({0x0B77, 0xFFFF, 0x1C40, 0x53E0}));
}

TEST(ParseFrame, OptionalMixFieldsAreSkippedByAcmod) {
    for (int acmod = 0; acmod < 8; ++acmod) {
        for (int lfeon = 0; lfeon < 2; ++lfeon) {
            FrameSpec shape;
            shape.acmod = acmod;
            shape.lfeon = lfeon;
            shape.dialnorm = 17;
            shape.bsmod = 5;
            EXPECT_EQ((std::array<int32_t, 7>{0, 28, 5, acmod, lfeon, 17, 768}),
                      parsed(make_frame(shape)));
        }
    }
}

TEST(ParseFrame, UndefinedCodesGiveNoUsableFrame) {
    EXPECT_EQ((std::array<int32_t, 7>{3, 10, 0, 0, 0, 0, 0}),
              parsed({0x0B77, 0, (3 << 14) | (10 << 8), 0}));
    for (int code = 38; code < 64; ++code)
        EXPECT_EQ((std::array<int32_t, 7>{1, code, 0, 0, 0, 0, 0}),
                  parsed({0x0B77, 0, static_cast<Word>((1 << 14) | (code << 8)), 0}));
}

}  // namespace
