#include "bitstream/time_code.h"

#include "bitstream/frame_crc.h"
#include "bitstream/frame_parser.h"
#include "common/burst.h"
#include "settings/prefs.h"

namespace {

constexpr int AC3_FRAME_SAMPLES = 1536;
constexpr int32_t FRAME_HEADER_WORDS = 4;  // the words parse_frame reads

TimeCode g_time_code = {};

// Sums the two-digit BCD weights of the set bits 0..bits-1 bit by bit, so a
// units digit above 9 simply adds up.
int32_t decode_bcd(Word w, int bits) {
    static const int32_t weights[7] = {1, 2, 4, 8, 10, 20, 40};
    int32_t value = 0;
    for (int b = 0; b < bits; ++b)
        if (w & (1u << b))
            value += weights[b];
    return value;
}

}  // namespace

const double FRAME_RATE_FPS[FRAME_RATE_CODES] = {
    0.0, 24.0 / 1.001, 24.0, 25.0, 30.0 / 1.001, 30.0, 50.0, 60.0 / 1.001, 60.0,
};
const int32_t FRAME_RATE_INT[FRAME_RATE_CODES] = {0, 24, 24, 25, 30, 30, 50, 60, 60};

int dispatch_packet(const Word* words, int type) {
    // Records read from a file are taken whole.
    return dispatch_payload(words, INT32_MAX, type);
}

int dispatch_payload(const Word* words, int32_t count, int type) {
    switch (type) {
        case PACKET_TIME_CODE:
            if (count >= TIME_CODE_PACKET_WORDS)
                decode_time_code(words);
            break;
        case PACKET_AC3_FRAME: {
            if (count < FRAME_HEADER_WORDS) {
                add_frame_errors(get_err_check() ? 1 : 0);
                break;
            }
            parse_frame(words);
            if (get_err_check()) {
                FrameInfo info;
                get_frame_info(&info);
                // A frame cut short is damaged whatever the scratch words
                // after it hold, and so is one whose header gives no size.
                const bool damaged = count < info.frame_words || info.frame_words <= 0;
                add_frame_errors(damaged ? 1 : check_frame_crc(words, &info));
            }
            break;
        }
        default:
            break;
    }
    return 0;
}

void decode_time_code(const Word* words) {
    g_time_code.hours = decode_bcd(words[0], 6);
    g_time_code.minutes = decode_bcd(words[1], 7);
    g_time_code.seconds = decode_bcd(words[2], 7);
    g_time_code.frames = decode_bcd(words[3], 6);
    g_time_code.sample_offset = static_cast<int16_t>(words[4]);
    g_time_code.rate_code = (words[5] & 0x3C) >> 2;
    g_time_code.drop_frame = words[5] & 1;
    g_time_code.valid = 1;
}

void advance_time_code() {
    int32_t r = g_time_code.rate_code;
    if (r <= 0 || r >= FRAME_RATE_CODES)
        return;
    FrameInfo info;
    get_frame_info(&info);
    // Without a sample rate there is no length of a video frame in samples;
    // the time code stays where it is rather than loop.
    if (info.fscod < 0 || info.fscod >= FSCOD_COUNT)
        return;
    int32_t spf =
        static_cast<int32_t>(static_cast<double>(SAMPLE_RATE_HZ[info.fscod]) / FRAME_RATE_FPS[r]);
    g_time_code.sample_offset -= AC3_FRAME_SAMPLES;
    while (g_time_code.sample_offset < 0) {
        g_time_code.sample_offset += spf;
        g_time_code.frames += 1;
    }
    if (g_time_code.frames < FRAME_RATE_INT[r])
        return;
    g_time_code.frames %= FRAME_RATE_INT[r];
    g_time_code.seconds += 1;
    // Each field is checked on its own, so a decoded value out of range (BCD
    // minutes up to 85) is wrapped at the next second as well.
    if (g_time_code.seconds > 59) {
        g_time_code.seconds = 0;
        g_time_code.minutes += 1;
    }
    if (g_time_code.minutes > 59) {
        g_time_code.minutes = 0;
        g_time_code.hours += 1;
    }
    if (g_time_code.hours > 23)
        g_time_code.hours = 0;
}

void get_time_code(TimeCode* out) {
    *out = g_time_code;
}

void set_time_code_valid(int flag) {
    g_time_code.valid = flag;
}

void reset_frame_info() {
    clear_frame_info();
    g_time_code.valid = 0;
}
