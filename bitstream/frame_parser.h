// AC-3 frame parser: reads the header of one sync frame into the program's one
// FrameInfo, and owns the frame size, bit rate and sample rate tables.
#pragma once

#include <cstdint>

#include "common/words.h"

// The current frame. All seven fields -1: no frame parsed since the last reset.
struct FrameInfo {
    int32_t frmsizecod;   // 6-bit frame size code, 0..63 (0..37 defined)
    int32_t fscod;        // 2-bit sample rate code, 0..3 (0..2 defined)
    int32_t acmod;        // 3-bit audio coding mode
    int32_t lfeon;        // 1-bit LFE channel flag
    int32_t bsmod;        // 3-bit bitstream mode
    int32_t dialnorm;     // 5-bit dialogue normalisation
    int32_t frame_words;  // frame length in 16-bit words; 0: no usable frame
};

constexpr int FRMSIZECOD_COUNT = 38;  // defined frame size codes
constexpr int FSCOD_COUNT = 3;        // defined sample rate codes

// Nominal bit rate in kbit/s by frmsizecod.
extern const int32_t BIT_RATE_KBPS[FRMSIZECOD_COUNT];
// Sample rate in Hz by fscod: 48000, 44100, 32000.
extern const int32_t SAMPLE_RATE_HZ[FSCOD_COUNT];
// Frame length in words, row fscod, column frmsizecod (flat: fscod * 38 + frmsizecod).
extern const int16_t FRAME_SIZE_WORDS[FSCOD_COUNT * FRMSIZECOD_COUNT];

// The table entry for a frame's codes, or 0 when either code has no entry
// (fscod 3, frmsizecod 38..63, or any out-of-range value).
int32_t frame_words_for(int32_t fscod, int32_t frmsizecod);

// Bit reader. count 0: restart at bit 15 of words[0] and return 0. count 1..16:
// the next count bits of the buffer given at the last restart, first bit most
// significant; words is then not looked at. A field may span two words.
int read_bits(const Word* words, int count);

// Parses the frame header at words into the current FrameInfo. Reads words 0
// to 3 only (the syncinfo and the start of the bitstream information), so the
// caller must provide at least 4 words. Does not check the sync word, bsid or
// reserved codes. Always returns 0.
int parse_frame(const Word* words);

// Copies the current FrameInfo to out.
void get_frame_info(FrameInfo* out);

// Sets all seven fields to -1. Called only by reset_frame_info.
void clear_frame_info();
