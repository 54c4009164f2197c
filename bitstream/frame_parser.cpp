#include "bitstream/frame_parser.h"

#include <cassert>

namespace {

// A/52 frame size code table, built from the rule it follows: 2 x kbps words at
// 48 kHz, 3 x kbps at 32 kHz, and at 44.1 kHz kbps x 320 / 147 rounded down,
// plus one word for the odd code of each pair (the padded frame).
constexpr int32_t frame_size_entry(int fscod, int frmsizecod) {
    constexpr int32_t kbps[19] = {32,  40,  48,  56,  64,  80,  96,  112, 128, 160,
                                  192, 224, 256, 320, 384, 448, 512, 576, 640};
    int32_t rate = kbps[frmsizecod / 2];
    switch (fscod) {
        case 0: return 2 * rate;
        case 1: return rate * 320 / 147 + (frmsizecod & 1);
        default: return 3 * rate;
    }
}

struct BitReader {
    const Word* word;  // the word bits are taken from
    int taken;         // bits already taken from *word, 0..16
};

BitReader g_reader;
FrameInfo g_frame_info = {-1, -1, -1, -1, -1, -1, -1};

}  // namespace

const int32_t BIT_RATE_KBPS[FRMSIZECOD_COUNT] = {
    32,  32,  40,  40,  48,  48,  56,  56,  64,  64,  80,  80,  96,  96,  112, 112, 128, 128, 160,
    160, 192, 192, 224, 224, 256, 256, 320, 320, 384, 384, 448, 448, 512, 512, 576, 576, 640, 640,
};

const int32_t SAMPLE_RATE_HZ[FSCOD_COUNT] = {48000, 44100, 32000};

const int16_t FRAME_SIZE_WORDS[FSCOD_COUNT * FRMSIZECOD_COUNT] = {
#define ROW(f)                                                                                  \
    frame_size_entry(f, 0), frame_size_entry(f, 1), frame_size_entry(f, 2),                     \
        frame_size_entry(f, 3), frame_size_entry(f, 4), frame_size_entry(f, 5),                 \
        frame_size_entry(f, 6), frame_size_entry(f, 7), frame_size_entry(f, 8),                 \
        frame_size_entry(f, 9), frame_size_entry(f, 10), frame_size_entry(f, 11),               \
        frame_size_entry(f, 12), frame_size_entry(f, 13), frame_size_entry(f, 14),              \
        frame_size_entry(f, 15), frame_size_entry(f, 16), frame_size_entry(f, 17),              \
        frame_size_entry(f, 18), frame_size_entry(f, 19), frame_size_entry(f, 20),              \
        frame_size_entry(f, 21), frame_size_entry(f, 22), frame_size_entry(f, 23),              \
        frame_size_entry(f, 24), frame_size_entry(f, 25), frame_size_entry(f, 26),              \
        frame_size_entry(f, 27), frame_size_entry(f, 28), frame_size_entry(f, 29),              \
        frame_size_entry(f, 30), frame_size_entry(f, 31), frame_size_entry(f, 32),              \
        frame_size_entry(f, 33), frame_size_entry(f, 34), frame_size_entry(f, 35),              \
        frame_size_entry(f, 36), frame_size_entry(f, 37)
    ROW(0),
    ROW(1),
    ROW(2),
#undef ROW
};

int32_t frame_words_for(int32_t fscod, int32_t frmsizecod) {
    if (fscod < 0 || fscod >= FSCOD_COUNT || frmsizecod < 0 || frmsizecod >= FRMSIZECOD_COUNT)
        return 0;
    return FRAME_SIZE_WORDS[fscod * FRMSIZECOD_COUNT + frmsizecod];
}

int read_bits(const Word* words, int count) {
    assert(count >= 0 && count <= 16);
    if (count == 0) {
        g_reader.word = words;
        g_reader.taken = 0;
        return 0;
    }
    int value = 0;
    while (count > 0) {
        if (g_reader.taken == 16) {
            ++g_reader.word;
            g_reader.taken = 0;
        }
        int available = 16 - g_reader.taken;
        int take = count < available ? count : available;
        int shift = available - take;
        int bits = (*g_reader.word >> shift) & ((1 << take) - 1);
        value = (value << take) | bits;
        g_reader.taken += take;
        count -= take;
    }
    return value;
}

int parse_frame(const Word* words) {
    read_bits(words, 0);
    read_bits(nullptr, 16);  // syncword
    read_bits(nullptr, 16);  // crc1
    g_frame_info.fscod = read_bits(nullptr, 2);
    g_frame_info.frmsizecod = read_bits(nullptr, 6);
    read_bits(nullptr, 5);  // bsid
    g_frame_info.bsmod = read_bits(nullptr, 3);
    g_frame_info.acmod = read_bits(nullptr, 3);
    int acmod = g_frame_info.acmod;
    if ((acmod & 1) && acmod != 1)
        read_bits(nullptr, 2);  // cmixlev
    if (acmod & 4)
        read_bits(nullptr, 2);  // surmixlev
    if (acmod == 2)
        read_bits(nullptr, 2);  // dsurmod
    g_frame_info.lfeon = read_bits(nullptr, 1);
    g_frame_info.dialnorm = read_bits(nullptr, 5);
    g_frame_info.frame_words = frame_words_for(g_frame_info.fscod, g_frame_info.frmsizecod);
    return 0;
}

void get_frame_info(FrameInfo* out) {
    *out = g_frame_info;
}

void clear_frame_info() {
    g_frame_info = {-1, -1, -1, -1, -1, -1, -1};
}
