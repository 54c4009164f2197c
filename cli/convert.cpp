// convert: the records of one stream file in another layout.
#include <cstdio>

#include "bitstream/time_code.h"
#include "cli/commands.h"
#include "cli/io/byte_order.h"
#include "cli/io/output.h"
#include "cli/io/stream_input.h"
#include "cli/progress.h"
#include "common/file_format.h"
#include "common/words.h"
#include "streamfile/stream_file.h"
#include "streamfile/stream_format.h"

namespace {

// Records are gathered into writes of about this many bytes.
constexpr size_t OUT_CHUNK_BYTES = 1 << 20;

struct Converter {
    uint8_t bytes[OUT_CHUNK_BYTES + 2 * MAX_RECORD_WORDS];
    size_t used;
};

Converter conv;

// Appends words in the byte order of the layout: high byte first for the
// "Normal" layouts, low byte first for "PC Format".
void put_words(const Word* words, int32_t count, int layout) {
    uint8_t* p = conv.bytes + conv.used;
    for (int32_t i = 0; i < count; i++) {
        if (layout == FORMAT_PC) {
            put_le16(p + 2 * i, words[i]);
        } else {
            put_be16(p + 2 * i, words[i]);
        }
    }
    conv.used += 2 * static_cast<size_t>(count);
}

int flush() {
    int rc = conv.used > 0 ? out_write(conv.bytes, conv.used) : OUT_OK;
    conv.used = 0;
    return rc;
}

}  // namespace

int run_convert(const CliOptions& opt) {
    int rc = open_input_stream(opt.in);
    if (rc != EXIT_CLEAN) {
        return rc;
    }
    StreamFile file;
    stream_get_file(&file);
    const bool has_tc = file.format == FORMAT_NORMAL_TC;
    if (opt.layout == FORMAT_NORMAL_TC && !has_tc) {
        close_input_stream();
        cli_error("%s: Input stream does not have time code.", opt.in);
        return EXIT_UNUSABLE;
    }
    int out_rc = out_begin(opt.out, opt.force, OUT_STREAMED);
    if (out_rc != OUT_OK) {
        close_input_stream();
        return out_report(out_rc, opt.out);
    }

    static Word record[MAX_RECORD_WORDS];
    const int frame_at = has_tc ? TC_RECORD_SYNC_INDEX : 0;
    const int32_t packet_words = opt.layout == FORMAT_NORMAL_TC ? TIME_CODE_PACKET_WORDS : 0;
    int32_t records = 0;
    bool too_large = false;
    bool lost = false;  // words before the end were not converted
    conv.used = 0;
    stream_seek(0, SEEK_TO_START);
    progress_start("convert", file.length);
    auto left_out = [&](int32_t at) {
        const int32_t n = file.length - at;
        std::fprintf(stderr, "bitdek-cli: %s: the last %d %s not a whole record and %s left out\n",
                     opt.in, n, n == 1 ? "word is" : "words are", n == 1 ? "was" : "were");
    };
    for (;;) {
        // With --resync only confirmed records are converted; anything else is
        // skipped up to the next record that is.
        int32_t at = stream_get_position();
        const int check = opt.resync ? stream_check_record() : RECORD_CONFIRMED;
        if (check > RECORD_NONE) {
            stream_resync();
            int32_t to = stream_get_position();
            if (stream_read_error_at() >= 0) {
                break;
            }
            if (to >= file.length && check == RECORD_CUT_SHORT) {
                left_out(at);
                break;
            }
            const char* why = check == RECORD_NOT_BEGUN ? "no record begins there"
                              : check == RECORD_NO_SIZE
                                  ? "a frame header without a valid frame size"
                              : check == RECORD_CUT_SHORT
                                  ? "a frame header whose size runs past the end of the file"
                                  : "a frame that fails its CRC check, and no record follows "
                                    "it or a whole one lies inside it";
            std::fprintf(stderr,
                         "bitdek-cli: %s: skipped words %d to %d (%d word%s) after frame %d: %s\n",
                         opt.in, at, to - 1, to - at, to - at == 1 ? "" : "s", records, why);
            lost = true;
            if (to >= file.length) {
                break;
            }
            continue;
        }
        int32_t words = stream_next_frame(record);
        if (words == 0) {
            // The walk ends, as playback does, at a record that the end of the
            // file cuts short or at a frame header without a frame size.
            if (at >= file.length || stream_read_error_at() >= 0) {
                break;
            }
            if (!stopped_by_frame_header(file)) {
                left_out(at);
                break;
            }
            lost = true;
            std::fprintf(stderr,
                         "bitdek-cli: %s: stopped at frame %d, word %d: a frame header "
                         "without a valid frame size; the last %d of %d words were not "
                         "converted (--resync goes on after it)\n",
                         opt.in, records, at, file.length - at, file.length);
            break;
        }
        // A reader gone away ends the output, not the walk and its findings.
        if (conv.used >= OUT_CHUNK_BYTES && (out_rc = flush()) != OUT_OK &&
            out_rc != OUT_READER_GONE) {
            break;
        }
        // Time code added to a file near the limit can take the output past
        // what the store opens.
        uint64_t output_words = (out_bytes_written() + conv.used) / 2;
        if (output_words + packet_words + words > static_cast<uint64_t>(MAX_FILE_WORDS)) {
            too_large = true;
            break;
        }
        if (opt.layout == FORMAT_NORMAL_TC) {
            packet_to_file_order(record);
            put_words(record, TIME_CODE_PACKET_WORDS, opt.layout);
        }
        put_words(record + frame_at, words, opt.layout);
        records++;
        progress_update(stream_get_position());
        out_check_signals();
    }
    progress_finish();
    const bool unread = read_failed(opt.in);
    close_input_stream();
    if (unread) {
        out_abandon();
        return EXIT_UNUSABLE;
    }
    if (too_large) {
        out_abandon();
        cli_error("%s: the output would pass 2 GB, the limit of a stream file", opt.out);
        return EXIT_UNUSABLE;
    }
    if (ends_in_odd_byte(opt.in)) {
        std::fprintf(stderr, "bitdek-cli: %s: the file ends in an odd byte, which is no word\n",
                     opt.in);
    }
    out_rc = flush();
    if (out_rc == OUT_OK && records == 0) {
        out_abandon();
        cli_error("%s: no whole record to convert", opt.in);
        return EXIT_UNUSABLE;
    }
    if (out_rc == OUT_OK || out_rc == OUT_READER_GONE) {
        out_rc = out_commit();
    } else {
        out_abandon();
    }
    const int status = lost ? EXIT_FOUND : EXIT_CLEAN;
    return out_rc == OUT_OK || out_rc == OUT_READER_GONE ? status : out_report(out_rc, opt.out);
}
