#include "tests/program/failing_writes.h"

#include "platform/file_io.h"

// The platform's own calls, renamed when its file layer is built into this library.
int32_t platform_mmfile_write(MmFileHandle file, const void* buffer, int32_t bytes);
bool platform_file_cut_at(const char* path, int64_t byte_offset);
MmFileHandle platform_mmfile_open(const char* path, int mode, int* error);
int32_t platform_mmfile_read(MmFileHandle file, void* buffer, int32_t bytes);

FailingFiles failing_files = {};

MmFileHandle mmfile_open(const char* path, int mode, int* error) {
    if (failing_files.reopens && mode == MMF_READWRITE) {
        if (error != nullptr) {
            *error = 1;
        }
        return nullptr;
    }
    return platform_mmfile_open(path, mode, error);
}

bool file_cut_at(const char* path, int64_t byte_offset) {
    return failing_files.cuts ? false : platform_file_cut_at(path, byte_offset);
}

int32_t mmfile_write(MmFileHandle file, const void* buffer, int32_t bytes) {
    // A full disk takes nothing; the store must not count the words as written.
    return failing_files.writes ? 0 : platform_mmfile_write(file, buffer, bytes);
}

int32_t mmfile_read(MmFileHandle file, void* buffer, int32_t bytes) {
    return failing_files.reads ? -1 : platform_mmfile_read(file, buffer, bytes);
}
