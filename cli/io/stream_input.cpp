#include "cli/io/stream_input.h"

#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

#include "bitstream/frame_parser.h"
#include "bitstream/time_code.h"
#include "cli/cli.h"
#include "common/result.h"
#include "platform/file_ops.h"
#include "common/file_format.h"
#include "streamfile/stream_file.h"

namespace {

// Words of a frame header that the parser reads: less than this is no frame.
constexpr int32_t FRAME_HEADER_MIN_WORDS = 4;
// store_open_input's result for a path it has refused and said so.
constexpr int REFUSED_AND_SAID = -1;

// The file behind a path longer than the store keeps, open while the store
// reads it by the short name the system gives the open file.
OsFile long_path_file = NO_FILE;

int store_open_input(const char* path) {
    os_close(long_path_file);
    long_path_file = NO_FILE;
    if (std::strlen(path) < static_cast<size_t>(STREAM_NAME_CHARS)) {
        return stream_open(path, 1);
    }
    long_path_file = os_names_open_files() ? os_open_read(path) : NO_FILE;
    std::string name = long_path_file != NO_FILE ? os_store_name(long_path_file) : "";
    if (!os_names_open_files() || (long_path_file != NO_FILE && name.empty())) {
        cli_error("%s: the path is longer than the store takes (%d characters)", path,
                  STREAM_NAME_CHARS - 1);
        return REFUSED_AND_SAID;
    }
    return long_path_file == NO_FILE ? RC_OPEN_FAILED : stream_open(name.c_str(), 1);
}

}  // namespace

int open_input_stream(const char* path) {
    namespace fs = std::filesystem;
    if (std::strcmp(path, "-") == 0) {
        cli_error("a stream file is read by name; standard input cannot be used here");
        return EXIT_UNUSABLE;
    }
    std::error_code ec;
    fs::file_status st = fs::status(path, ec);
    if (!fs::exists(st)) {
        cli_error("%s: no such file", path);
        return EXIT_UNUSABLE;
    }
    if (!fs::is_regular_file(st)) {
        cli_error("%s: not a file", path);
        return EXIT_UNUSABLE;
    }
    // The store would give a file without a whole word the preferred layout:
    // it is no stream file.
    uintmax_t size = fs::file_size(path, ec);
    if (ec || size < 2) {
        cli_error("%s: Invalid File Format.", path);
        return EXIT_UNUSABLE;
    }
    switch (store_open_input(path)) {
        case RC_OK:
            return EXIT_CLEAN;
        case RC_INVALID_FORMAT:
            cli_error("%s: Invalid File Format.", path);
            break;
        case RC_FILE_TOO_LARGE:
            cli_error("%s: the file is 2 GB or larger; stream files are limited to 2 GB", path);
            break;
        case RC_OPEN_FAILED:
            cli_error("%s: cannot open the file", path);
            break;
        default:
            break;
    }
    close_input_stream();
    return EXIT_UNUSABLE;
}

void close_input_stream() {
    stream_close();
    os_close(long_path_file);
    long_path_file = NO_FILE;
}

bool stopped_by_frame_header(const StreamFile& file) {
    const int32_t before = file.format == FORMAT_NORMAL_TC ? TIME_CODE_PACKET_WORDS : 0;
    FrameInfo info;
    get_frame_info(&info);
    int32_t left = file.length - stream_get_position();
    return left >= before + FRAME_HEADER_MIN_WORDS && info.frame_words <= 0;
}

bool read_failed(const char* path) {
    int32_t at = stream_read_error_at();
    if (at < 0) {
        return false;
    }
    cli_error("%s: reading failed at byte %lld (word %d); the file was not read to its end", path,
              2 * static_cast<long long>(at), at);
    return true;
}

bool ends_in_odd_byte(const char* path) {
    std::error_code ec;
    return (std::filesystem::file_size(path, ec) & 1) != 0 && !ec;
}
