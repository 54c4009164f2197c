#include "platform/file_ops.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <fcntl.h>
#include <poll.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int NAME_TRIES = 100;
constexpr int RANDOM_BYTES = 8;

int fd_of(OsFile file) {
    return static_cast<int>(file);
}

// The number of the run's own open file that path names, or -1.
int own_file_number(const char* path) {
    namespace fs = std::filesystem;
    std::error_code ec;
    static const fs::path table = fs::canonical("/proc/self/fd", ec);
    const fs::path p(path);
    const std::string leaf = p.filename().string();
    if (table.empty() || leaf.empty() || fs::canonical(p.parent_path(), ec) != table || ec) {
        return -1;
    }
    char* end = nullptr;
    long n = std::strtol(leaf.c_str(), &end, 10);
    return *end == '\0' && n >= 0 && n <= INT_MAX ? static_cast<int>(n) : -1;
}

// The permissions a file made now would get: what the user's mask leaves.
mode_t new_file_mode() {
    mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

}  // namespace

OsFile os_stdin() {
    return STDIN_FILENO;
}

OsFile os_stdout() {
    return STDOUT_FILENO;
}

void os_hold_standard_files() {
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; fd++) {
        if (fcntl(fd, F_GETFD) < 0 && errno == EBADF) {
            // Opened the other way round, it refuses reads (0) and writes (1, 2).
            // The lower numbers are taken: the open gets this one.
            open("/dev/null", fd == STDIN_FILENO ? O_WRONLY : O_RDONLY);
        }
    }
}

bool os_stderr_is_terminal() {
    return isatty(STDERR_FILENO) != 0;
}

OsFile os_create_temp(const std::string& folder, const std::string& prefix, std::string* path) {
    std::string dir = folder;
    if (dir.empty()) {
        const char* tmp = std::getenv("TMPDIR");
        dir = tmp != nullptr && tmp[0] != '\0' ? tmp : "/tmp";
    }
    for (int i = 0; i < NAME_TRIES; i++) {
        unsigned char noise[RANDOM_BYTES];
        if (getentropy(noise, sizeof(noise)) != 0) {
            return NO_FILE;
        }
        std::string name = dir + "/" + prefix;
        for (unsigned char c : noise) {
            char hex[3];
            std::snprintf(hex, sizeof(hex), "%02x", c);
            name += hex;
        }
        name += ".part";
        // O_EXCL refuses whatever is there, a link planted under the name too.
        int fd = open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0) {
            *path = name;
            return fd;
        }
        if (errno != EEXIST && errno != EINTR) {
            return NO_FILE;
        }
    }
    return NO_FILE;
}

int os_open_target(const char* path, OsFile* file) {
    // A FIFO's open waits for its reader; an open file of the run's own is
    // shared, so that it goes on where it stands.
    int own = own_file_number(path);
    int fd = own >= 0 ? fcntl(own, F_DUPFD_CLOEXEC, 0) : open(path, O_WRONLY | O_CLOEXEC);
    if (fd < 0) {
        return errno == EINTR ? OS_INTERRUPTED : OS_FAILED;
    }
    *file = fd;
    return OS_OK;
}

bool os_is_own_file(const char* path) {
    return own_file_number(path) >= 0;
}

OsFile os_open_read(const char* path) {
    int fd;
    do {
        fd = open(path, O_RDONLY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    return fd < 0 ? NO_FILE : fd;
}

int os_read(OsFile file, void* bytes, size_t count, int wait_ms, size_t* got) {
    *got = 0;
    // A pipe blocks: wait in poll, which a signal breaks.
    struct pollfd p = {fd_of(file), POLLIN, 0};
    int ready = poll(&p, 1, wait_ms);
    if (ready <= 0) {
        return ready == 0 ? OS_TIMEOUT : errno == EINTR ? OS_INTERRUPTED : OS_FAILED;
    }
    ssize_t n = read(fd_of(file), bytes, count);
    if (n > 0) {
        *got = static_cast<size_t>(n);
        return OS_OK;
    }
    if (n == 0) {
        return OS_END;
    }
    return errno == EINTR || errno == EAGAIN ? OS_INTERRUPTED : OS_FAILED;
}

int os_write(OsFile file, const void* bytes, size_t count, size_t* done) {
    *done = 0;
    ssize_t n = write(fd_of(file), bytes, count);
    if (n >= 0) {
        *done = static_cast<size_t>(n);
        return n > 0 || count == 0 ? OS_OK : OS_FAILED;
    }
    return errno == EINTR ? OS_INTERRUPTED : errno == EPIPE ? OS_BROKEN_PIPE : OS_FAILED;
}

bool os_write_at(OsFile file, uint64_t offset, const void* bytes, size_t count) {
    const char* p = static_cast<const char*>(bytes);
    while (count > 0) {
        ssize_t n = pwrite(fd_of(file), p, count, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        p += n;
        offset += static_cast<uint64_t>(n);
        count -= static_cast<size_t>(n);
    }
    return true;
}

int64_t os_read_at(OsFile file, uint64_t offset, void* bytes, size_t count) {
    ssize_t n;
    do {
        n = pread(fd_of(file), bytes, count, static_cast<off_t>(offset));
    } while (n < 0 && errno == EINTR);
    return n;
}

bool os_sync(OsFile file) {
    int rc;
    do {
        rc = fdatasync(fd_of(file));
    } while (rc != 0 && errno == EINTR);
    return rc == 0;
}

void os_close(OsFile file) {
    if (file != NO_FILE) {
        close(fd_of(file));
    }
}

void os_give_attributes(OsFile file, const char* target) {
    struct stat old;
    if (::stat(target, &old) != 0 || !S_ISREG(old.st_mode)) {
        fchmod(fd_of(file), new_file_mode());
        return;
    }
    if (fchown(fd_of(file), old.st_uid, old.st_gid) != 0) {
        [[maybe_unused]] int ignored = fchown(fd_of(file), static_cast<uid_t>(-1), old.st_gid);
    }
    // After the owner: changing it clears the set-user-ID bits.
    fchmod(fd_of(file), old.st_mode & 07777);
}

bool os_rename(const char* from, const char* to) {
    return std::rename(from, to) == 0;
}

bool os_remove(const char* path) {
    return unlink(path) == 0;
}

bool os_sync_folder(const char* path) {
    std::string folder = path;
    size_t slash = folder.rfind('/');
    folder = slash == std::string::npos ? "." : slash == 0 ? "/" : folder.substr(0, slash);
    int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    bool ok = fd >= 0 && fsync(fd) == 0;
    if (fd >= 0) {
        close(fd);
    }
    return ok;
}

bool os_names_open_files() {
    return access("/proc/self/fd", F_OK) == 0;
}

std::string os_store_name(OsFile file) {
    // The open file itself, through the system's table of open files: a
    // short name that no rename or folder depth changes.
    std::string name = "/proc/self/fd/" + std::to_string(fd_of(file));
    return access(name.c_str(), F_OK) == 0 ? name : "";
}
