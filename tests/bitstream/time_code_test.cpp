#include <gtest/gtest.h>

#include "bitstream/frame_parser.h"
#include "bitstream/time_code.h"
#include "common/burst.h"
#include "tests/support/test_frames.h"

namespace {

// Makes fscod the current frame's sample rate code.
void use_sample_rate(int fscod) {
    FrameSpec shape;
    shape.fscod = fscod;
    dispatch_packet(make_frame(shape).data(), PACKET_AC3_FRAME);
}

TimeCode decoded(const std::vector<Word>& packet) {
    dispatch_packet(packet.data(), PACKET_TIME_CODE);
    TimeCode tc;
    get_time_code(&tc);
    return tc;
}

TEST(DecodeTimeCode, FieldsAndFlags) {
    TimeCode tc = decoded({0x0023, 0x0059, 0x0059, 0x0029, 0xFF00, 0x0011, 0x0110, 0x1234});
    EXPECT_EQ(23, tc.hours);
    EXPECT_EQ(59, tc.minutes);
    EXPECT_EQ(59, tc.seconds);
    EXPECT_EQ(29, tc.frames);
    EXPECT_EQ(-256, tc.sample_offset);
    EXPECT_EQ(4, tc.rate_code);
    EXPECT_EQ(1, tc.drop_frame);
    EXPECT_EQ(1, tc.valid);
    // Bits above each field's width are ignored; units above 9 add up.
    tc = decoded({0xFFFF, 0xFFFF, 0x00FF, 0x003F, 0x7FFF, 0xFFFE, 0, 0});
    EXPECT_EQ(45, tc.hours);
    EXPECT_EQ(85, tc.minutes);
    EXPECT_EQ(85, tc.seconds);
    EXPECT_EQ(45, tc.frames);
    EXPECT_EQ(32767, tc.sample_offset);
    EXPECT_EQ(15, tc.rate_code);
    EXPECT_EQ(0, tc.drop_frame);
}

TEST(TimeCodeValid, SetAndResetTouchOnlyValid) {
    decoded(make_time_code_packet(1, 2, 3, 4, 5, 3, 0));
    set_time_code_valid(0);
    TimeCode tc;
    get_time_code(&tc);
    EXPECT_EQ(0, tc.valid);
    EXPECT_EQ(3, tc.seconds);
    set_time_code_valid(1);
    reset_frame_info();
    get_time_code(&tc);
    EXPECT_EQ(0, tc.valid);
    EXPECT_EQ(1, tc.hours);
    EXPECT_EQ(4, tc.frames);
}

TEST(AdvanceTimeCode, EdgeCases) {
    use_sample_rate(0);
    // 30 fps at 48 kHz: 1600 samples per video frame.
    decoded(make_time_code_packet(1, 2, 3, 29, 100, 5, 0));
    advance_time_code();
    TimeCode tc;
    get_time_code(&tc);
    EXPECT_EQ(164, tc.sample_offset);
    EXPECT_EQ(0, tc.frames);
    EXPECT_EQ(4, tc.seconds);
    // 60 fps: one AC-3 frame crosses two video frame boundaries.
    decoded(make_time_code_packet(0, 0, 0, 10, 0, 8, 0));
    advance_time_code();
    get_time_code(&tc);
    EXPECT_EQ(64, tc.sample_offset);
    EXPECT_EQ(12, tc.frames);
    // The end of the day wraps to midnight.
    decoded(make_time_code_packet(23, 59, 59, 24, 10, 3, 0));
    advance_time_code();
    get_time_code(&tc);
    EXPECT_EQ(0, tc.hours);
    EXPECT_EQ(0, tc.minutes);
    EXPECT_EQ(0, tc.seconds);
    EXPECT_LE(tc.frames, 1);
    // Rate codes 0 and 9..15 leave everything unchanged.
    for (int rate : {0, 9, 15}) {
        decoded(make_time_code_packet(5, 6, 7, 8, 9, rate, 1));
        advance_time_code();
        get_time_code(&tc);
        EXPECT_EQ(9, tc.sample_offset) << "rate " << rate;
        EXPECT_EQ(8, tc.frames);
        EXPECT_EQ(7, tc.seconds);
    }
}

TEST(AdvanceTimeCode, WithoutSampleRateItStaysPut) {
    reset_frame_info();
    decoded(make_time_code_packet(5, 6, 7, 8, 9, 3, 0));
    advance_time_code();  // must end, and change nothing
    TimeCode tc;
    get_time_code(&tc);
    EXPECT_EQ(9, tc.sample_offset);
    EXPECT_EQ(8, tc.frames);
    dispatch_packet(std::vector<Word>{0x0B77, 0, 0xC000, 0}.data(), PACKET_AC3_FRAME);  // fscod 3
    advance_time_code();
    get_time_code(&tc);
    EXPECT_EQ(9, tc.sample_offset);
}

TEST(AdvanceTimeCode, SamplesPerVideoFrameTable) {
    const int expected[3][8] = {{2001, 2000, 1920, 1601, 1600, 960, 800, 800},
                                {1839, 1837, 1764, 1471, 1470, 882, 735, 735},
                                {1334, 1333, 1280, 1067, 1066, 640, 533, 533}};
    for (int fscod = 0; fscod < 3; ++fscod) {
        use_sample_rate(fscod);
        for (int rate = 1; rate <= 8; ++rate) {
            // From offset 1536 - 1 one advance gives -1 + spf.
            decoded(make_time_code_packet(0, 0, 0, 0, 1535, rate, 0));
            advance_time_code();
            TimeCode tc;
            get_time_code(&tc);
            EXPECT_EQ(expected[fscod][rate - 1] - 1, tc.sample_offset)
                << "fscod " << fscod << " rate " << rate;
            EXPECT_EQ(1, tc.frames);
        }
    }
}

// An hour of AC-3 frames, advanced one at a time, lands where the arithmetic
// of whole samples says it must, at every rate code and sample rate.
TEST(AdvanceTimeCode, OneHourFrameByFrame) {
    for (int fscod = 0; fscod < 3; ++fscod) {
        use_sample_rate(fscod);
        const int64_t fs = SAMPLE_RATE_HZ[fscod];
        for (int rate = 1; rate <= 8; ++rate) {
            const int64_t spf = static_cast<int64_t>(static_cast<double>(fs) / FRAME_RATE_FPS[rate]);
            const int64_t fps = FRAME_RATE_INT[rate];
            const int64_t ac3_frames = fs * 3600 / 1536;
            decoded(make_time_code_packet(0, 0, 0, 0, 0, rate, 0));
            for (int64_t i = 0; i < ac3_frames; ++i)
                advance_time_code();
            // Video frames started after n AC-3 frames from offset 0: each
            // crossing of a multiple of spf samples starts one.
            int64_t samples = ac3_frames * 1536;
            int64_t video = (samples + spf - 1) / spf;
            int64_t offset = video * spf - samples;
            TimeCode tc;
            get_time_code(&tc);
            EXPECT_EQ(offset, tc.sample_offset) << "fscod " << fscod << " rate " << rate;
            int64_t total_seconds = video / fps;
            EXPECT_EQ(video % fps, tc.frames) << "fscod " << fscod << " rate " << rate;
            EXPECT_EQ(total_seconds % 60, tc.seconds) << "fscod " << fscod << " rate " << rate;
            EXPECT_EQ(total_seconds / 60 % 60, tc.minutes);
            EXPECT_EQ(total_seconds / 3600 % 24, tc.hours);
        }
    }
}

}  // namespace
