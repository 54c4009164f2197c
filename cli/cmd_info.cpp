// info and verify: reading a stream file as the program reads it.
#include <cstdio>
#include <string>
#include <vector>

#include "bitstream/frame_crc.h"
#include "bitstream/frame_parser.h"
#include "bitstream/time_code.h"
#include "cli/cli.h"
#include "cli/frame_texts.h"
#include "cli/progress.h"
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

}  // namespace

std::string json_string(const std::string& s) {
    std::string out = "\"";
    for (unsigned char c : s) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char esc[8];
            std::snprintf(esc, sizeof(esc), "\\u%04x", c);
            out += esc;
        } else {
            out += static_cast<char>(c);
        }
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
    return time_code_text(tc) + " +" + std::to_string(tc.sample_offset);
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
    int64_t frames = 0;
    stream_seek(0, SEEK_TO_START);
    progress_start("info", file.length);
    while (stream_next_frame(record) > 0) {
        frames++;
        progress_update(stream_get_position());
    }
    progress_finish();
    if (has_tc) {
        stream_end_time_code();
        get_time_code(&end_tc);
    }
    stream_close();
    std::string duration = elapsed_text(frames, info.fscod);

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
            advance_time_code();
            get_time_code(&expected);
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
    // The walk ends, as playback does, at a record that the end of the file
    // cuts short, or at a frame header without a frame size.
    int64_t cut_short = -1;
    int64_t stopped_at = -1;
    int32_t position = stream_get_position();
    if (position < file.length) {
        FrameInfo info;
        get_frame_info(&info);
        int32_t left = file.length - position;
        if (info.frame_words > 0 || left < frame_at + FRAME_HEADER_MIN_WORDS) {
            cut_short = frames;
        } else {
            stopped_at = position;
        }
    }
    stream_close();
    bool clean = crc_failures.empty() && out_of_step.empty() && jumps.empty() && cut_short < 0 &&
                 stopped_at < 0;

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
