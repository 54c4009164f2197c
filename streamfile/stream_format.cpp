#include "streamfile/stream_format.h"

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
