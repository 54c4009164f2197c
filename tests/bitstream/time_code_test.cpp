#include <gtest/gtest.h>

#include <array>

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

TimeCode current() {
    TimeCode tc;
    get_time_code(&tc);
    return tc;
}

TimeCode decoded(const std::vector<Word>& packet) {
    dispatch_packet(packet.data(), PACKET_TIME_CODE);
    return current();
}

// hours, minutes, seconds, frames, sample offset.
std::array<int32_t, 5> clock(const TimeCode& tc) {
    return {tc.hours, tc.minutes, tc.seconds, tc.frames, tc.sample_offset};
}

// Advances once from the packet's time code.
std::array<int32_t, 5> advanced(int h, int m, int s, int f, int offset, int rate, int drop = 0) {
    decoded(make_time_code_packet(h, m, s, f, offset, rate, drop));
    advance_time_code();
    return clock(current());
}

TEST(DecodeTimeCode, FieldsAndFlags) {
    TimeCode tc = decoded({0x0023, 0x0059, 0x0059, 0x0029, 0xFF00, 0x0011, 0x0110, 0x1234});
    EXPECT_EQ((std::array<int32_t, 5>{23, 59, 59, 29, -256}), clock(tc));
    EXPECT_EQ(4, tc.rate_code);
    EXPECT_EQ(1, tc.drop_frame);
    EXPECT_EQ(1, tc.valid);
    // Bits above each field's width are ignored; units above 9 add up.
    tc = decoded({0xFFFF, 0xFFFF, 0x00FF, 0x003F, 0x7FFF, 0xFFFE, 0, 0});
    EXPECT_EQ((std::array<int32_t, 5>{45, 85, 85, 45, 32767}), clock(tc));
    EXPECT_EQ(15, tc.rate_code);
    EXPECT_EQ(0, tc.drop_frame);
}

TEST(TimeCodeValid, SetAndResetTouchOnlyValid) {
    decoded(make_time_code_packet(1, 2, 3, 4, 5, 3, 0));
    set_time_code_valid(0);
    EXPECT_EQ(0, current().valid);
    EXPECT_EQ(3, current().seconds);
    set_time_code_valid(1);
    reset_frame_info();
    EXPECT_EQ(0, current().valid);
    EXPECT_EQ((std::array<int32_t, 5>{1, 2, 3, 4, 5}), clock(current()));
}

TEST(AdvanceTimeCode, EdgeCases) {
    use_sample_rate(0);
    // 30 fps at 48 kHz: 1600 samples per video frame.
    EXPECT_EQ((std::array<int32_t, 5>{1, 2, 4, 0, 164}), advanced(1, 2, 3, 29, 100, 5));
    // 60 fps: one AC-3 frame crosses two video frame boundaries.
    EXPECT_EQ((std::array<int32_t, 5>{0, 0, 0, 12, 64}), advanced(0, 0, 0, 10, 0, 8));
    // The end of the day wraps to midnight.
    std::array<int32_t, 5> wrapped = advanced(23, 59, 59, 24, 10, 3);
    EXPECT_EQ(0, wrapped[0] + wrapped[1] + wrapped[2]);
    EXPECT_LE(wrapped[3], 1);
    // Rate codes 0 and 9..15 leave everything unchanged.
    for (int rate : {0, 9, 15})
        EXPECT_EQ((std::array<int32_t, 5>{5, 6, 7, 8, 9}), advanced(5, 6, 7, 8, 9, rate, 1))
            << rate;
    // Without a usable sample rate it stays put, and ends.
    reset_frame_info();
    EXPECT_EQ((std::array<int32_t, 5>{5, 6, 7, 8, 9}), advanced(5, 6, 7, 8, 9, 3));
    dispatch_packet(std::vector<Word>{0x0B77, 0, 0xC000, 0}.data(), PACKET_AC3_FRAME);  // fscod 3
    advance_time_code();
    EXPECT_EQ(9, current().sample_offset);
}

TEST(AdvanceTimeCode, SamplesPerVideoFrameTable) {
    const int expected[3][8] = {{2001, 2000, 1920, 1601, 1600, 960, 800, 800},
                                {1839, 1837, 1764, 1471, 1470, 882, 735, 735},
                                {1334, 1333, 1280, 1067, 1066, 640, 533, 533}};
    for (int fscod = 0; fscod < 3; ++fscod) {
        use_sample_rate(fscod);
        // From offset 1536 - 1 one advance gives -1 + spf.
        for (int rate = 1; rate <= 8; ++rate)
            EXPECT_EQ((std::array<int32_t, 5>{0, 0, 0, 1, expected[fscod][rate - 1] - 1}),
                      advanced(0, 0, 0, 0, 1535, rate))
                << "fscod " << fscod << " rate " << rate;
    }
}

// An hour of AC-3 frames, advanced one at a time, lands where the arithmetic
// of whole samples says it must, at every rate code and sample rate.
TEST(AdvanceTimeCode, OneHourFrameByFrame) {
    for (int fscod = 0; fscod < 3; ++fscod) {
        use_sample_rate(fscod);
        const int64_t fs = SAMPLE_RATE_HZ[fscod];
        for (int rate = 1; rate <= 8; ++rate) {
            const int64_t spf =
                static_cast<int64_t>(static_cast<double>(fs) / FRAME_RATE_FPS[rate]);
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
            int64_t secs = video / fps;
            EXPECT_EQ((std::array<int64_t, 5>{secs / 3600 % 24, secs / 60 % 60, secs % 60,
                                              video % fps, offset}),
                      (std::array<int64_t, 5>{current().hours, current().minutes, current().seconds,
                                              current().frames, current().sample_offset}))
                << "fscod " << fscod << " rate " << rate;
        }
    }
}

}  // namespace
