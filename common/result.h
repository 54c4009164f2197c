// Result codes shared by every subsystem: small integers, returned by the
// operations and turned into messages by the user interface.
#pragma once

enum ResultCode : int {
    RC_OK = 0,
    RC_NO_RECORD_DEVICE = 2,       // start_capture: input device refused or absent
    RC_RECORD_CLOSE_FAILED = 3,    // stop_capture: reset or close refused
    RC_NO_PLAYBACK_DEVICE = 4,     // start_playback: output device refused or absent
    RC_PLAYBACK_CLOSE_FAILED = 5,  // stop_playback: reset or close refused
    RC_PLAYBACK_DRAINED = 6,       // on_output_buffer_done: all buffers back after the end
    RC_END_OF_FILE = 7,            // on_output_buffer_done: the file ended in this buffer
    RC_OPEN_FAILED = 9,            // stream_open and the open commands
    RC_NO_MEMORY = 10,             // the file window could not be allocated
    RC_NO_TIME_CODE = 11,          // stream_write: the layout needs time code the stream lacks
    RC_CANCELLED = 12,             // open_file_dialog: the user cancelled
    RC_DATA = 13,                  // on_input_buffer_filled: at least one AC-3 frame completed
    RC_NO_DATA = 14,               // on_input_buffer_filled: no AC-3 frame completed
    RC_INVALID_FORMAT = 16,        // stream_open: not a stream file
    RC_WRITE_FAILED = 17,          // stream_write, stream_truncate: the disk took less than given
    RC_FILE_TOO_LARGE = 18,  // stream_open, stream_write: past the 2 GB a stream file may hold
};

// The code's name ("RC_OK"), or "RC_?" for a value that is no result code.
// For test output and diagnostics.
const char* result_name(int code);
