// The PCM that the file-backed input device "records": a 16-bit stereo WAV
// file, raw little-endian samples, or standard input ("-"), delivered as words
// (channel 1 and channel 2 alternating) one device buffer at a time.
//
// A capture of a real input stops wherever it stops, often inside a burst; the
// silence after it would complete that burst and put a damaged frame in the
// recording. The source therefore keeps the longest burst's span of words
// back until the input ends, finds where its last burst ends, and delivers a
// burst that the input cuts short as silence.
#pragma once

#include <cstdint>

#include "common/words.h"

enum PcmResult : int {
    PCM_OK = 0,
    PCM_CANNOT_OPEN = 1,  // the file cannot be opened for reading
    PCM_NOT_WAV = 2,      // named .wav but has no RIFF/WAVE header
    PCM_BAD_WAV = 3,      // a WAV header that cannot be followed
    PCM_UNSUPPORTED = 4,  // a WAV file that is not 16-bit stereo PCM
};

// Opens path ("-": standard input). A name ending in ".wav" (any case) or
// content that begins with a RIFF/WAVE header is read as WAV, anything else as
// raw samples. Returns a PcmResult; pair PCM_OK with pcm_close.
int pcm_open(const char* path);

// Closes the source.
void pcm_close();

// Ends the input after bytes of samples in all (those read with a WAV header
// count): nothing past them is ever read, so that a pipe that does not end is
// left after that much.
void pcm_limit(int64_t bytes);

// Fills count words at pcm (little-endian, as a device fills its buffers) with
// the next samples, and with zeros after the end of the input. Returns how
// many words came from the input; 0 once it has ended.
int32_t pcm_fill(uint8_t* pcm, int32_t count);

// The WAV file's sample rate; 0 for raw samples.
uint32_t pcm_sample_rate();

// Bytes of samples the input holds, -1 when unknown (a pipe); and read so far.
int64_t pcm_total_bytes();
int64_t pcm_bytes_read();

// True when reading the input failed (as opposed to ending).
bool pcm_read_failed();

// Words of a final burst that the input cut short, delivered as silence.
int32_t pcm_cut_burst_words();

// Bursts whose payload, as their Pd gives it, runs into the preamble of a
// burst after them.
int32_t pcm_overrunning_bursts();

// Says why PCM input could not be opened (a PcmResult other than PCM_OK);
// returns EXIT_UNUSABLE.
int pcm_report_failure(int pcm_rc, const char* in);
