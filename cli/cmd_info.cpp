// info and verify: reading a stream file as the program reads it.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "bitstream/frame_crc.h"
#include "bitstream/frame_parser.h"
#include "bitstream/time_code.h"
#include "cli/cli.h"
#include "cli/frame_texts.h"
#include "cli/progress.h"
#include "common/burst.h"
#include "common/file_format.h"
#include "common/words.h"
#include "settings/prefs.h"
#include "streamfile/stream_file.h"
#include "streamfile/stream_format.h"

namespace {

// Text output lists at most this many frame numbers per finding; JSON lists all.
constexpr size_t TEXT_LIST_MAX = 20;
// Words of a frame header that the parser reads: less than this is no frame.
constexpr int32_t FRAME_HEADER_MIN_WORDS = 4;
constexpr int FRAME_SAMPLES = 1536;  // audio samples in every AC-3 frame

// Length of the well-formed UTF-8 sequence at s[i], 0 when there is none.
size_t utf8_length(const std::string& s, size_t i) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    size_t n = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
    if (n == 0 || i + n > s.size()) {
        return 0;
    }
    uint32_t cp = n == 1 ? c : c & (0x7F >> n);
    for (size_t k = 1; k < n; k++) {
        unsigned char d = static_cast<unsigned char>(s[i + k]);
        if ((d & 0xC0) != 0x80) {
            return 0;
        }
        cp = (cp << 6) | (d & 0x3F);
    }
    const uint32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
    bool surrogate = cp >= 0xD800 && cp <= 0xDFFF;
    return cp < least[n] || cp > 0x10FFFF || surrogate ? 0 : n;
}

}  // namespace

// A JSON string. File names are bytes: one that is not UTF-8 has each stray
// byte escaped as the character of the same number, so the output stays JSON.
std::string json_string(const std::string& s) {
    std::string out = "\"";
    for (size_t i = 0; i < s.size();) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        size_t n = utf8_length(s, i);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || n == 0) {
            char esc[8];
            std::snprintf(esc, sizeof(esc), "\\u%04x", c);
            out += esc;
        } else {
            out.append(s, i, n);
            i += n;
            continue;
        }
        i++;
    }
    return out + "\"";
}

namespace {

std::string json_numbers(const std::vector<int64_t>& list) {
    std::string out = "[";
    for (size_t i = 0; i < list.size(); i++) {
        out += (i > 0 ? ", " : "") + std::to_string(list[i]);
    }
    return out + "]";
}

std::string text_numbers(const std::vector<int64_t>& list) {
    std::string out;
    for (size_t i = 0; i < list.size() && i < TEXT_LIST_MAX; i++) {
        out += (i > 0 ? ", " : "") + std::to_string(list[i]);
    }
    if (list.size() > TEXT_LIST_MAX) {
        out += ", ...";
    }
    return out;
}

bool same_time(const TimeCode& a, const TimeCode& b) {
    return a.hours == b.hours && a.minutes == b.minutes && a.seconds == b.seconds &&
           a.frames == b.frames && a.sample_offset == b.sample_offset &&
           a.rate_code == b.rate_code && a.drop_frame == b.drop_frame;
}

std::string time_with_offset(const TimeCode& tc) {
    char offset[16];
    std::snprintf(offset, sizeof(offset), " %+d", tc.sample_offset);
    return time_code_text(tc) + offset;
}

// Drop-frame numbering leaves out the first labels of every minute but each
// tenth (2 at 29.97 fps, 4 at 59.94); the program's advance counts straight
// on, so a minute it crosses begins with the first label that exists.
constexpr int RATE_CODE_29_97 = 4;
constexpr int RATE_CODE_59_94 = 7;

void skip_dropped_labels(const TimeCode& before, TimeCode* tc) {
    int dropped = tc->rate_code == RATE_CODE_29_97 ? 2 : tc->rate_code == RATE_CODE_59_94 ? 4 : 0;
    if (tc->drop_frame != 0 && dropped > 0 && tc->minutes != before.minutes && tc->seconds == 0 &&
        tc->minutes % 10 != 0) {
        tc->frames += dropped;
    }
}

struct TimeJump {
    int64_t frame;
    TimeCode expected;
    TimeCode found;
};

}  // namespace

