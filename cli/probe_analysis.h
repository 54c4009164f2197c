// What a capture of the digital input holds: the data bursts in it by data
// type and placement, the spacing of the AC-3 bursts and the state of their
// frames, or, when there are no bursts, what the signal is instead.
#pragma once

#include <cstdint>

#include "bitstream/frame_parser.h"
#include "common/words.h"

// Data types a burst's Pc can name (bits 0 to 4).
constexpr int PROBE_DATA_TYPES = 32;
// Data types besides the packet types (IEC 61937 numbers, as ffmpeg's muxer
// and demuxer use them).
constexpr int BURST_TYPE_NULL = 0;
constexpr int BURST_TYPE_PAUSE = 3;
// Sample pairs from one AC-3 burst to the next: one frame's samples.
constexpr int64_t AC3_BURST_SPACING = 1536;

enum ProbeSignal : int {
    SIGNAL_BURSTS = 0,   // data bursts with their sync words intact
    SIGNAL_SILENCE = 1,  // every sample 0
    SIGNAL_AUDIO = 2,    // anything else: plain audio
    SIGNAL_SWAPPED = 3,  // bursts with the two bytes of every sample exchanged
    SIGNAL_SCALED = 4,   // bursts multiplied by a gain other than 1
};

// Where bursts were found; a report holds any combination.
enum ProbePlacement : int {
    PLACED_32_BIT = 1,     // consecutive words, both channels
    PLACED_CHANNEL_1 = 2,  // every other word, channel 1
    PLACED_CHANNEL_2 = 4,  // every other word, channel 2
};

struct ProbeReport {
    int signal;      // ProbeSignal
    int placements;  // ProbePlacement bits
    // Only whole bursts count: one that the end of the input cuts off does not.
    int64_t type_counts[PROBE_DATA_TYPES];  // bursts by data type
    int64_t frames;                         // AC-3 bursts
    int64_t damaged_frames;                 // of those, frames failing the header or CRC check
    int64_t spacing_min;                    // sample pairs between AC-3 bursts; -1: fewer
    int64_t spacing_max;                    //   than two bursts
    int64_t breaks;                         // spacings other than AC3_BURST_SPACING
    FrameInfo first_frame;                  // the first intact frame; frame_words -1: none
    int32_t peak;                           // largest sample magnitude, 0..32768
    double gain;                            // SIGNAL_SCALED: the gain, linear
};

// Looks at count words of PCM (channel 1 and channel 2 alternating, the
// sample values as the device delivers them). Parses the AC-3 frames it finds
// through the frame parser, so the current FrameInfo changes.
void probe_pcm(const Word* pcm, int64_t count, ProbeReport* out);

// The name of a data type: "AC-3", "time code", "pause", "MPEG audio", "AAC",
// "DTS type I" to "DTS type IV", "E-AC-3", "MAT", "null", else "reserved".
const char* data_type_name(int type);

// True for the types the recorder takes: AC-3 frames and time code packets.
bool data_type_recordable(int type);
