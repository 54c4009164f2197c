// The one way out of the tool for what a run makes: a converted file, PCM, a
// recording. A command begins its output, writes to it (or has the store
// record into the file it made), and commits or abandons it; nothing else
// writes OUT, and the rules below are kept here alone.
//
// How OUT is made, by what it names and what the command needs:
//   - a regular file, new or replaced with --force (a symbolic link is
//     followed to the file it names): made under a temporary name in its
//     folder and renamed to OUT at the commit, with the replaced file's mode,
//     owner and group (a new file: the mode the user's mask gives);
//   - a live capture into a regular file: the same, except that the file
//     takes OUT's name at its first record (out_place), so that whatever ends
//     the run keeps what was recorded, and is then recorded in place;
//   - standard output ("-"), or a target that is no regular file (a FIFO, a
//     device, or one of the run's own open files such as /dev/stdout, which
//     goes on where it stands), written in place as a shell redirection
//     would, never replaced: written as the content comes or, where the
//     content must be whole first (a recording, a WAV header with its sizes),
//     made in a temporary file in the system's temporary folder and copied
//     there at the commit.
// A temporary file is created new, under a name nobody can guess, readable
// by its owner alone until the commit.
//
// What each failure and each interruption keeps:
//   - a failure before the commit: the temporary file is removed and OUT is
//     left as it was (a live capture keeps the records it has placed); a
//     recording that cannot take OUT's name stays under its temporary one,
//     which the report gives;
//   - standard output's reader going away: the output ends there, quietly; the
//     run goes on to its own status and messages;
//   - an interruption of a run that keeps nothing (OUT_DISCARD_ON_SIGNAL:
//     convert, wrap, and the commands without output): at the next check the
//     temporary file is removed and the run ends with 128 + the signal;
//   - the first interruption of a recording (OUT_FINISH_ON_SIGNAL: unwrap)
//     only ends its input (out_input_ended): a write or an open it breaks off
//     is retried, so that a take being copied out arrives whole. A second one
//     ends the run at the next check: the records made so far are kept under
//     OUT's name when OUT is a file; a copy under way is abandoned with its
//     temporary file.
#pragma once

#include <cstddef>
#include <cstdint>

enum OutResult : int {
    OUT_OK = 0,
    OUT_EXISTS = 1,         // the target exists and replacing it was not allowed
    OUT_CANNOT_CREATE = 2,  // the file could not be made, or the target opened
    OUT_WRITE_FAILED = 3,   // the disk took less than given
    OUT_RENAME_FAILED = 4,  // the finished file could not take the target's name
    OUT_NOT_A_FILE = 5,     // the target cannot become a file (a folder, an empty name)
    OUT_READER_GONE = 6,    // standard output's reader went away (a broken pipe)
    OUT_PATH_TOO_LONG = 7,  // the store cannot record into a file of this path
    OUT_NAME_TOO_LONG = 8,  // the file name is longer than file systems take
};

enum OutSignalRule : int {
    OUT_DISCARD_ON_SIGNAL = 0,
    OUT_FINISH_ON_SIGNAL = 1,
};

// What the content needs of the output.
enum OutNeeds : int {
    OUT_STREAMED = 0,  // bytes in order, written as they come
    OUT_WHOLE_FILE =
        1,         // a real file until the commit: patched (out_patch) or recorded by the store
    OUT_LIVE = 2,  // with OUT_WHOLE_FILE: a live capture, placed at its first record
};

// Installs the interruption handling for a run under the rule; once per run.
void out_setup_signals(int rule);

// Acts on interruptions as the rules say; returns only while the run goes on.
// Every loop of a command calls it, and the module in its own waits.
void out_check_signals();

// True once an interruption has asked a recording to finish: its input ends.
bool out_input_ended();

// Marks the run finished (a closing console on Windows waits for it).
void out_run_ended();

// Whether path can become the output, checked before any input is read:
// OUT_OK, OUT_NOT_A_FILE (an empty name, a folder, a folder that does not
// exist), OUT_NAME_TOO_LONG, OUT_CANNOT_CREATE (a loop of links) or
// OUT_EXISTS (a file or a dangling link is there and force is false).
int out_check(const char* path, bool force);

// Begins the output to path ("-": standard output) with what the content
// needs (OutNeeds bits). Returns out_check's refusals, OUT_CANNOT_CREATE or
// OUT_OK; pair OUT_OK with out_commit or out_abandon.
int out_begin(const char* path, bool force, int needs);

// Appends bytes. Returns OUT_OK, OUT_WRITE_FAILED, or OUT_READER_GONE once
// standard output's reader has gone (later writes are dropped).
int out_write(const void* bytes, size_t count);

// Rewrites bytes at offset (the WAV header once the length is known); only
// with OUT_WHOLE_FILE. Returns OUT_OK or OUT_WRITE_FAILED.
int out_patch(uint64_t offset, const void* bytes, size_t count);

// Bytes appended so far.
uint64_t out_bytes_written();

// The name by which the store records into the output's file (OUT_WHOLE_FILE);
// "" after OUT_PATH_TOO_LONG from out_begin.
const char* out_store_name();

// A live capture has its first record: the file takes OUT's name now.
void out_place();

// For a live capture, at least once a second: the store's buffered records go
// to the file and the file's data to the disk itself. Returns false once that
// has failed; harmless for any other output.
bool out_flush_live();

// Cuts the recording's file back to its first bytes (the records the disk
// took whole), once the store has closed it.
void out_cut(int64_t bytes);

// True after a write found standard output's reader gone.
bool out_reader_gone();

// Finishes: the content reaches OUT (renamed, copied or, for a live capture,
// left in place). Returns OUT_OK, OUT_WRITE_FAILED, OUT_READER_GONE or
// OUT_RENAME_FAILED; a failure leaves what out_abandon leaves.
int out_commit();

// Gives the output up: the temporary file is removed (a live capture's placed
// records stay, unless there are none). Harmless when nothing was begun.
void out_abandon();

// Says what went wrong with the output at path; returns the exit status
// (a reader gone away: EXIT_CLEAN, quietly).
int out_report(int result, const char* path);