int run_info(const CliOptions& opt) {
    int rc = open_input_stream(opt.in);
    if (rc != EXIT_CLEAN) {
        return rc;
    }
    StreamFile file;
    stream_get_file(&file);
    // Opening measured the file and handed its first record to the bitstream
    // layer, as it does in the program.
    FrameInfo info;
    get_frame_info(&info);
    TimeCode start_tc;
    get_time_code(&start_tc);
    TimeCode end_tc = start_tc;
    bool has_tc = file.format == FORMAT_NORMAL_TC;
    // The frames are counted by walking the records: the nominal count the
    // program shows divides the length by the first frame's record size,
    // which is not exact when the frame size changes within the file.
    static Word record[MAX_RECORD_WORDS];
    static Word last[MAX_RECORD_WORDS];
    int64_t frames = 0;
    // Frames of each sample rate: the duration is the sum of the frames' own.
    int64_t frames_at[FSCOD_COUNT] = {};
    stream_seek(0, SEEK_TO_START);
    progress_start("info", file.length);
    int32_t words;
    while ((words = stream_next_frame(record)) > 0) {
        frames++;
        FrameInfo f;
        get_frame_info(&f);
        frames_at[f.fscod]++;  // a whole frame has a sample rate
        if (has_tc) {
            std::memcpy(last, record, sizeof(Word) * (TIME_CODE_PACKET_WORDS + words));
        }
        progress_update(stream_get_position());
    }
    progress_finish();
    if (read_failed(opt.in)) {
        stream_close();
        return EXIT_UNUSABLE;
    }
    // The end's time code is the last whole record's, moved on by one frame;
    // words after it (a record cut short, junk) hold no packet to trust.
    if (has_tc && frames > 0) {
        dispatch_packet(last, PACKET_TIME_CODE);
        dispatch_packet(last + TIME_CODE_PACKET_WORDS, PACKET_AC3_FRAME);
        advance_time_code();
        get_time_code(&end_tc);
    }
    stream_close();
    if (frames == 0) {
        // The parameters were read from the window's padding past the end.
        clear_frame_info();
        get_frame_info(&info);
        has_tc = false;
    }
    double seconds = 0;
    for (int f = 0; f < FSCOD_COUNT; f++) {
        seconds += static_cast<double>(frames_at[f]) * FRAME_SAMPLES / SAMPLE_RATE_HZ[f];
    }
    std::string duration = elapsed_text(seconds);
    const char* no_frame_note = "no whole frame: the file holds no frame parameters or time code";

    if (opt.json) {
        std::printf("{\n");
        std::printf("  \"file\": %s,\n", json_string(opt.in).c_str());
        std::printf("  \"layout\": %s,\n", json_string(format_text(file.format)).c_str());
        std::printf("  \"length_words\": %d,\n", file.length);
        std::printf("  \"frames\": %lld,\n", static_cast<long long>(frames));
        std::printf("  \"program_frame_count\": %d,\n", file.frame_count);
        std::printf("  \"words_per_frame\": %.10g,\n", file.words_per_frame);
        std::printf("  \"data_rate\": %s,\n", json_string(data_rate_text(info)).c_str());
        std::printf("  \"sample_rate\": %s,\n", json_string(sample_rate_text(info)).c_str());
        std::printf("  \"audio_coding_mode\": %s,\n", json_string(acmod_text(info)).c_str());
        std::printf("  \"lfe\": %s,\n", json_string(lfe_text(info)).c_str());
        std::printf("  \"bitstream_mode\": %s,\n", json_string(bsmod_text(info)).c_str());
        std::printf("  \"dialogue_normalisation\": %s,\n",
                    json_string(dialnorm_text(info)).c_str());
        std::printf(
            "  \"first_frame\": {\"frmsizecod\": %d, \"fscod\": %d, \"acmod\": %d, "
            "\"lfeon\": %d, \"bsmod\": %d, \"dialnorm\": %d, \"frame_words\": %d},\n",
            info.frmsizecod, info.fscod, info.acmod, info.lfeon, info.bsmod, info.dialnorm,
            info.frame_words);
        std::printf("  \"duration\": %s", json_string(duration).c_str());
        if (frames == 0) {
            std::printf(",\n  \"note\": %s", json_string(no_frame_note).c_str());
        }
        if (has_tc) {
            std::printf(",\n  \"time_code_start\": %s,\n",
                        json_string(time_code_text(start_tc)).c_str());
            std::printf("  \"time_code_end\": %s", json_string(time_code_text(end_tc)).c_str());
        }
        std::printf("\n}\n");
        return EXIT_CLEAN;
    }
    std::printf("File:                    %s\n", opt.in);
    std::printf("Layout:                  %s\n", format_text(file.format));
    std::printf("Length:                  %d words\n", file.length);
    std::printf("Frames:                  %lld\n", static_cast<long long>(frames));
    if (frames != file.frame_count) {
        std::printf("Nominal frame count:     %d (the length over the first frame's size)\n",
                    file.frame_count);
    }
    std::printf("Words per frame:         %.10g\n", file.words_per_frame);
    std::printf("Data rate:               %s\n", data_rate_text(info));
    std::printf("Sample rate:             %s\n", sample_rate_text(info));
    std::printf("Audio coding mode:       %s\n", acmod_text(info));
    std::printf("LFE:                     %s\n", lfe_text(info));
    std::printf("Bitstream mode:          %s\n", bsmod_text(info));
    std::printf("Dialogue normalisation:  %s\n", dialnorm_text(info));
    std::printf("Duration:                %s\n", duration.c_str());
    if (frames == 0) {
        std::printf("Note:                    %s\n", no_frame_note);
    }
    if (has_tc) {
        std::printf("Time code at the start:  %s\n", time_code_text(start_tc).c_str());
        std::printf("Time code at the end:    %s\n", time_code_text(end_tc).c_str());
    }
    return EXIT_CLEAN;
}

