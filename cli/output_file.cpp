#include "cli/output_file.h"

#include <cassert>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

#include "cli/interrupt.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

constexpr size_t STREAM_BUFFER_BYTES = 1 << 18;
constexpr size_t TEMP_NAME_CHARS = 4096;
// The longest file name most file systems take; the temporary name is kept
// within it.
constexpr size_t LEAF_MAX_CHARS = 255;
// Links followed to their end, as the system follows them.
constexpr int MAX_LINKS = 40;

struct Output {
    bool reserved;
    bool to_stdout;
    bool through_file;
    bool direct;         // the target is no regular file: written in place, never replaced
    std::string target;  // absolute, links followed
    FILE* stream;
    bool stream_is_stdout;
    uint64_t written;
    bool failed;
    bool reader_gone;
};

Output out;
// The temporary name again, in a plain buffer that a signal handler may read.
char temp_name[TEMP_NAME_CHARS];
// The stream's buffer: without one of our own the C library may keep its
// default of a few kilobytes and split every write in two.
char stream_buffer[STREAM_BUFFER_BYTES];

// A failed write to standard output whose reader has closed the pipe.
bool broken_pipe() {
    return out.stream_is_stdout && errno == EPIPE;
}

void forget_temp() {
    temp_name[0] = '\0';
    interrupt_watch_file(nullptr, nullptr);
}

int process_id() {
#ifdef _WIN32
    return _getpid();
#else
    return static_cast<int>(getpid());
#endif
}

void set_binary_stdout() {
#ifdef _WIN32
    _setmode(_fileno(stdout), _O_BINARY);
#endif
}

bool rename_replacing(const char* from, const char* to) {
#ifdef _WIN32
    return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING) != 0;
#else
    return std::rename(from, to) == 0;
#endif
}

bool copy_file_to(const char* path, FILE* to) {
    FILE* in = std::fopen(path, "rb");
    if (in == nullptr) {
        return false;
    }
    static char chunk[1 << 16];
    bool ok = true;
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof(chunk), in)) > 0) {
        if (std::fwrite(chunk, 1, got, to) != got) {
            out.reader_gone = to == stdout && errno == EPIPE;
            ok = false;
            break;
        }
    }
    if (std::ferror(in)) {
        ok = false;
    }
    std::fclose(in);
    if (ok && std::fflush(to) != 0) {
        out.reader_gone = to == stdout && errno == EPIPE;
        ok = false;
    }
    return ok;
}

// The finished content to standard output, or to a target that is written
// in place.
bool copy_temp_to_target() {
    if (out.to_stdout) {
        set_binary_stdout();
        return copy_file_to(temp_name, stdout);
    }
    FILE* to = std::fopen(out.target.c_str(), "wb");
    if (to == nullptr) {
        return false;
    }
    bool ok = copy_file_to(temp_name, to);
    return std::fclose(to) == 0 && ok;
}

// Follows a chain of symbolic links to the path at its end, which need not
// exist. Sets *opened for a link into the system's table of open files
// (/dev/stdout, /dev/fd/N): what it names can only be written through it.
// Returns false for a loop.
bool follow_links(fs::path* p, bool* opened) {
    std::error_code ec;
    *opened = false;
    for (int i = 0; i < MAX_LINKS; i++) {
        if (!fs::is_symlink(fs::symlink_status(*p, ec))) {
            return true;
        }
        fs::path to = fs::read_symlink(*p, ec);
        if (ec) {
            return false;
        }
        to = to.is_absolute() ? to : p->parent_path() / to;
        if (to.lexically_normal().string().rfind("/proc/", 0) == 0) {
            *opened = true;
            return true;
        }
        *p = to;
    }
    return false;
}

// A replaced file keeps its permissions, and its owner and group as far as
// the user may give them. (Windows has no more than a read-only attribute,
// and a read-only file is not replaced there at all.)
void keep_attributes([[maybe_unused]] const char* from, [[maybe_unused]] const char* to) {
#ifndef _WIN32
    struct stat old;
    if (::stat(from, &old) != 0 || !S_ISREG(old.st_mode)) {
        return;
    }
    if (::chown(to, old.st_uid, old.st_gid) != 0) {
        [[maybe_unused]] int ignored = ::chown(to, static_cast<uid_t>(-1), old.st_gid);
    }
    // After the owner: changing it clears the set-user-ID bits.
    ::chmod(to, old.st_mode & 07777);
#endif
}

// The file a path names once its links are followed; *direct when that is
// neither a regular file nor a folder (a device, a pipe, an open file's
// entry) and so is written in place. Returns false for a loop of links.
bool resolve_target(const char* path, std::string* target, bool* direct) {
    std::error_code ec;
    fs::path p = fs::absolute(fs::path(path), ec);
    bool opened = false;
    if (!follow_links(&p, &opened)) {
        return false;
    }
    fs::file_status st = fs::status(p, ec);
    *direct = opened || (fs::exists(st) && !fs::is_regular_file(st) && !fs::is_directory(st));
    *target = p.string();
    return true;
}

void close_stream() {
    if (out.stream != nullptr && !out.stream_is_stdout) {
        std::fclose(out.stream);
    }
    out.stream = nullptr;
}

}  // namespace

