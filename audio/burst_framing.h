// Burst framing without a device: the transmitter's block filling and the
// receiver's word procedure. The playback and capture engines call these on
// the ring's buffers; they work the same on any plain buffer.
//
// PCM here is 16-bit stereo held as bytes, each word little-endian, channel 1
// in even words and channel 2 in odd words.
#pragma once

#include <cstdint>

#include "bitstream/time_code.h"
#include "common/burst.h"
#include "common/words.h"

// Buffer words per frame: 1536 stereo sample pairs, one AC-3 frame's duration.
constexpr int32_t BURST_BLOCK_WORDS = 3072;
constexpr int32_t BURST_BLOCK_BYTES = BURST_BLOCK_WORDS * 2;
// Blocks per device buffer: 8 x 3072 words fill 0xC000 bytes exactly.
constexpr int FRAMES_PER_BUFFER = 8;
// The longest payload the receiver accepts, in words: one whole block.
constexpr int32_t BURST_MAX_PAYLOAD_WORDS = 3072;
// Pd of a time code burst: the 8-word packet's length in bits.
constexpr uint16_t BURST_PD_TIME_CODE = TIME_CODE_PACKET_WORDS << BURST_PD_WORD_SHIFT;

// Output formats, the SPDIFMODE preference.
enum SpdifMode : int {
    SPDIF_32_BIT = 0,      // "32-bit": burst words fill both channels in turn
    SPDIF_16_BIT_CH1 = 1,  // "16-bit channel 1": one burst word per sample pair, channel 1
    SPDIF_16_BIT_CH2 = 2,  // "16-bit channel 2": one burst word per sample pair, channel 2
};

// Stores the low 16 bits of value at pcm (little-endian) and returns pcm
// advanced by stride words.
uint8_t* put_word(uint8_t* pcm, uint32_t value, int32_t stride);

// Reads the little-endian word at pcm.
inline Word get_pcm_word(const uint8_t* pcm) {
    return static_cast<Word>(pcm[0] | (pcm[1] << 8));
}

// Writes one block's bursts into block (BURST_BLOCK_BYTES, all zero on entry):
// the time code burst when packet is not null (8 words in stream order), then
// the frame's burst of frame_words words, in the output format spdif_mode (a
// value outside 0..2 plays as "32-bit"). Returns 1 when written, 0 when the
// bursts do not fit in the block (frames of more than 1532 words, or 1520
// after a time code burst, in the 16-bit formats): then the block stays
// silent; the caller counts it as a frame error.
int fill_block(uint8_t* block,
               int spdif_mode,
               const Word* packet,
               const Word* frame,
               int32_t frame_words);

// Receiver states.
enum ReceiverState : int32_t {
    RX_SEEK_PA = 0,   // waiting for Pa
    RX_AFTER_PA = 1,  // the word after Pa
    RX_GAP = 2,       // the second word after Pa
    RX_PC = 3,        // waiting for Pc
    RX_PD = 4,        // waiting for Pd
    RX_PAYLOAD = 5,   // payload words
};

// The receiver's record; all 0 is a receiver seeking Pa. It carries over from
// one buffer to the next, so a burst may be split anywhere.
struct BurstReceiver {
    int32_t state;           // ReceiverState
    int32_t interleaved;     // 1: the burst takes every other PCM word
    int32_t data_type;       // PACKET_AC3_FRAME or PACKET_TIME_CODE, from Pc
    int32_t payload_words;   // from Pd, 1..BURST_MAX_PAYLOAD_WORDS
    int32_t received_words;  // payload words stored so far
    int32_t write_pos;       // next scratch word to store into
    int32_t skip_next;       // 1: the next PCM word is ignored
};

// Receives one PCM word w. Payload words are stored into scratch from word 0
// on (at most BURST_MAX_PAYLOAD_WORDS). Returns the data type (1 or 2) when w
// completes a payload (then scratch holds rx->payload_words words), else 0.
int receive_word(BurstReceiver* rx, Word* scratch, Word w);

// Receives PCM words from pcm (little-endian words, as get_pcm_word reads
// them) up to words of them, exactly as receive_word would one by one, but
// takes payload runs in bulk and passes over words that cannot be Pa at once.
// Stops after the word that completes a payload, setting *completed to its
// data type, or at the end (*completed 0). Returns the words consumed; the
// receiver is then as receive_word would have left it after them.
int32_t receive_run(BurstReceiver* rx,
                    Word* scratch,
                    const uint8_t* pcm,
                    int32_t words,
                    int* completed);
