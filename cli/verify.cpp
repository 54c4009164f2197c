// verify: every record walked as playback walks it, with the CRC check on.
// Many files are checked each in a process of its own (the stream file store
// holds one file per process), several at once; their reports come in the
// order of the names, then a summary.
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "bitstream/frame_crc.h"
#include "bitstream/frame_parser.h"
#include "bitstream/time_code.h"
#include "cli/commands.h"
#include "cli/frame_texts.h"
#include "cli/io/output.h"
#include "cli/io/stream_input.h"
#include "cli/progress.h"
#include "common/burst.h"
#include "common/file_format.h"
#include "common/words.h"
#include "platform/child.h"
#include "settings/prefs.h"
#include "streamfile/stream_file.h"
#include "streamfile/stream_format.h"

namespace {

// Text output lists at most this many frame numbers per finding; JSON lists all.
constexpr size_t TEXT_LIST_MAX = 20;

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

// Checks one stream file: its findings on standard output (one JSON line with
// json). Returns EXIT_CLEAN, EXIT_FOUND or EXIT_UNUSABLE.
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
        out_check_signals();
    }
    progress_finish();
    if (read_failed(path)) {
        close_input_stream();
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
    close_input_stream();
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

std::string program_path;

struct Check {
    std::string name;
    std::string out;  // its report
    std::string err;  // its messages
    int status;       // EXIT_CLEAN, EXIT_FOUND or EXIT_UNUSABLE
};

// The names given, with "-" replaced by the lines of standard input.
std::vector<std::string> names_of(const CliOptions& opt) {
    std::vector<std::string> names;
    for (const char* f : opt.files) {
        if (std::strcmp(f, "-") != 0) {
            names.emplace_back(f);
            continue;
        }
        std::string line;
        int c;
        do {
            c = std::getchar();
            if (c != EOF && c != '\n') {
                line += static_cast<char>(c);
                continue;
            }
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            // A name in the list names a file, "-" too, however the files
            // are checked: standard input has been read.
            if (!line.empty()) {
                names.push_back(line == "-" ? "./-" : line);
            }
            line.clear();
        } while (c != EOF);
    }
    return names;
}

// What the check of one file prints, whichever way it ran.
void report(const Check& c, bool json) {
    std::fputs(c.err.c_str(), stderr);
    if (c.status == EXIT_UNUSABLE && json) {
        std::printf("{\"file\": %s, \"unreadable\": true}\n", json_string(c.name).c_str());
    } else {
        std::fputs(c.out.c_str(), stdout);
    }
    std::fflush(stdout);
}

// The children, at most jobs at once; every report printed as soon as the
// reports before it are.
void check_in_children(std::vector<Check>& checks, int jobs, bool json) {
    std::vector<ChildHandle> running;
    std::vector<size_t> index;  // of each running child's check
    size_t next = 0;
    size_t printed = 0;
    std::vector<bool> done(checks.size(), false);
    while (printed < checks.size()) {
        while (next < checks.size() && running.size() < static_cast<size_t>(jobs)) {
            std::vector<std::string> args = {program_path, "verify", "--jobs", "1"};
            if (json) {
                args.push_back("--json");
            }
            args.push_back("--");
            args.push_back(checks[next].name);
            ChildHandle child = child_start(program_path, args);
            if (child == nullptr && !running.empty()) {
                break;  // the system's limits: tried again once another has ended
            }
            if (child != nullptr) {
                running.push_back(child);
                index.push_back(next);
            } else {
                checks[next].err = "bitdek-cli: " + checks[next].name + ": cannot start a check\n";
                checks[next].status = EXIT_UNUSABLE;
                done[next] = true;
            }
            next++;
        }
        if (!running.empty()) {
            size_t ended;
            ChildResult result;
            while ((ended = child_wait_any(running, &result)) == CHILD_INTERRUPTED) {
                out_check_signals();
            }
            Check& c = checks[index[ended]];
            c.out = std::move(result.output);
            c.err = std::move(result.errors);
            c.status = result.status >= EXIT_CLEAN && result.status <= EXIT_UNUSABLE
                           ? result.status
                           : EXIT_UNUSABLE;
            done[index[ended]] = true;
            running.erase(running.begin() + static_cast<std::ptrdiff_t>(ended));
            index.erase(index.begin() + static_cast<std::ptrdiff_t>(ended));
        }
        while (printed < checks.size() && done[printed]) {
            report(checks[printed++], json);
        }
    }
}

}  // namespace

void cli_set_program(const char* argv0) {
    program_path = child_self_path(argv0);
}

int run_verify(const CliOptions& opt) {
    if (opt.files.size() == 1 && std::strcmp(opt.files[0], "-") != 0) {
        return verify_file(opt.files[0], opt.json);
    }
    std::vector<Check> checks;
    for (std::string& name : names_of(opt)) {
        checks.push_back(Check{name, "", "", EXIT_UNUSABLE});
    }
    // A list cut short by a failed read is no list of clean files.
    const bool list_unread = std::ferror(stdin) != 0;
    if (list_unread) {
        cli_error("standard input: reading failed");
    }
    int jobs = opt.jobs;
    if (jobs <= 0) {
        jobs = static_cast<int>(std::thread::hardware_concurrency());
        jobs = jobs > 0 ? jobs : 1;
    }
    if (jobs == 1 || program_path.empty()) {
        for (Check& c : checks) {
            std::fflush(stdout);
            c.status = verify_file(c.name.c_str(), opt.json);
            if (c.status == EXIT_UNUSABLE && opt.json) {
                report(c, true);
            }
        }
    } else {
        check_in_children(checks, jobs, opt.json);
    }
    int clean = 0;
    int found = 0;
    int unreadable = 0;
    for (const Check& c : checks) {
        clean += c.status == EXIT_CLEAN;
        found += c.status == EXIT_FOUND;
        unreadable += c.status == EXIT_UNUSABLE;
    }
    if (!opt.json) {
        std::printf("%zu files: %d clean, %d with findings, %d unreadable\n", checks.size(), clean,
                    found, unreadable);
    }
    if (unreadable > 0 || list_unread) {
        return EXIT_UNUSABLE;
    }
    return found > 0 ? EXIT_FOUND : EXIT_CLEAN;
}
