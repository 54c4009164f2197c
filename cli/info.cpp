// info: what the main window shows for a stream file.
#include <cstdio>
#include <cstring>
#include <string>

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
#include "streamfile/stream_file.h"
#include "streamfile/stream_format.h"

namespace {

constexpr int FRAME_SAMPLES = 1536;  // audio samples in every AC-3 frame

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
        out_check_signals();
    }
    progress_finish();
    if (read_failed(opt.in)) {
        close_input_stream();
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
    close_input_stream();
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
