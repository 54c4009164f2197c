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

// Bits above each field's width are ignored; units above 9 add up.
TEST(DecodeTimeCode, FieldsAndFlags) {
    TimeCode tc = decoded({0xFFFF, 0xFFFF, 0x00FF, 0x003F, 0x7FFF, 0xFFFE, 0, 0});
    EXPECT_EQ((std::array<int32_t, 5>{45, 85, 85, 45, 32767}), clock(tc));
    EXPECT_EQ(15, tc.rate_code);
    EXPECT_EQ(0, tc.drop_frame);
}

// A new file's first frame must not show the last file's time code.
TEST(TimeCodeValid, ResetClearsOnlyTheFlag) {
    decoded(make_time_code_packet(1, 2, 3, 4, 5, 3, 0));
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
    // Each carry at its limit and not before, to midnight at the end of the
    // day (25 fps: 1920 samples a video frame).
    const std::array<int32_t, 4> carries[][2] = {{{0, 0, 58, 24}, {0, 0, 59, 0}},
                                                 {{0, 58, 59, 24}, {0, 59, 0, 0}},
                                                 {{22, 59, 59, 24}, {23, 0, 0, 0}},
                                                 {{23, 59, 59, 24}, {0, 0, 0, 0}}};
    for (const auto& c : carries) {
        const std::array<int32_t, 4>& to = c[1];
        EXPECT_EQ((std::array<int32_t, 5>{to[0], to[1], to[2], to[3], 394}),
                  advanced(c[0][0], c[0][1], c[0][2], c[0][3], 10, 3))
            << c[0][0] << ":" << c[0][1] << ":" << c[0][2];
    }
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

// An hour of AC-3 frames, advanced one at a time from midnight, lands where
// the arithmetic of whole samples says it must, at every rate code and
// sample rate.
TEST(AdvanceTimeCode, OneHourFrameByFrame) {
    const int64_t fs[3] = {48000, 44100, 32000};
    const int64_t fps[8] = {24, 24, 25, 30, 30, 50, 60, 60};  // rate codes 1..8
    // Whole samples per video frame.
    const int64_t spf[3][8] = {{2001, 2000, 1920, 1601, 1600, 960, 800, 800},
                               {1839, 1837, 1764, 1471, 1470, 882, 735, 735},
                               {1334, 1333, 1280, 1067, 1066, 640, 533, 533}};
    for (int fscod = 0; fscod < 3; ++fscod) {
        use_sample_rate(fscod);
        for (int rate = 1; rate <= 8; ++rate) {
            const int64_t s = spf[fscod][rate - 1], f = fps[rate - 1];
            const int64_t samples = fs[fscod] * 3600 / 1536 * 1536;
            decoded(make_time_code_packet(0, 0, 0, 0, 0, rate, 0));
            for (int64_t i = 0; i < samples / 1536; ++i)
                advance_time_code();
            // Each crossing of a multiple of s samples starts a video frame.
            const int64_t video = (samples + s - 1) / s, secs = video / f;
            EXPECT_EQ((std::array<int64_t, 5>{secs / 3600 % 24, secs / 60 % 60, secs % 60,
                                              video % f, video * s - samples}),
                      (std::array<int64_t, 5>{current().hours, current().minutes, current().seconds,
                                              current().frames, current().sample_offset}))
                << "fscod " << fscod << " rate " << rate;
        }
    }
}

}  // namespace
