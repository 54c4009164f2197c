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

// Byte offsets through the file layer are signed 32-bit, so a stream file is
// smaller than 2 GB and holds at most this many words.
constexpr int32_t MAX_FILE_WORDS = INT32_MAX / 2;

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
// kbps x 1000 / 16), or DEFAULT_WORDS_PER_FRAME when fscod names no sample
// rate or frmsizecod no bit rate.
double frame_size_rule(const FrameInfo& info);

// Opens path (at most STREAM_NAME_CHARS - 1 characters), creating it when it
// does not exist; read_only nonzero opens an existing file for reading only,
// and a file that cannot be opened for writing is opened for reading with
// read_only 1. An existing file's layout is recognised from its first words;
// an empty or new file takes the PREFRECFORMAT preference. Returns RC_OK,
// RC_OPEN_FAILED (no handle, no memory for the window, or a path too long; a
// file made by this call is removed again), RC_INVALID_FORMAT (not a stream
// file; closed and left unchanged) or RC_FILE_TOO_LARGE (more than
// MAX_FILE_WORDS words; not opened). Call stream_close after every RC_OK, and
// before the next stream_open.
int stream_open(const char* path, int read_only);

// Closes the file and frees the window; a file that this open created and
// that has no byte on disk is deleted. position, length and frame_count
// become 0; name, format, words_per_frame and read_only keep their values.
// Returns RC_OK.
int stream_close();

// Reads the window from position on, exchanging bytes for the high-byte-first
// layouts. Returns the words read (0 at the end of the file or on a read error).
int32_t stream_refill();

// The word at which the first read that failed since stream_open began, or -1
// when every read succeeded. A failed read looks like the end of the file to
// every other operation: the fetch returns 0 and a scan finds nothing.
int32_t stream_read_error_at();

// Copies the record at the position into out (at least MAX_RECORD_WORDS
// words) and dispatches it to the bitstream layer: for "Normal + Time Code" the
// 8-word packet in stream order, then the frame. Returns the frame's length in
// words; 0 at the end of the file, for a frame of no known length and for a
// last record that the end of the file cuts short (the position then stays).
int32_t stream_next_frame(Word* out);

// Dispatches the record at the position, takes length from the file's size and
// counts the frames with the frame size rule (unchanged while no frame has a
// length). Returns the frame size in words, DEFAULT_WORDS_PER_FRAME when there
// is none; the caller decides whether to keep it.
double stream_measure();

// Moves the position: SEEK_TO_START (to word 0, dispatching the first record),
// SEEK_BY_FRAMES (stream_seek_frames(n)) or SEEK_TO_END (to length; the next
// fetch returns 0). Other modes do nothing. Returns RC_OK.
int stream_seek(int32_t n, int mode);

// Moves the position by n records of the current frame's size (of the file's
// words_per_frame while no frame has been parsed), then scans forward to the
// next record start and dispatches that record. Ends at word 0 or at length
// when the move goes beyond either.
void stream_seek_frames(int32_t n);

// What stands at the position, without moving it or dispatching anything.
enum RecordCheck : int {
    RECORD_CONFIRMED = 0,  // a whole record whose frame's CRC checks, or that the
                           // next record or the end of the file follows directly
                           // and that hides no whole record whose CRC checks
    RECORD_NONE,           // the end of the file, or a read failed there
    RECORD_NOT_BEGUN,      // no record begins there (no sync word, or no marker)
    RECORD_NO_SIZE,        // a frame header without a valid frame size
    RECORD_CUT_SHORT,      // the end of the file cuts the record short
    RECORD_UNCONFIRMED,    // its CRC fails, and no record follows it directly or
                           // it hides a whole record whose CRC checks
};
int stream_check_record();

// Moves one word past the position and scans forward, window by window, to
// the next record start that stream_check_record confirms, and dispatches
// that record; ends at length when there is none (or where a read failed).
// Reading on after a record that cannot be read: a sync word inside junk or
// inside a frame is not taken for a record.
void stream_resync();

// For a "Normal + Time Code" file: decodes the last record's packet and moves
// the time code on by one frame, so that it shows the file's end; the position
// ends at length. When no record is found at the end the time code is left as
// it was. Other layouts: nothing happens.
void stream_end_time_code();

// Copies the StreamFile record to out.
void stream_get_file(StreamFile* out);

// The position in words.
int32_t stream_get_position();

// Sets the length to the position and counts the frames again.
void stream_cut_at_position();

// Recording writer. Writes one payload (PACKET_AC3_FRAME or PACKET_TIME_CODE,
// count words in stream order) at the position in the file's layout: a packet
// is staged (its 8 words are rewritten in place into file order) and written
// with the next frame as one record. Returns RC_OK (also for a frame dropped
// after stream_resume, a packet for a layout without time code, or any other
// type), RC_NO_TIME_CODE (a "Normal + Time Code" file needs the packet this
// frame lacks; nothing written), RC_FILE_TOO_LARGE (the record would take the
// file past MAX_FILE_WORDS; nothing written) or RC_WRITE_FAILED (no file, or
// the disk took less than the whole record: position, length and frame_count
// count only whole records on disk, and the part written is overwritten or cut
// off later).
int stream_write(Word* words, int32_t count, int type);

// Recording (re)starts: the next frame without a packet is dropped.
void stream_resume();

// A recording that starts at word 0 takes this layout.
void stream_set_new_format(int format);

// Cuts the file at the position and reopens it for reading and writing, with
// length at the position; anything staged is dropped. Call stream_measure
// after it. Returns RC_OK, or RC_WRITE_FAILED when the cut failed (words
// after the position stay in the file). A file that cannot be reopened for
// writing is reopened for reading with read_only 1 if it can be; otherwise the
// store reads nothing and writes nothing until stream_close.
int stream_truncate();
