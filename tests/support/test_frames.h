// Builders for AC-3 frames and time code packets used across the tests.
#pragma once

#include <cstdint>
#include <ostream>
#include <vector>

#include "common/result.h"
#include "common/words.h"

struct FrameSpec {
    int fscod = 0;
    int frmsizecod = 28;  // 384 kbit/s
    int bsid = 8;
    int bsmod = 0;
    int acmod = 2;
    int lfeon = 0;
    int dialnorm = 27;
    uint32_t seed = 1;  // fills the audio blocks with a pseudo-random pattern
};

// A whole frame of the table length for its codes, with a correct CRC (the
// last word is chosen so that the check over words 1..L-1 leaves remainder 0).
std::vector<Word> make_frame(const FrameSpec& shape);

// Sets the last word of frame so that its CRC check passes.
void fix_frame_crc(std::vector<Word>& frame);

// An 8-word time code packet in stream order.
std::vector<Word> make_time_code_packet(int hours,
                                        int minutes,
                                        int seconds,
                                        int frames,
                                        int sample_offset,
                                        int rate_code,
                                        int drop_frame);

// count frames of the given rate codes, each with its own content; alternate
// adds 1 to frmsizecod of every odd frame (at 44.1 kHz the lengths then alternate).
std::vector<std::vector<Word>> distinct_frames(int count,
                                               int fscod = 0,
                                               int frmsizecod = 30,
                                               bool alternate = false);
// The packet stored ahead of frame i: 25 fps time code from 01:00:00:00.
std::vector<Word> tc_packet(int i);
// A stream file of frames in format (a FileFormat): high byte first but for
// "PC Format"; "Normal + Time Code" puts packets[i] (tc_packet(i) when none
// are given) in file order ahead of frame i.
std::vector<uint8_t> frames_file_bytes(int format,
                                       const std::vector<std::vector<Word>>& frames,
                                       const std::vector<std::vector<Word>>& packets = {});

// A block of 3072 PCM words as output format mode sends it: the time code
// packet's burst (when packet is not empty), then the frame's, in every word
// (mode 0) or in every other word from the first (1) or the second (2).
std::vector<Word> burst_block(int mode,
                              const std::vector<Word>& packet,
                              const std::vector<Word>& frame);
// All that playing a file of frames in format (packets as in frames_file_bytes,
// word 6 the reader's marker) sends: three silent buffers, a block a frame,
// eight blocks a buffer, up to the end of the buffer after the last frame's.
std::vector<Word> played_words(int mode,
                               int format,
                               const std::vector<std::vector<Word>>& frames,
                               const std::vector<std::vector<Word>>& packets = {});
// Words as little-endian 16-bit PCM, and back.
std::vector<uint8_t> pcm_bytes(const std::vector<Word>& words);
std::vector<Word> pcm_words(const std::vector<uint8_t>& bytes);

// Two-digit BCD of value (units in bits 0..3, tens from bit 4).
Word to_bcd(int value);

// Prints result codes by name in assertion messages: EXPECT_EQ(Rc(RC_OK), Rc(r)).
struct Rc {
    int code;
    explicit Rc(int c) : code(c) {}
    bool operator==(const Rc& o) const { return code == o.code; }
};
inline std::ostream& operator<<(std::ostream& os, const Rc& rc) {
    return os << result_name(rc.code) << " (" << rc.code << ")";
}
