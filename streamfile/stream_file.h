// The stream file store: the one open stream file, read through a 64 KB window
// of words, navigated by frames, written by the recording writer. Every
// position and length is a count of 16-bit words.
#pragma once

#include <cstdint>

#include "bitstream/frame_parser.h"
#include "common/words.h"

// Longest path the store keeps (the open dialog and recent list carry paths of
// up to 255 characters), terminator included.
constexpr int STREAM_NAME_CHARS = 256;

constexpr int32_t WINDOW_WORDS = 32768;            // the file window: 65536 bytes
constexpr int32_t REFILL_THRESHOLD = 1920;         // the largest AC-3 frame, in words
constexpr int32_t MAX_RECORD_WORDS = 1928;         // largest "Normal + Time Code" record
constexpr double DEFAULT_WORDS_PER_FRAME = 896.0;  // 48 kHz at 448 kbit/s

// The open file as others see it (a copy).
struct StreamFile {
    char name[STREAM_NAME_CHARS];  // the path given to stream_open
    int32_t length;                // file length in words
    int32_t frame_count;           // frames (records) in the file
    int32_t format;                // FileFormat
    double words_per_frame;        // nominal frame length in words
    int32_t read_only;             // nonzero: open for reading only
};

enum SeekMode : int {
    SEEK_TO_START = 0,
    SEEK_BY_FRAMES = 1,
    SEEK_TO_END = 2,
};

// The frame size rule: nominal words per frame for a FrameInfo (1536 / fs x
// kbps x 1000 / 16), or DEFAULT_WORDS_PER_FRAME when fscod names no rate.
double frame_size_rule(const FrameInfo& info);

// Opens (or creates) path; read_only nonzero opens for reading only. Returns
// RC_OK, RC_OPEN_FAILED or RC_INVALID_FORMAT. Call stream_close after RC_OK.
int stream_open(const char* path, int read_only);

// Closes the file, deleting it when it is empty on disk. Returns RC_OK.
int stream_close();

// Reads the window from position on. Returns the words read (0 or more).
int32_t stream_refill();

// Copies the next record into out (at least MAX_RECORD_WORDS words): for
// "Normal + Time Code" the 8-word packet in stream order, then the frame.
// Returns the frame's length in words, 0 at the end of the file.
int32_t stream_next_frame(Word* out);

// Measures length and frame_count. Returns the frame size in words.
double stream_measure();

// Moves the position: SEEK_TO_START, SEEK_BY_FRAMES by n, SEEK_TO_END.
// Returns RC_OK.
int stream_seek(int32_t n, int mode);

// Moves the position by n frames with a resynchronising scan.
void stream_seek_frames(int32_t n);

// For a "Normal + Time Code" file: leaves the time code at that of the file's
// end and the position at the end.
void stream_end_time_code();

// Copies the StreamFile record to out.
void stream_get_file(StreamFile* out);

// The position in words.
int32_t stream_get_position();

// Sets the length to the position and counts the frames again.
void stream_cut_at_position();

// Recording writer. Writes one payload (PACKET_AC3_FRAME or PACKET_TIME_CODE,
// count words in stream order) at the position in the file's layout; a packet's
// words are rewritten in place. Returns RC_OK, RC_NO_TIME_CODE or
// RC_WRITE_FAILED (the disk took less than given; only what reached it counts).
int stream_write(Word* words, int32_t count, int type);

// Recording (re)starts: the next frame without a packet is dropped.
void stream_resume();

// A recording that starts at word 0 takes this layout.
void stream_set_new_format(int format);

// Cuts the file at the position and reopens it for reading and writing.
// Returns RC_OK or RC_WRITE_FAILED.
int stream_truncate();
