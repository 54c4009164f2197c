#include "streamfile/stream_format.h"

#include <cstring>

FileFormat detect_format(const Word* words, int32_t count) {
    if (count >= 1 && words[0] == SWAPPED_SYNC_WORD)
        return FORMAT_NORMAL;
    if (count >= 1 && words[0] == AC3_SYNC_WORD)
        return FORMAT_PC;
    if (count > TC_RECORD_SYNC_INDEX && words[TC_RECORD_SYNC_INDEX] == SWAPPED_SYNC_WORD)
        return FORMAT_NORMAL_TC;
    return FORMAT_INVALID;
}

void packet_to_file_order(Word* words) {
    Word s7 = words[7];
    for (int i = 6; i >= 1; --i)
        words[i] = words[i - 1];
    words[0] = TC_MARKER;
    words[7] = s7;
}

void packet_to_stream_order(Word* words) {
    if (words[0] != TC_MARKER)
        return;
    for (int i = 0; i < 6; ++i)
        words[i] = words[i + 1];
    words[6] = TC_MARKER;
}

void swap_words(Word* to, const Word* from, int32_t count) {
    // Sixteen words a step as 64-bit integers, the bytes of each word
    // exchanged in place whatever the host's byte order; compilers make the
    // step a few vector operations.
    constexpr uint64_t LOW_BYTES = 0x00FF00FF00FF00FFull;
    constexpr int32_t STEP_WORDS = 16;
    int32_t i = 0;
    for (; i + STEP_WORDS <= count; i += STEP_WORDS) {
        uint64_t v[STEP_WORDS / 4];
        std::memcpy(v, from + i, sizeof(v));
        for (uint64_t& x : v)
            x = ((x >> 8) & LOW_BYTES) | ((x & LOW_BYTES) << 8);
        std::memcpy(to + i, v, sizeof(v));
    }
    for (; i < count; ++i)
        to[i] = swap_word(from[i]);
}
