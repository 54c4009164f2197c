#include "bitstream/frame_crc.h"

namespace {

constexpr uint16_t CRC_GENERATOR = 0x8005;

constexpr uint16_t crc_table_entry(int i) {
    uint16_t reg = static_cast<uint16_t>(i << 8);
    for (int bit = 0; bit < 8; ++bit)
        reg = static_cast<uint16_t>((reg & 0x8000) ? (reg << 1) ^ CRC_GENERATOR : reg << 1);
    return reg;
}

int32_t g_frame_errors = 0;

inline uint16_t crc_feed(uint16_t reg, unsigned byte) {
    return static_cast<uint16_t>(CRC_TABLE[reg >> 8] ^ byte ^ ((reg << 8) & 0xFF00));
}

}  // namespace

const uint16_t CRC_TABLE[256] = {
#define E8(i)                                                                                     \
    crc_table_entry(i), crc_table_entry(i + 1), crc_table_entry(i + 2), crc_table_entry(i + 3), \
        crc_table_entry(i + 4), crc_table_entry(i + 5), crc_table_entry(i + 6),                 \
        crc_table_entry(i + 7)
#define E64(i) E8(i), E8(i + 8), E8(i + 16), E8(i + 24), E8(i + 32), E8(i + 40), E8(i + 48), E8(i + 56)
    E64(0), E64(64), E64(128), E64(192),
#undef E64
#undef E8
};

int check_frame_crc(const Word* words, const FrameInfo* info) {
    uint16_t reg = 0;
    for (int32_t i = 1; i < info->frame_words; ++i) {
        reg = crc_feed(reg, words[i] >> 8);
        reg = crc_feed(reg, words[i] & 0xFF);
    }
    return reg != 0 ? 1 : 0;
}

void reset_frame_errors() {
    g_frame_errors = 0;
}

void count_frame_error() {
    ++g_frame_errors;
}

void add_frame_errors(int errors) {
    g_frame_errors += errors;
}

int get_frame_errors() {
    return g_frame_errors;
}
