// File I/O on the multimedia file service (unbuffered, so a failed write is
// reported by the call that made it), and plain file handles for the cut.
#include "platform/file_io.h"

#include <windows.h>
#include <mmsystem.h>

#include <cstring>

namespace {

// mmioOpenA takes a writable name and, asked whether a file exists, writes the
// fully qualified path back; it gets a copy with room for that.
constexpr size_t NAME_BUFFER_CHARS = 1024;

bool copy_name(const char* path, char* buffer) {
    if (path == nullptr)
        return false;
    size_t n = std::strlen(path);
    if (n >= MAX_PATH)
        return false;
    std::memcpy(buffer, path, n + 1);
    return true;
}

HMMIO to_hmmio(MmFileHandle file) {
    return reinterpret_cast<HMMIO>(file);
}

}  // namespace

bool mmfile_exists(const char* path) {
    char name[NAME_BUFFER_CHARS];
    if (!copy_name(path, name))
        return false;
    return mmioOpenA(name, nullptr, MMIO_EXIST) != nullptr;
}

MmFileHandle mmfile_open(const char* path, int mode, int* error) {
    DWORD flags;
    switch (mode) {
        case MMF_READ:
            flags = MMIO_READ;
            break;
        case MMF_READWRITE:
            flags = MMIO_READWRITE;
            break;
        case MMF_CREATE_READWRITE:
            flags = MMIO_CREATE | MMIO_READWRITE;
            break;
        default:
            if (error != nullptr)
                *error = MMIOERR_CANNOTOPEN;
            return nullptr;
    }
    char name[NAME_BUFFER_CHARS];
    if (!copy_name(path, name)) {
        if (error != nullptr)
            *error = MMIOERR_FILENOTFOUND;
        return nullptr;
    }
    MMIOINFO info;
    std::memset(&info, 0, sizeof info);
    HMMIO h = mmioOpenA(name, &info, flags);
    if (h == nullptr && error != nullptr)
        *error = info.wErrorRet != 0 ? static_cast<int>(info.wErrorRet) : MMIOERR_CANNOTOPEN;
    return reinterpret_cast<MmFileHandle>(h);
}

int32_t mmfile_read(MmFileHandle file, void* buffer, int32_t bytes) {
    if (file == nullptr || buffer == nullptr || bytes < 0)
        return -1;
    return static_cast<int32_t>(mmioRead(to_hmmio(file), static_cast<HPSTR>(buffer), bytes));
}

int32_t mmfile_write(MmFileHandle file, const void* buffer, int32_t bytes) {
    if (file == nullptr || buffer == nullptr || bytes < 0)
        return -1;
    return static_cast<int32_t>(mmioWrite(to_hmmio(file), static_cast<const char*>(buffer), bytes));
}

int32_t mmfile_seek(MmFileHandle file, int32_t offset, int origin) {
    if (file == nullptr)
        return -1;
    int from;
    switch (origin) {
        case MMF_SEEK_SET:
            from = SEEK_SET;
            break;
        case MMF_SEEK_CUR:
            from = SEEK_CUR;
            break;
        case MMF_SEEK_END:
            from = SEEK_END;
            break;
        default:
            return -1;
    }
    return static_cast<int32_t>(mmioSeek(to_hmmio(file), offset, from));
}

void mmfile_close(MmFileHandle file) {
    if (file != nullptr)
        mmioClose(to_hmmio(file), 0);
}

bool mmfile_delete(const char* path) {
    char name[NAME_BUFFER_CHARS];
    if (!copy_name(path, name))
        return false;
    // The service answers TRUE or FALSE here. Some versions of it open the
    // file instead and hand back a handle: close that, then delete directly.
    HMMIO answer = mmioOpenA(name, nullptr, MMIO_DELETE);
    if (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES)
        return true;
    if (answer != nullptr)
        mmioClose(answer, 0);
    return DeleteFileA(path) != 0;
}

int64_t file_size_bytes(const char* path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (path == nullptr || !GetFileAttributesExA(path, GetFileExInfoStandard, &data))
        return -1;
    return (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// Writes stay unbuffered here, for the tool too: each is on its way to the disk
// when the call returns, so there is never anything to flush or lose.
void mmfile_set_write_buffer(int32_t) {}

bool mmfile_flush() {
    return true;
}

int64_t mmfile_lost_at() {
    return -1;
}

bool file_cut_at(const char* path, int64_t byte_offset) {
    if (path == nullptr || byte_offset < 0)
        return false;
    // Whoever else reads the file meanwhile (an indexer, a virus scanner, a
    // verify) must not keep the take from ending here.
    HANDLE h =
        CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER at;
    at.QuadPart = byte_offset;
    bool ok = SetFilePointerEx(h, at, nullptr, FILE_BEGIN) && SetEndOfFile(h);
    if (!CloseHandle(h))
        ok = false;
    return ok;
}
