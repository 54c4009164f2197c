// Files as the command-line tool's output module (cli/io/output.h) makes
// them: temporary files that are the tool's own, writes that an interruption
// may break off without losing a byte, renames that keep what the replaced
// file had, and data that reaches the disk itself. The store's file I/O
// (platform/file_io.h) opens these files by the name os_store_name gives.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

typedef intptr_t OsFile;  // a file descriptor, or a HANDLE on Win32
constexpr OsFile NO_FILE = -1;

// Results of calls that may wait on a pipe or a device.
enum OsResult : int {
    OS_OK = 0,
    OS_INTERRUPTED = 1,  // an interruption broke the wait off; nothing was done: try again
    OS_BROKEN_PIPE = 2,  // the reader went away
    OS_FAILED = 3,
    OS_TIMEOUT = 4,  // nothing came within the wait
    OS_END = 5,      // the input has ended
};

// Standard input and output, in binary mode.
OsFile os_stdin();
OsFile os_stdout();

// Fills each standard file the run was started without with one that fails
// as a closed one does, so that no file the run opens takes its number (a
// message on standard error would land in a take). Call first of all.
void os_hold_standard_files();

// True when standard error is a terminal (a console on Windows).
bool os_stderr_is_terminal();

// Creates a new file in folder ("" for the system's temporary folder) that
// no other program had and that only this user may open, under an
// unpredictable name beginning with prefix and ending in ".part"; *path gets
// its name. Returns NO_FILE when it cannot be made.
OsFile os_create_temp(const std::string& folder, const std::string& prefix, std::string* path);

// Opens an existing target that is no regular file (a FIFO, a device) for
// writing, as a shell redirection does. One of the run's own open files
// (os_is_own_file) is taken as it stands, writing on where it is (appending,
// say): opened anew, it would be written over from its start.
int os_open_target(const char* path, OsFile* file);

// True when path names one of the run's own open files in the system's table
// of them (/dev/fd/N, /proc/self/fd/N; /dev/stdout is a link to one).
bool os_is_own_file(const char* path);

// Opens an existing file for reading.
OsFile os_open_read(const char* path);

// Reads up to count bytes once; *got gets how many came. A pipe or the like
// that gives nothing within wait_ms gives OS_TIMEOUT (Windows waits on).
// OS_OK (*got > 0), OS_END, OS_INTERRUPTED, OS_TIMEOUT or OS_FAILED.
int os_read(OsFile file, void* bytes, size_t count, int wait_ms, size_t* got);

// Writes up to count bytes once; *done gets how many went. OS_OK (*done may
// fall short of count: call again for the rest), OS_INTERRUPTED,
// OS_BROKEN_PIPE or OS_FAILED.
int os_write(OsFile file, const void* bytes, size_t count, size_t* done);

// Writes or reads count bytes at offset, leaving the file's position alone
// (regular files only). Reading returns the bytes read, 0 at the end, -1 on
// error.
bool os_write_at(OsFile file, uint64_t offset, const void* bytes, size_t count);
int64_t os_read_at(OsFile file, uint64_t offset, void* bytes, size_t count);

// Passes the file's data on to the disk itself (not just the system's cache).
bool os_sync(OsFile file);

void os_close(OsFile file);

// Gives file (named from) the permissions, owner and group of the regular
// file at target where there is one (as far as the user may set them), or
// else the permissions a new file gets. Windows has nothing to give.
void os_give_attributes(OsFile file, const char* target);

// Renames from to to, replacing to. False when it cannot (Windows: while
// another handle without sharing holds from open).
bool os_rename(const char* from, const char* to);

bool os_remove(const char* path);

// Passes the folder holding path on to the disk, so that a rename in it
// survives a power cut (Windows' file systems keep their own journal).
bool os_sync_folder(const char* path);

// True where the system gives open files names of their own (os_store_name).
bool os_names_open_files();

// A name of at most a few dozen characters by which the store opens the open
// file, whatever its path's length and wherever it is renamed to meanwhile;
// "" where the system has none (then its path serves, within the store's
// limit).
std::string os_store_name(OsFile file);
