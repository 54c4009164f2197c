// File I/O on POSIX file descriptors, with the results the stream file store
// relies on from the multimedia file service.
#include "platform/file_io.h"

#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

struct MmFile {
    int fd;
};

namespace {

// Byte offsets this layer reports are 32-bit, as the multimedia service's are.
constexpr off_t MAX_OFFSET = INT32_MAX;

int open_flags(int mode) {
    switch (mode) {
        case MMF_READ:
            return O_RDONLY;
        case MMF_READWRITE:
            return O_RDWR;
        case MMF_CREATE_READWRITE:
            return O_RDWR | O_CREAT | O_TRUNC;
        default:
            return -1;
    }
}

}  // namespace

bool mmfile_exists(const char* path) {
    struct stat st;
    return path != nullptr && stat(path, &st) == 0;
}

MmFileHandle mmfile_open(const char* path, int mode, int* error) {
    int flags = open_flags(mode);
    if (path == nullptr || flags < 0) {
        if (error != nullptr)
            *error = EINVAL;
        return nullptr;
    }
    int fd;
    do {
        fd = open(path, flags | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        if (error != nullptr)
            *error = errno;
        return nullptr;
    }
    // A directory opens for reading on POSIX but is no file of words.
    struct stat st;
    if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        if (error != nullptr)
            *error = EISDIR;
        close(fd);
        return nullptr;
    }
    return new MmFile{fd};
}

int32_t mmfile_read(MmFileHandle file, void* buffer, int32_t bytes) {
    if (file == nullptr || buffer == nullptr || bytes < 0)
        return -1;
    // Whole blocks as a buffered service delivers them: keep reading until the
    // count is met or the file ends.
    char* out = static_cast<char*>(buffer);
    int32_t done = 0;
    while (done < bytes) {
        ssize_t n = read(file->fd, out + done, static_cast<size_t>(bytes - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return done > 0 ? done : -1;
        if (n == 0)
            break;
        done += static_cast<int32_t>(n);
    }
    return done;
}

int32_t mmfile_write(MmFileHandle file, const void* buffer, int32_t bytes) {
    if (file == nullptr || buffer == nullptr || bytes < 0)
        return -1;
    const char* in = static_cast<const char*>(buffer);
    int32_t done = 0;
    while (done < bytes) {
        ssize_t n = write(file->fd, in + done, static_cast<size_t>(bytes - done));
        if (n < 0 && errno == EINTR)
            continue;
        // Full disk or file size limit: report what reached the file.
        if (n <= 0)
            return done > 0 ? done : -1;
        done += static_cast<int32_t>(n);
    }
    return done;
}

int32_t mmfile_seek(MmFileHandle file, int32_t offset, int origin) {
    if (file == nullptr)
        return -1;
    int whence;
    switch (origin) {
        case MMF_SEEK_SET:
            whence = SEEK_SET;
            break;
        case MMF_SEEK_CUR:
            whence = SEEK_CUR;
            break;
        case MMF_SEEK_END:
            whence = SEEK_END;
            break;
        default:
            return -1;
    }
    off_t at = lseek(file->fd, offset, whence);
    if (at < 0 || at > MAX_OFFSET)
        return -1;
    return static_cast<int32_t>(at);
}

void mmfile_close(MmFileHandle file) {
    if (file == nullptr)
        return;
    close(file->fd);
    delete file;
}

bool mmfile_delete(const char* path) {
    return path != nullptr && unlink(path) == 0;
}

int64_t file_size_bytes(const char* path) {
    struct stat st;
    if (path == nullptr || stat(path, &st) != 0)
        return -1;
    return static_cast<int64_t>(st.st_size);
}

bool file_cut_at(const char* path, int64_t byte_offset) {
    if (path == nullptr || byte_offset < 0)
        return false;
    int fd = open(path, O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    int rc;
    do {
        rc = ftruncate(fd, static_cast<off_t>(byte_offset));
    } while (rc != 0 && errno == EINTR);
    bool ok = rc == 0;
    if (close(fd) != 0)
        ok = false;
    return ok;
}
