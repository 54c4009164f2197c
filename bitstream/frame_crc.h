// Frame CRC check (CRC-16, generator 0x8005) and the frame-error counter, which
// counts failed frame CRCs and device underruns and overruns.
#pragma once

#include <cstdint>

#include "bitstream/frame_parser.h"
#include "common/words.h"

// CRC-16 of generator x^16 + x^15 + x^2 + 1, MSB first, not reflected.
extern const uint16_t CRC_TABLE[256];

// 0 when the frame is intact, 1 when not. Checks words 1 to frame_words - 1
// of words (everything but the sync word), so the caller must provide exactly
// info->frame_words words; a frame_words of 1 or less checks nothing and
// reports the frame intact.
int check_frame_crc(const Word* words, const FrameInfo* info);

// The same check through the table steps alone, whatever the processor
// offers: where check_frame_crc folds with carry-less multiplication, the two
// must always agree.
int check_frame_crc_portable(const Word* words, const FrameInfo* info);

// Sets the counter to 0 (the frame errors' Reset button).
void reset_frame_errors();

// Adds 1 to the counter (a device ran out of queued buffers).
void count_frame_error();

// Adds a check_frame_crc result (0 or 1) to the counter.
void add_frame_errors(int errors);

// The counter's value.
int get_frame_errors();
