// Time code packets and the packet dispatch: the one entry through which every
// packet read from a file, captured or reached by navigation enters the
// bitstream layer.
#pragma once

#include <cstdint>

#include "common/words.h"

constexpr int TIME_CODE_PACKET_WORDS = 8;

// The 8-word packet in stream order: hours, minutes, seconds, frames (BCD
// weights), sample offset (signed), rate code (bits 2..5) and drop-frame flag
// (bit 0), then two words that are carried but not decoded.
struct TimeCodePacket {
    Word words[TIME_CODE_PACKET_WORDS];
};

// The current time code.
struct TimeCode {
    int32_t hours;
    int32_t minutes;
    int32_t seconds;
    int32_t frames;         // video frame within the second
    int32_t sample_offset;  // audio samples still to come before the next video frame
    int32_t rate_code;      // frame-rate code 0..15 (1..8 have a rate)
    int32_t drop_frame;     // 1: the packet's drop-frame bit is set
    int32_t valid;          // 1 while the stream being read or captured carries time code
};

constexpr int FRAME_RATE_CODES = 9;  // codes 0..8 have table entries; 9..15 have none
extern const double FRAME_RATE_FPS[FRAME_RATE_CODES];
extern const int32_t FRAME_RATE_INT[FRAME_RATE_CODES];

// Hands one packet to the bitstream layer. PACKET_TIME_CODE: decode_time_code
// (reads 8 words). PACKET_AC3_FRAME: parse_frame, then with ERRCHECK on the CRC
// check over exactly frame_words words, its result added to the frame errors.
// Any other type: nothing. Returns 0.
int dispatch_packet(const Word* words, int type);

// dispatch_packet for a payload of count words as a burst carried it, reading
// none past them: a time code packet of fewer than 8 words is not decoded; an
// AC-3 payload too short for its header (4 words) is not parsed; with ERRCHECK
// on, a frame shorter than its header's frame_words, or whose header gives no
// size, counts as a frame error without a check over words it did not bring.
// Returns 0.
int dispatch_payload(const Word* words, int32_t count, int type);

// Fills the current TimeCode from 8 packet words and sets valid to 1.
void decode_time_code(const Word* words);

// Moves the current TimeCode on by one AC-3 frame (1536 samples) at the current
// frame's sample rate. Rate codes 0 and 9..15, and a FrameInfo without a
// defined fscod, leave it unchanged.
void advance_time_code();

// Copies the current TimeCode to out.
void get_time_code(TimeCode* out);

// Sets valid.
void set_time_code_valid(int flag);

// The bitstream layer's reset: FrameInfo all -1 and valid 0; the other time
// code fields are kept.
void reset_frame_info();