int out_check_target(const char* path, int force) {
    if (std::strcmp(path, "-") == 0) {
        return OUT_OK;
    }
    std::error_code ec;
    fs::path p(path);
    std::string target;
    bool direct = false;
    if (p.empty() || !p.has_filename()) {
        return OUT_NOT_A_FILE;
    }
    if (!resolve_target(path, &target, &direct)) {
        return OUT_CANNOT_CREATE;
    }
    if (direct) {
        return OUT_OK;
    }
    fs::path t(target);
    if (fs::is_directory(t, ec) || !fs::is_directory(t.parent_path(), ec)) {
        return OUT_NOT_A_FILE;
    }
    // A dangling link counts as existing.
    if (fs::exists(fs::symlink_status(p, ec)) && !force) {
        return OUT_EXISTS;
    }
    return OUT_OK;
}

bool out_direct_target(const char* path, std::string* target) {
    bool direct = false;
    if (std::strcmp(path, "-") == 0 || !resolve_target(path, target, &direct)) {
        *target = path;
        return false;
    }
    return direct;
}

int out_reserve(const char* path, int force, int through_file) {
    assert(!out.reserved);
    out = Output{};
    temp_name[0] = '\0';
    out.to_stdout = std::strcmp(path, "-") == 0;
    out.through_file = through_file != 0;
    std::error_code ec;
    int checked = out_check_target(path, force);
    if (checked != OUT_OK) {
        return checked;
    }
    // A link is followed to the file it names, which is then the target; a
    // device, a pipe or the like is written to as a shell would, never
    // replaced by a file.
    if (!out.to_stdout) {
        resolve_target(path, &out.target, &out.direct);
    }
    if ((!out.to_stdout && !out.direct) || out.through_file) {
        static int counter = 0;
        std::string leaf =
            ".bitdek-" + std::to_string(process_id()) + "-" + std::to_string(counter++) + ".part";
        fs::path dir;
        if (out.to_stdout || out.direct) {
            dir = fs::temp_directory_path(ec);
        } else {
            dir = fs::path(out.target).parent_path();
            std::string named = fs::path(out.target).filename().string() + leaf;
            if (named.size() <= LEAF_MAX_CHARS) {
                leaf = named;
            }
        }
        std::string name = dir.empty() ? leaf : (dir / leaf).string();
        std::snprintf(temp_name, sizeof(temp_name), "%s", name.c_str());
        interrupt_watch_file(temp_name, out.to_stdout || out.direct ? nullptr : out.target.c_str());
    }
    out.reserved = true;
    return OUT_OK;
}

const char* out_temp_path() {
    return temp_name;
}

bool out_to_stdout() {
    return out.to_stdout;
}

int out_open_stream() {
    assert(out.reserved && out.stream == nullptr);
    if (out.to_stdout && !out.through_file) {
        set_binary_stdout();
        out.stream = stdout;
        out.stream_is_stdout = true;
    } else if (out.direct && !out.through_file) {
        out.stream = std::fopen(out.target.c_str(), "wb");
        if (out.stream == nullptr) {
            return OUT_CANNOT_CREATE;
        }
    } else {
        out.stream = std::fopen(temp_name, "wb");
        if (out.stream == nullptr) {
            return OUT_CANNOT_CREATE;
        }
    }
    std::setvbuf(out.stream, stream_buffer, _IOFBF, sizeof(stream_buffer));
    return OUT_OK;
}

int out_write(const void* bytes, size_t count) {
    assert(out.stream != nullptr);
    if (out.failed) {
        return out.reader_gone ? OUT_READER_GONE : OUT_WRITE_FAILED;
    }
    size_t put = std::fwrite(bytes, 1, count, out.stream);
    out.written += put;
    if (put != count) {
        out.failed = true;
        out.reader_gone = broken_pipe();
        return out.reader_gone ? OUT_READER_GONE : OUT_WRITE_FAILED;
    }
    return OUT_OK;
}

int out_patch(uint64_t offset, const void* bytes, size_t count) {
    assert(out.stream != nullptr && !out.stream_is_stdout);
    if (out.failed || std::fflush(out.stream) != 0 ||
        std::fseek(out.stream, static_cast<long>(offset), SEEK_SET) != 0 ||
        std::fwrite(bytes, 1, count, out.stream) != count ||
        std::fseek(out.stream, 0, SEEK_END) != 0) {
        out.failed = true;
        return OUT_WRITE_FAILED;
    }
    return OUT_OK;
}

bool out_reader_gone() {
    return out.reader_gone;
}

uint64_t out_bytes_written() {
    return out.written;
}

int out_commit() {
    assert(out.reserved);
    int rc = OUT_OK;
    if (out.stream != nullptr) {
        if (std::fflush(out.stream) != 0 || std::ferror(out.stream)) {
            out.failed = true;
            out.reader_gone = out.reader_gone || broken_pipe();
        }
        if (!out.stream_is_stdout && std::fclose(out.stream) != 0) {
            out.failed = true;
        }
        out.stream = nullptr;
    }
    if (out.failed) {
        rc = out.reader_gone ? OUT_READER_GONE : OUT_WRITE_FAILED;
    } else if (out.to_stdout || out.direct) {
        if (out.through_file && !copy_temp_to_target()) {
            rc = out.reader_gone ? OUT_READER_GONE : OUT_WRITE_FAILED;
        }
    } else {
        keep_attributes(out.target.c_str(), temp_name);
        if (!rename_replacing(temp_name, out.target.c_str())) {
            rc = OUT_RENAME_FAILED;
        } else {
            forget_temp();
        }
    }
    out_discard();
    return rc;
}

void out_discard() {
    close_stream();
    if (temp_name[0] != '\0') {
        std::remove(temp_name);
        forget_temp();
    }
    out.reserved = false;
}
