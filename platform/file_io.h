// Multimedia-style buffered file I/O: exactly what the stream file store relies
// on. Win32: mmioOpenA/mmioRead/mmioWrite/mmioSeek/mmioClose and
// CreateFileA/SetFilePointer/SetEndOfFile; POSIX: plain file descriptors.
// Offsets and counts are bytes.
#pragma once

#include <cstdint>

typedef struct MmFile* MmFileHandle;  // null: no file

// Open modes, with the values of the multimedia flags they stand for.
enum MmOpenMode : int {
    MMF_READ = 0,                   // existing file, reading only
    MMF_READWRITE = 2,              // existing file, reading and writing
    MMF_CREATE_READWRITE = 0x1002,  // create (or empty) the file, reading and writing
};

// Seek origins.
enum MmSeekOrigin : int {
    MMF_SEEK_SET = 0,
    MMF_SEEK_CUR = 1,
    MMF_SEEK_END = 2,
};

// True when a file of that name exists. Opens nothing.
bool mmfile_exists(const char* path);

// Opens path in one of the MmOpenMode modes. Returns the handle, or null; on
// null and a non-null error, *error receives the platform's nonzero reason.
// Call mmfile_close for every handle returned.
MmFileHandle mmfile_open(const char* path, int mode, int* error);

// Reads up to bytes at the file pointer and advances it. Returns the bytes
// read, 0 at the end of the file, -1 on error.
int32_t mmfile_read(MmFileHandle file, void* buffer, int32_t bytes);

// Writes bytes at the file pointer and advances it. Returns the bytes written
// (fewer than asked when the disk is full), or -1 on error.
int32_t mmfile_write(MmFileHandle file, const void* buffer, int32_t bytes);

// Moves the file pointer by offset from origin. Returns the new byte offset,
// or -1 on error.
int32_t mmfile_seek(MmFileHandle file, int32_t offset, int origin);

// Closes the handle (null is ignored).
void mmfile_close(MmFileHandle file);

// Deletes the file by name. Returns true when it is gone.
bool mmfile_delete(const char* path);

// The size in bytes of the named file, or -1 when it cannot be found out.
// Not limited to what the 32-bit offsets above reach.
int64_t file_size_bytes(const char* path);

// Buffered writes, for the command-line tool (the program writes unbuffered,
// one record per call, and never calls these). From the call on, handles
// opened for writing gather up to bytes of consecutive writes in memory and
// pass them on when the buffer is full, before a read, a seek or a close, and
// at mmfile_flush; 0 (the default) writes through. Every buffered write is
// taken whole, so the buffer always begins and ends at the edge of a write.
// The Win32 layer keeps writing through and ignores the request.
void mmfile_set_write_buffer(int32_t bytes);

// Passes the buffered writes of every open handle on to the file. Returns
// false when any of them failed now or earlier (see mmfile_lost_at).
bool mmfile_flush();

// The byte offset from which buffered writes were lost by a failed flush (the
// file has been cut back to the end of the last write the disk took whole);
// -1 when none was. The first loss counts; mmfile_set_write_buffer clears it.
int64_t mmfile_lost_at();

// Cuts the named, existing file at byte_offset (everything beyond is gone).
// The file must not be open through a handle of this layer. Returns true on
// success.
bool file_cut_at(const char* path, int64_t byte_offset);
