// A stream file as the commands read it: through the store, refusing what
// the store would create or give a layout to, and telling where a walk of
// its records stopped.
#pragma once

struct StreamFile;

// Opens an existing stream file for reading through the store, refusing what
// the store would create or delete (a missing or empty file, standard input).
// A path longer than the store keeps is opened through the file itself, never
// by changing the working folder (Windows refuses such a path). Prints the
// reason and returns EXIT_UNUSABLE on failure; after EXIT_CLEAN call
// close_input_stream.
int open_input_stream(const char* path);

void close_input_stream();

// After a walk of the open file's records ended before its end: true when a
// frame header without a valid frame size stopped it, false when the end of
// the file cuts the last record short.
bool stopped_by_frame_header(const StreamFile& file);

// After a walk of the open file: when a read of it failed, says where (as
// the input at path) and returns true; the command then fails.
bool read_failed(const char* path);

// True when the file at path has an odd number of bytes: its last is no word.
bool ends_in_odd_byte(const char* path);
