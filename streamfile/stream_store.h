// The store's state behind the StreamFile record, shared by the reader and
// navigation (stream_file.cpp) and the recording writer (stream_writer.cpp).
// Nothing outside streamfile/ includes this header.
#pragma once

#include <cstdint>

#include "common/words.h"
#include "platform/file_io.h"
#include "platform/memory.h"
#include "streamfile/stream_file.h"

// Words parse_frame reads from a frame's start: the syncinfo and the first
// word of the bitstream information.
constexpr int32_t FRAME_HEADER_WORDS = 4;

struct StreamStore {
    StreamFile file;       // what stream_get_file copies out
    MmFileHandle handle;   // null: no file open (or the reopen after a cut failed)
    MemBlockHandle block;  // the window's memory block, null when no file is open
    Word* window;          // WINDOW_WORDS words, locked while the file is open
    int32_t position;      // next word fetched or written
    int32_t window_end;    // file word just past the last word read into the window
    int32_t cursor;        // window index of file word position (reader only)
    int32_t pending;       // words staged from window[0] on, not yet written
    int32_t resume_flag;   // 1: recording (re)started, no frame seen since
    int64_t file_pointer;  // byte offset the handle stands at; -1 when unknown
    int32_t created;       // 1: this open made the file (removed at close if still empty)
    int32_t read_failed;   // 1: a read has failed since the open
    int32_t failed_at;     // the word at which the first failed read began
};

// The one store. Zero at program start: no file, no window.
extern StreamStore stream_store;

// Moves the handle's file pointer to byte (skipped when it stands there).
// Returns false when the file layer refuses; the pointer is then unknown.
bool store_seek_to(int64_t byte);

// The records in length words of the open file's layout at w words per frame
// (plus the packet for "Normal + Time Code"), rounded half up.
int32_t count_frames(int32_t length, double w);
