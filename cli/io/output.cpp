#include "cli/io/output.h"

#include <cassert>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

#include "cli/cli.h"
#include "platform/file_io.h"
#include "platform/file_ops.h"
#include "platform/signals.h"
#include "streamfile/stream_file.h"

namespace fs = std::filesystem;

namespace {

constexpr size_t BUFFER_BYTES = 1 << 18;
constexpr size_t COPY_CHUNK_BYTES = 1 << 16;
// The longest file name most file systems take; the temporary name is kept
// within it.
constexpr size_t LEAF_MAX_CHARS = 255;
constexpr size_t TEMP_SUFFIX_CHARS = 16 + 5;  // the random part and ".part"
const char* const TEMP_PREFIX = ".bitdek-";
// Links followed to their end, as the system follows them.
constexpr int MAX_LINKS = 40;
constexpr auto LIVE_FLUSH_EVERY = std::chrono::seconds(1);

enum Way : int {
    WAY_NONE = 0,
    WAY_RENAMED,  // a temporary file in the target's folder, renamed at the commit
    WAY_LIVE,     // the same, renamed at the first record, then written in place
    WAY_COPIED,   // a temporary file in the temporary folder, copied to the target
    WAY_DIRECT,   // written to standard output or the target as it comes
};

struct Output {
    int way;
    bool to_stdout;
    std::string target;  // absolute, links followed
    std::string temp;    // the temporary file's name; "" when there is none
    OsFile file;         // the temporary file, or the target written directly
    std::string store_name;
    bool released;  // the file was given up to a store that opens it by its path
    bool placed;    // WAY_LIVE: the file has the target's name
    uint64_t written;
    bool failed;
    bool reader_gone;
    bool live_failed;
    std::chrono::steady_clock::time_point flushed;
    size_t used;  // bytes in buffer
};

Output out;
int signal_rule;
bool reader_went;     // for the run: a write found standard output's reader gone
std::string kept_as;  // a recording left under its temporary name
char buffer[BUFFER_BYTES];

// The file's current name.
const std::string& file_name() {
    return out.placed ? out.target : out.temp;
}

// The module's own handle on its file, opened again where it was given up.
OsFile own_file() {
    if (out.file == NO_FILE && out.released) {
        out.file = os_open_read(file_name().c_str());
    }
    return out.file;
}

// The file's data to the disk itself. A file given up to the store is opened
// for it anew each time (Windows flushes only through a handle that writes).
bool sync_file() {
    if (!out.released) {
        return os_sync(out.file);
    }
    OsFile f = NO_FILE;
    bool ok = os_open_target(file_name().c_str(), &f) == OS_OK && os_sync(f);
    os_close(f);
    return ok;
}

// Follows a chain of symbolic links to the path at its end, which need not
// exist, or to a name of one of the run's own open files (/dev/stdout leads
// to /proc/self/fd/1), which sets *opened. Returns false for a loop.
bool follow_links(fs::path* p, bool* opened) {
    std::error_code ec;
    for (int i = 0; i < MAX_LINKS; i++) {
        *opened = os_is_own_file(p->string().c_str());
        if (*opened || !fs::is_symlink(fs::symlink_status(*p, ec))) {
            return true;
        }
        fs::path to = fs::read_symlink(*p, ec);
        if (ec) {
            return false;
        }
        *p = to.is_absolute() ? to : p->parent_path() / to;
    }
    return false;
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

// Writes all of count bytes to a pipe, device or file, retrying what an
// interruption breaks off once the rules have had their say.
int write_all(OsFile file, const char* bytes, size_t count) {
    while (count > 0) {
        size_t done = 0;
        int rc = os_write(file, bytes, count, &done);
        // An interruption is looked at once the write returns, broken off
        // (POSIX) or not (Windows).
        out_check_signals();
        if (rc == OS_INTERRUPTED) {
            continue;
        }
        if (rc == OS_BROKEN_PIPE) {
            return OUT_READER_GONE;
        }
        if (rc != OS_OK) {
            return OUT_WRITE_FAILED;
        }
        bytes += done;
        count -= done;
    }
    return OUT_OK;
}

// The target written in place: standard output, or a FIFO or device opened
// as a shell would (a FIFO's open waits for its reader).
int open_target(OsFile* file) {
    if (out.to_stdout) {
        *file = os_stdout();
        return OUT_OK;
    }
    int rc;
    while ((rc = os_open_target(out.target.c_str(), file)) == OS_INTERRUPTED) {
        out_check_signals();
    }
    return rc == OS_OK ? OUT_OK : OUT_CANNOT_CREATE;
}

int flush_buffer() {
    if (out.used == 0 || out.failed) {
        out.used = 0;
        return out.failed ? (out.reader_gone ? OUT_READER_GONE : OUT_WRITE_FAILED) : OUT_OK;
    }
    int rc = OUT_OK;
    if (out.way == WAY_DIRECT) {
        rc = write_all(out.file, buffer, out.used);
    } else if (!os_write_at(out.file, out.written - out.used, buffer, out.used)) {
        rc = OUT_WRITE_FAILED;
    }
    out.used = 0;
    out.failed = rc != OUT_OK;
    out.reader_gone = rc == OUT_READER_GONE;
    reader_went = reader_went || out.reader_gone;
    return rc;
}

// The finished temporary file, byte for byte, to the target.
int copy_to_target() {
    OsFile to = NO_FILE;
    int rc = open_target(&to);
    static char chunk[COPY_CHUNK_BYTES];
    for (uint64_t at = 0; rc == OUT_OK;) {
        int64_t got = os_read_at(own_file(), at, chunk, sizeof(chunk));
        if (got <= 0) {
            rc = got == 0 ? OUT_OK : OUT_WRITE_FAILED;
            break;
        }
        rc = write_all(to, chunk, static_cast<size_t>(got));
        at += static_cast<uint64_t>(got);
    }
    if (!out.to_stdout) {
        os_close(to);
    }
    out.reader_gone = rc == OUT_READER_GONE;
    reader_went = reader_went || out.reader_gone;
    return rc;
}

// The temporary file takes the target's name, with what the file it replaces
// had.
bool rename_to_target() {
    os_give_attributes(own_file(), out.target.c_str());
    if (out.released) {
        os_close(out.file);  // the store may still cut the file
        out.file = NO_FILE;
    }
    if (!os_rename(out.temp.c_str(), out.target.c_str())) {
        return false;
    }
    out.temp.clear();
    out.placed = true;
    return true;
}

bool temp_is_empty() {
    std::error_code ec;
    return fs::file_size(out.temp, ec) == 0 || ec;
}

// A recording that cannot take the target's name stays under its own, which
// the report gives: no take is thrown away for its name.
void keep_under_temp_name() {
    if (signal_rule == OUT_FINISH_ON_SIGNAL && !temp_is_empty()) {
        kept_as = out.temp;
        out.temp.clear();
    }
}

void close_file() {
    if (out.file != NO_FILE && !(out.way == WAY_DIRECT && out.to_stdout)) {
        os_close(out.file);
    }
    out.file = NO_FILE;
}

// Ends the run for an interruption: what the rules keep stays, the rest goes.
[[noreturn]] void end_for_signal() {
    // A recording's store lets its file go first: the records it buffered
    // reach it, and Windows renames or removes no file the store holds.
    const bool recording = signal_rule == OUT_FINISH_ON_SIGNAL && !out.store_name.empty();
    if (recording) {
        stream_close();
    }
    bool keep = recording && (out.way == WAY_RENAMED || out.way == WAY_LIVE);
    if (keep && !out.temp.empty()) {
        keep = !temp_is_empty();
        if (keep && !rename_to_target()) {
            keep_under_temp_name();
            out_report(OUT_RENAME_FAILED, out.target.c_str());
        }
    }
    close_file();
    if (!keep && !out.temp.empty()) {
        os_remove(out.temp.c_str());
    }
    std::_Exit(signals_exit_status());
}

}  // namespace

void out_setup_signals(int rule) {
    signal_rule = rule;
    signals_install();
}

void out_check_signals() {
    int count = signals_count();
    if (count >= (signal_rule == OUT_FINISH_ON_SIGNAL ? 2 : 1)) {
        end_for_signal();
    }
}

bool out_input_ended() {
    return signals_count() > 0;
}

void out_run_ended() {
    signals_run_ended();
}

int out_check(const char* path, bool force) {
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
    if (t.filename().string().size() > LEAF_MAX_CHARS) {
        return OUT_NAME_TOO_LONG;
    }
    // A dangling link counts as existing.
    if (fs::exists(fs::symlink_status(p, ec)) && !force) {
        return OUT_EXISTS;
    }
    return OUT_OK;
}

int out_begin(const char* path, bool force, int needs) {
    assert(out.way == WAY_NONE);
    out = Output{};
    out.file = NO_FILE;
    int rc = out_check(path, force);
    if (rc != OUT_OK) {
        return rc;
    }
    out.to_stdout = std::strcmp(path, "-") == 0;
    bool direct = out.to_stdout;
    if (!out.to_stdout) {
        resolve_target(path, &out.target, &direct);
    }
    const bool whole = (needs & OUT_WHOLE_FILE) != 0;
    out.way = direct               ? (whole ? WAY_COPIED : WAY_DIRECT)
              : (needs & OUT_LIVE) ? WAY_LIVE
                                   : WAY_RENAMED;
    if (out.way == WAY_DIRECT) {
        rc = open_target(&out.file);
    } else {
        std::string folder;
        std::string prefix = TEMP_PREFIX;
        if (out.way != WAY_COPIED) {
            fs::path t(out.target);
            folder = t.parent_path().string();
            std::string named = t.filename().string() + prefix;
            prefix = named.size() + TEMP_SUFFIX_CHARS <= LEAF_MAX_CHARS ? named : prefix;
        }
        out.file = os_create_temp(folder, prefix, &out.temp);
        // Where no open file has a short name of its own (Windows), the
        // system's path limit is about the store's: a name past it says so.
        const bool too_long =
            !os_names_open_files() && folder.size() + 1 + prefix.size() + TEMP_SUFFIX_CHARS >=
                                          static_cast<size_t>(STREAM_NAME_CHARS);
        rc = out.file != NO_FILE ? OUT_OK : too_long ? OUT_PATH_TOO_LONG : OUT_CANNOT_CREATE;
    }
    if (rc == OUT_OK && whole) {
        out.store_name = os_store_name(out.file);
        if (out.store_name.empty() && out.temp.size() < static_cast<size_t>(STREAM_NAME_CHARS)) {
            out.store_name = out.temp;
        }
        rc = out.store_name.empty() ? OUT_PATH_TOO_LONG : OUT_OK;
    }
    out.flushed = std::chrono::steady_clock::now();
    if (rc != OUT_OK) {
        out_abandon();
    }
    return rc;
}

int out_write(const void* bytes, size_t count) {
    assert(out.way != WAY_NONE);
    if (out.failed) {
        return out.reader_gone ? OUT_READER_GONE : OUT_WRITE_FAILED;
    }
    out_check_signals();
    const char* p = static_cast<const char*>(bytes);
    while (count > 0) {
        size_t n = BUFFER_BYTES - out.used < count ? BUFFER_BYTES - out.used : count;
        std::memcpy(buffer + out.used, p, n);
        out.used += n;
        out.written += n;
        p += n;
        count -= n;
        if (out.used == BUFFER_BYTES && flush_buffer() != OUT_OK) {
            return out.reader_gone ? OUT_READER_GONE : OUT_WRITE_FAILED;
        }
    }
    return OUT_OK;
}

int out_patch(uint64_t offset, const void* bytes, size_t count) {
    assert(out.way == WAY_RENAMED || out.way == WAY_COPIED);
    if (flush_buffer() != OUT_OK || !os_write_at(out.file, offset, bytes, count)) {
        out.failed = true;
        return OUT_WRITE_FAILED;
    }
    return OUT_OK;
}

uint64_t out_bytes_written() {
    return out.written;
}

const char* out_store_name() {
    // A store that opens the file by its path gets it alone: Windows lets no
    // second handle cut or reopen it.
    if (out.store_name == out.temp && out.file != NO_FILE) {
        os_close(out.file);
        out.file = NO_FILE;
        out.released = true;
    }
    return out.store_name.c_str();
}

void out_place() {
    // Where the system renames no open file (Windows), the take is renamed
    // at the commit instead.
    if (out.way == WAY_LIVE && !out.placed && rename_to_target()) {
        out.live_failed = !os_sync_folder(out.target.c_str());
    }
}

bool out_flush_live() {
    if (out.way != WAY_LIVE || out.live_failed) {
        return !out.live_failed;
    }
    auto now = std::chrono::steady_clock::now();
    if (now - out.flushed >= LIVE_FLUSH_EVERY) {
        out.flushed = now;
        out.live_failed = !mmfile_flush() || !sync_file();
    }
    return !out.live_failed;
}

void out_cut(int64_t bytes) {
    file_cut_at(out.store_name.c_str(), bytes);
}

bool out_reader_gone() {
    return reader_went;
}

int out_commit() {
    assert(out.way != WAY_NONE);
    int rc = flush_buffer();
    if (rc == OUT_OK && out.way == WAY_COPIED) {
        rc = copy_to_target();
    } else if (rc == OUT_OK && out.way == WAY_LIVE && !sync_file()) {
        rc = OUT_WRITE_FAILED;
    }
    if (rc == OUT_OK && out.way != WAY_DIRECT && out.way != WAY_COPIED && !out.placed &&
        !rename_to_target()) {
        rc = OUT_RENAME_FAILED;
        keep_under_temp_name();
    }
    out_abandon();
    return rc;
}

void out_abandon() {
    if (out.way == WAY_LIVE && out.placed) {
        std::error_code ec;
        if (fs::file_size(out.target, ec) == 0 && !ec) {
            os_remove(out.target.c_str());  // nothing recorded is no take
        }
    }
    close_file();
    if (!out.temp.empty()) {
        os_remove(out.temp.c_str());
    }
    out = Output{};
    out.file = NO_FILE;
}

int out_report(int result, const char* path) {
    switch (result) {
        case OUT_EXISTS:
            cli_error("%s exists; use --force to replace it", path);
            break;
        case OUT_CANNOT_CREATE:
            cli_error("%s: cannot create the file", path);
            break;
        case OUT_WRITE_FAILED:
            cli_error("%s: writing failed (disk full?)", path);
            break;
        case OUT_RENAME_FAILED:
            if (kept_as.empty()) {
                cli_error("%s: cannot give the file this name", path);
            } else {
                cli_error("%s: cannot give the file this name; the recording is kept as %s", path,
                          kept_as.c_str());
            }
            break;
        case OUT_NAME_TOO_LONG:
            cli_error("%s: the file name is longer than %d characters", path,
                      static_cast<int>(LEAF_MAX_CHARS));
            break;
        case OUT_NOT_A_FILE:
            cli_error(
                "%s: cannot be the output (an empty name, a folder, or in a folder "
                "that does not exist)",
                path);
            break;
        case OUT_PATH_TOO_LONG:
            cli_error("%s: the path is longer than the store takes (%d characters)", path,
                      STREAM_NAME_CHARS - 1);
            break;
        case OUT_READER_GONE:
            // The reader of standard output stopped reading: it took all it
            // asked for, as with any program that writes into a pipe.
            return EXIT_CLEAN;
        default:
            cli_error("%s: output failed", path);
            break;
    }
    return EXIT_UNUSABLE;
}
