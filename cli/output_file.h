// The one output of a run. A file is written under a temporary name in the
// target's folder and renamed to the target only when the work succeeded, so
// that a failure (or an interruption) leaves nothing half-written behind and
// an existing target untouched; a replaced file keeps its permissions (and
// owner, where the user may set it). A symbolic link is followed to the file
// it names. A target that is no regular file (a device, a pipe, /dev/stdout)
// is written to in place. "-" stands for standard output.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

enum OutResult : int {
    OUT_OK = 0,
    OUT_EXISTS = 1,         // the target exists and replacing it was not allowed
    OUT_CANNOT_CREATE = 2,  // the temporary file could not be created
    OUT_WRITE_FAILED = 3,   // the disk took less than given
    OUT_RENAME_FAILED = 4,  // the finished file could not take the target's name
    OUT_NOT_A_FILE = 5,     // the target cannot become a file (a folder, an empty name)
    OUT_READER_GONE = 6,    // standard output's reader went away (a broken pipe)
};

// Whether path can become the run's output, checked before any input is read:
// OUT_OK, OUT_NOT_A_FILE (an empty name, a folder, a folder that does not
// exist), OUT_CANNOT_CREATE (a loop of links) or OUT_EXISTS (a file or a
// dangling link is there and force is 0). "-" and a target written in place
// are always OK.
int out_check_target(const char* path, int force);

// True when path, its links followed, names no regular file (a device, a
// pipe, /dev/stdout), which is written in place. *target is the file at the
// end of its links (path itself for "-").
bool out_direct_target(const char* path, std::string* target);

// Reserves path as the run's output; force nonzero allows replacing an existing
// file (a dangling link counts as one). through_file nonzero: the content is
// made as a real file even for "-" or a target written in place (in the
// system's temporary folder), and copied there at the commit. Returns OUT_OK,
// OUT_NOT_A_FILE, OUT_EXISTS or OUT_CANNOT_CREATE (a loop of links). The
// temporary file is handed to the interruption handling (cli/interrupt.h), to
// keep under the target's name or to remove. Pair every OUT_OK with
// out_commit or out_discard.
int out_reserve(const char* path, int force, int through_file);

// The temporary file's name, where the content is made; "" while writing
// straight to standard output.
const char* out_temp_path();

// True when the target is standard output.
bool out_to_stdout();

// Opens the temporary file (or standard output) for out_write. Returns OUT_OK
// or OUT_CANNOT_CREATE.
int out_open_stream();

// Appends bytes. Returns OUT_OK, OUT_WRITE_FAILED, or OUT_READER_GONE when
// standard output's reader has gone.
int out_write(const void* bytes, size_t count);

// True after a write to standard output found its reader gone.
bool out_reader_gone();

// Rewrites bytes at offset of the temporary file and returns to its end (the
// WAV header once the length is known). Returns OUT_OK or OUT_WRITE_FAILED;
// never call it for standard output.
int out_patch(uint64_t offset, const void* bytes, size_t count);

// Bytes appended so far.
uint64_t out_bytes_written();

// Finishes: flushes and closes the content and gives it the target's name (or
// copies it to standard output). Returns OUT_OK, OUT_WRITE_FAILED,
// OUT_READER_GONE or OUT_RENAME_FAILED; on failure the temporary file is
// removed.
int out_commit();

// Abandons the output: closes and removes the temporary file. Harmless when
// nothing is reserved.
void out_discard();