int verify_file(const char* path, bool json) {
    int rc = open_input_stream(path);
    if (rc != EXIT_CLEAN) {
        return rc;
    }
    StreamFile file;
    stream_get_file(&file);
    const bool has_tc = file.format == FORMAT_NORMAL_TC;
    const int frame_at = has_tc ? TC_RECORD_SYNC_INDEX : 0;
    set_err_check(1);
    stream_seek(0, SEEK_TO_START);

    static Word record[MAX_RECORD_WORDS];
    std::vector<int64_t> crc_failures;
    std::vector<int64_t> out_of_step;
    std::vector<TimeJump> jumps;
    int64_t frames = 0;
    progress_start("verify", file.length);
    for (;;) {
        TimeCode expected{};
        if (has_tc && frames > 0) {
            // The previous packet, moved on by one frame with the program's
            // own arithmetic, is what the next packet should say.
            TimeCode before;
            get_time_code(&before);
            advance_time_code();
            get_time_code(&expected);
            skip_dropped_labels(before, &expected);
        }
        int errors_before = get_frame_errors();
        int32_t words = stream_next_frame(record);
        if (words == 0) {
            break;
        }
        if (get_frame_errors() != errors_before) {
            crc_failures.push_back(frames);
        }
        bool in_step = record[frame_at] == AC3_SYNC_WORD;
        if (has_tc) {
            in_step = in_step && record[6] == TC_MARKER;
            TimeCode found;
            get_time_code(&found);
            if (frames > 0 && in_step && !same_time(expected, found)) {
                jumps.push_back(TimeJump{frames, expected, found});
            }
        }
        if (!in_step) {
            out_of_step.push_back(frames);
        }
        frames++;
        progress_update(stream_get_position());
    }
    progress_finish();
    if (read_failed(path)) {
        stream_close();
        return EXIT_UNUSABLE;
    }
    // The walk ends, as playback does, at a record that the end of the file
    // cuts short, or at a frame header without a frame size.
    int64_t cut_short = -1;
    int64_t stopped_at = -1;
    int32_t position = stream_get_position();
    if (position < file.length) {
        if (stopped_by_frame_header(file)) {
            stopped_at = position;
        } else {
            cut_short = frames;
        }
    }
    stream_close();
    const bool odd_byte = ends_in_odd_byte(path);
    bool clean = crc_failures.empty() && out_of_step.empty() && jumps.empty() && cut_short < 0 &&
                 stopped_at < 0 && !odd_byte;

    if (json) {
        // One line per file (JSON Lines), so that the reports of many files
        // can be read one by one.
        std::printf("{\"file\": %s, ", json_string(path).c_str());
        std::printf("\"layout\": %s, ", json_string(format_text(file.format)).c_str());
        std::printf("\"frames\": %lld, ", static_cast<long long>(frames));
        std::printf("\"crc_failures\": %s, ", json_numbers(crc_failures).c_str());
        std::printf("\"out_of_step\": %s, ", json_numbers(out_of_step).c_str());
        std::printf("\"cut_short\": %lld, ", static_cast<long long>(cut_short));
        std::printf("\"stopped_at_word\": %lld, ", static_cast<long long>(stopped_at));
        std::printf("\"odd_trailing_byte\": %s, ", odd_byte ? "true" : "false");
        std::printf("\"time_code_jumps\": [");
        for (size_t i = 0; i < jumps.size(); i++) {
            std::printf("%s{\"frame\": %lld, \"expected\": %s, \"found\": %s}", i > 0 ? ", " : "",
                        static_cast<long long>(jumps[i].frame),
                        json_string(time_with_offset(jumps[i].expected)).c_str(),
                        json_string(time_with_offset(jumps[i].found)).c_str());
        }
        std::printf("], \"clean\": %s}\n", clean ? "true" : "false");
        return clean ? EXIT_CLEAN : EXIT_FOUND;
    }
    std::printf("%s: %s, %lld frames\n", path, format_text(file.format),
                static_cast<long long>(frames));
    if (!crc_failures.empty()) {
        std::printf("CRC failures: %zu (frames %s)\n", crc_failures.size(),
                    text_numbers(crc_failures).c_str());
    }
    if (!out_of_step.empty()) {
        std::printf("Records that do not begin as a record: %zu (frames %s)\n", out_of_step.size(),
                    text_numbers(out_of_step).c_str());
    }
    if (stopped_at >= 0) {
        std::printf(
            "The walk stopped at word %lld of %d: a frame header without a valid "
            "frame size\n",
            static_cast<long long>(stopped_at), file.length);
    }
    if (cut_short >= 0) {
        std::printf(
            "The last record (frame %lld, %d words) is cut short by the end of the "
            "file\n",
            static_cast<long long>(cut_short), file.length - position);
    }
    if (odd_byte) {
        std::printf("The file ends in an odd byte, which is no word\n");
    }
    if (!jumps.empty()) {
        std::printf("Time code discontinuities: %zu\n", jumps.size());
        for (size_t i = 0; i < jumps.size() && i < TEXT_LIST_MAX; i++) {
            std::printf("  frame %lld: expected %s, found %s\n",
                        static_cast<long long>(jumps[i].frame),
                        time_with_offset(jumps[i].expected).c_str(),
                        time_with_offset(jumps[i].found).c_str());
        }
        if (jumps.size() > TEXT_LIST_MAX) {
            std::printf("  ...\n");
        }
    }
    if (clean) {
        std::printf("clean\n");
    }
    return clean ? EXIT_CLEAN : EXIT_FOUND;
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
