// File I/O on POSIX file descriptors, with the results the stream file store
// relies on from the multimedia file service.
#include "platform/file_io.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <vector>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

struct MmFile {
    int fd;
    // Buffered writes (the tool's mode): buffer[0 .. used) belongs at byte
    // buffer_at of the file. capacity 0: writes go straight through.
    char* buffer;
    int32_t capacity;
    int32_t used;
    int64_t buffer_at;
    std::vector<int32_t> ends;  // where each buffered write ends in the buffer
    bool lost;                  // a flush failed: the handle takes no more writes
    MmFile* next;               // the open buffered handles
};

namespace {

int32_t write_buffer_bytes;
MmFile* buffered_files;
int64_t lost_at = -1;

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

int32_t write_through(int fd, const char* in, int32_t bytes) {
    int32_t done = 0;
    while (done < bytes) {
        ssize_t n = write(fd, in + done, static_cast<size_t>(bytes - done));
        if (n < 0 && errno == EINTR)
            continue;
        // Full disk or file size limit: report what reached the file.
        if (n <= 0)
            return done > 0 ? done : -1;
        done += static_cast<int32_t>(n);
    }
    return done;
}

// Passes the buffer on. A flush that the disk takes only in part cuts the file
// back to the end of the last write it took whole, so that the file ends at
// the edge of a write, and the handle takes no more writes: later ones would
// land at the wrong place.
bool flush_buffer(MmFile* f) {
    if (f->used == 0)
        return !f->lost;
    int32_t put = write_through(f->fd, f->buffer, f->used);
    bool ok = put == f->used;
    if (!ok) {
        int32_t whole = 0;
        for (int32_t end : f->ends) {
            if (end <= put)
                whole = end;
        }
        off_t keep = static_cast<off_t>(f->buffer_at + whole);
        int rc;
        do {
            rc = ftruncate(f->fd, keep);
        } while (rc != 0 && errno == EINTR);
        lseek(f->fd, keep, SEEK_SET);
        if (lost_at < 0)
            lost_at = keep;
        f->lost = true;
    }
    f->used = 0;
    f->ends.clear();
    return ok;
}

void forget_buffered(MmFile* f) {
    for (MmFile** p = &buffered_files; *p != nullptr; p = &(*p)->next) {
        if (*p == f) {
            *p = f->next;
            break;
        }
    }
}

}  // namespace

void mmfile_set_write_buffer(int32_t bytes) {
    write_buffer_bytes = bytes > 0 ? bytes : 0;
    lost_at = -1;
}

bool mmfile_flush() {
    bool ok = true;
    for (MmFile* f = buffered_files; f != nullptr; f = f->next) {
        if (!flush_buffer(f))
            ok = false;
    }
    return ok && lost_at < 0;
}

int64_t mmfile_lost_at() {
    return lost_at;
}

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
    MmFile* f = new MmFile{fd, nullptr, 0, 0, 0, {}, false, nullptr};
    if (write_buffer_bytes > 0 && mode != MMF_READ) {
        f->buffer = new char[static_cast<size_t>(write_buffer_bytes)];
        f->capacity = write_buffer_bytes;
        f->next = buffered_files;
        buffered_files = f;
    }
    return f;
}

int32_t mmfile_read(MmFileHandle file, void* buffer, int32_t bytes) {
    if (file == nullptr || buffer == nullptr || bytes < 0)
        return -1;
    flush_buffer(file);
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
    if (file->capacity == 0)
        return write_through(file->fd, in, bytes);
    if (file->lost)
        return -1;
    if (file->used > 0 && bytes > file->capacity - file->used && !flush_buffer(file))
        return -1;
    if (bytes >= file->capacity)
        return write_through(file->fd, in, bytes);
    if (file->used == 0) {
        off_t at = lseek(file->fd, 0, SEEK_CUR);
        if (at < 0)
            return -1;
        file->buffer_at = at;
    }
    std::memcpy(file->buffer + file->used, in, static_cast<size_t>(bytes));
    file->used += bytes;
    file->ends.push_back(file->used);
    return bytes;
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
    flush_buffer(file);
    off_t at = lseek(file->fd, offset, whence);
    if (at < 0 || at > MAX_OFFSET)
        return -1;
    return static_cast<int32_t>(at);
}

void mmfile_close(MmFileHandle file) {
    if (file == nullptr)
        return;
    if (file->capacity > 0) {
        flush_buffer(file);
        forget_buffered(file);
        delete[] file->buffer;
    }
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
