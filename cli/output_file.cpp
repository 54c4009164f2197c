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
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

constexpr size_t STREAM_BUFFER_BYTES = 1 << 18;
constexpr size_t TEMP_NAME_CHARS = 4096;

struct Output {
    bool reserved;
    bool to_stdout;
    bool through_file;
    std::string target;
    FILE* stream;
    bool stream_is_stdout;
    uint64_t written;
    bool failed;
    bool reader_gone;
};

Output out;
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

bool copy_file_to_stdout(const char* path) {
    FILE* in = std::fopen(path, "rb");
    if (in == nullptr) {
        return false;
    }
    set_binary_stdout();
    static char chunk[1 << 16];
    bool ok = true;
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof(chunk), in)) > 0) {
        if (std::fwrite(chunk, 1, got, stdout) != got) {
            out.reader_gone = errno == EPIPE;
            ok = false;
            break;
        }
    }
    if (std::ferror(in)) {
        ok = false;
    }
    std::fclose(in);
    if (ok && std::fflush(stdout) != 0) {
        out.reader_gone = errno == EPIPE;
        ok = false;
    }
    return ok;
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
    if (p.empty() || !p.has_filename() || fs::is_directory(p, ec)) {
        return OUT_NOT_A_FILE;
    }
    if (p.has_parent_path() && !fs::is_directory(p.parent_path(), ec)) {
        return OUT_NOT_A_FILE;
    }
    if (fs::exists(p, ec) && !force) {
        return OUT_EXISTS;
    }
    return OUT_OK;
}

int out_reserve(const char* path, int force, int through_file) {
    assert(!out.reserved);
    out = Output{};
    temp_name[0] = '\0';
    out.target = path;
    out.to_stdout = std::strcmp(path, "-") == 0;
    out.through_file = through_file != 0;
    std::error_code ec;
    int checked = out_check_target(path, force);
    if (checked != OUT_OK) {
        return checked;
    }
    if (!out.to_stdout || out.through_file) {
        static int counter = 0;
        std::string leaf =
            ".bitdek-" + std::to_string(process_id()) + "-" + std::to_string(counter++) + ".part";
        fs::path dir;
        if (out.to_stdout) {
            dir = fs::temp_directory_path(ec);
        } else {
            dir = fs::path(path).parent_path();
            leaf = fs::path(path).filename().string() + leaf;
        }
        std::string name = dir.empty() ? leaf : (dir / leaf).string();
        std::snprintf(temp_name, sizeof(temp_name), "%s", name.c_str());
        interrupt_watch_file(temp_name, out.to_stdout ? nullptr : path);
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
    } else if (out.to_stdout) {
        if (out.through_file && !copy_file_to_stdout(temp_name)) {
            rc = out.reader_gone ? OUT_READER_GONE : OUT_WRITE_FAILED;
        }
    } else if (!rename_replacing(temp_name, out.target.c_str())) {
        rc = OUT_RENAME_FAILED;
    } else {
        forget_temp();
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
