// unwrap: the capture engine over the file-backed waveform device, fed from
// PCM, recording into a stream file as the program records.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "audio/capture.h"
#include "audio/wave_ring.h"
#include "bitstream/frame_crc.h"
#include "bitstream/frame_parser.h"
#include "cli/commands.h"
#include "cli/frame_texts.h"
#include "cli/io/file_wave.h"
#include "cli/io/output.h"
#include "cli/io/pcm_source.h"
#include "cli/progress.h"
#include "common/file_format.h"
#include "common/result.h"
#include "common/transport_state.h"
#include "platform/file_io.h"
#include "settings/prefs.h"
#include "streamfile/stream_file.h"

namespace {

// The tool has no window: the device's notifications are delivered in its
// own loop.
WindowHandle const NO_WINDOW = nullptr;

// The store writes one record per call; the tool gathers them.
constexpr int32_t RECORDING_BUFFER_BYTES = 1 << 20;

// The time that frames of the current sample rate last (48 kHz before any
// frame was parsed).
std::string frames_elapsed_text(int64_t frames, int fscod) {
    constexpr double SAMPLES_PER_FRAME = 1536;
    double rate = fscod >= 0 && fscod < FSCOD_COUNT ? SAMPLE_RATE_HZ[fscod] : 48000;
    return elapsed_text(static_cast<double>(frames) * SAMPLES_PER_FRAME / rate);
}

// The live capture's status line, what the main window shows: time, frames,
// errors, the current frame's rates and the time code when there is one.
void show_live_status(int crc_errors) {
    StreamFile file;
    stream_get_file(&file);
    FrameInfo info;
    get_frame_info(&info);
    TimeCode tc;
    get_time_code(&tc);
    std::string text = frames_elapsed_text(file.frame_count, info.fscod) + "  " +
                       std::to_string(file.frame_count) + " frames  " + std::to_string(crc_errors) +
                       " CRC errors  " + data_rate_text(info) + "  " + sample_rate_text(info);
    if (tc.valid != 0) {
        text += "  " + time_code_text(tc);
    }
    progress_status(text.c_str());
}

}  // namespace

int run_unwrap(const CliOptions& opt) {
    // A live capture records into a file that takes OUT's name at its first
    // record, as the program records: what has been written survives whatever
    // ends the run. Any other run makes its file under a temporary name.
    const bool live = std::strcmp(opt.in, "-") == 0;
    int out_rc = out_begin(opt.out, opt.force, OUT_WHOLE_FILE | (live ? OUT_LIVE : 0));
    if (out_rc != OUT_OK) {
        return out_report(out_rc, opt.out);
    }
    if (allocate_wave_buffers() != 0) {
        out_abandon();
        cli_error("Could not allocate memory.");
        return EXIT_UNUSABLE;
    }
    // The preferences a recording reads: the layout of a new file, and
    // whether a "Normal + Time Code" recording must carry time code.
    set_rec_format(opt.layout);
    set_require_tc(opt.require_tc ? 1 : 0);
    set_err_check(1);
    mmfile_set_write_buffer(RECORDING_BUFFER_BYTES);
    // The output exists before any input is read.
    if (stream_open(out_store_name(), 0) != RC_OK) {
        mmfile_set_write_buffer(0);
        free_wave_buffers();
        out_abandon();
        cli_error("%s: cannot create the file", opt.out);
        return EXIT_UNUSABLE;
    }
    int pcm_rc = pcm_open(opt.in);
    if (pcm_rc != PCM_OK) {
        stream_close();
        mmfile_set_write_buffer(0);
        free_wave_buffers();
        out_abandon();
        return pcm_report_failure(pcm_rc, opt.in);
    }
    // As the record command and the first press of play do in the program.
    stream_set_new_format(opt.layout);
    int refusal = RC_OK;
    const int errors_before = get_frame_errors();
    bool device_ok = start_capture(NO_WINDOW) == RC_OK;
    if (device_ok) {
        stream_resume();
        progress_start("unwrap", pcm_total_bytes());
        while (file_wave_input_filled()) {
            int rc = on_input_buffer_filled(STATE_RECORDING);
            if (rc != RC_DATA && rc != RC_NO_DATA) {
                refusal = rc;  // the recording stops here, as the program's does
                break;
            }
            StreamFile now;
            stream_get_file(&now);
            if (now.length > 0) {
                out_place();  // the first record is there
            }
            if (!out_flush_live()) {
                refusal = RC_WRITE_FAILED;
                break;
            }
            if (!live) {
                progress_update(pcm_bytes_read());
            } else if (progress_due()) {
                show_live_status(get_frame_errors() - errors_before);
            }
            out_check_signals();
        }
        progress_finish();
        if (!mmfile_flush() && refusal == RC_OK) {
            refusal = RC_WRITE_FAILED;
        }
        if (stop_capture() == RC_WRITE_FAILED && refusal == RC_OK) {
            refusal = RC_WRITE_FAILED;
        }
    }
    StreamFile file;
    stream_get_file(&file);
    stream_close();
    free_wave_buffers();
    // A failed flush lost the records buffered since the last one; the file
    // has been cut back to the last whole record the disk took.
    const int64_t lost_at = mmfile_lost_at();
    mmfile_set_write_buffer(0);
    int64_t kept_words = file.length;
    if (lost_at >= 0 && lost_at / 2 < kept_words) {
        kept_words = lost_at / 2;
        out_cut(lost_at);
    }
    const int64_t kept_frames =
        file.length > 0 ? static_cast<int64_t>(file.frame_count) * kept_words / file.length : 0;
    const bool read_failed = pcm_read_failed();
    const int32_t cut_words = pcm_cut_burst_words();
    const int32_t overrunning = pcm_overrunning_bursts();
    pcm_close();

    int status = EXIT_CLEAN;
    if (!device_ok) {
        cli_error("Cannot open sound card for record.");
        status = EXIT_UNUSABLE;
    } else if (refusal == RC_NO_TIME_CODE) {
        cli_error("%s: Input stream does not have time code.", opt.in);
        status = EXIT_UNUSABLE;
    } else if (refusal == RC_FILE_TOO_LARGE) {
        cli_error("%s: the recording reached 2 GB, the limit of a stream file", opt.out);
        status = EXIT_UNUSABLE;
    } else if (refusal != RC_OK) {
        status = out_report(OUT_WRITE_FAILED, opt.out);
    } else if (read_failed) {
        cli_error("%s: reading failed", opt.in);
        status = EXIT_UNUSABLE;
    }
    if (kept_words == 0) {
        if (status == EXIT_CLEAN) {
            cli_error("%s: no AC-3 frame found in the input", opt.in);
        }
        out_abandon();
        return EXIT_UNUSABLE;
    }
    // Damaged frames are recorded as received, as the program records them;
    // the count tells the user to look.
    int crc_failures = get_frame_errors() - errors_before;
    if (crc_failures > 0) {
        std::fprintf(stderr,
                     "bitdek-cli: %s: %d frames failed the CRC check and were recorded as "
                     "received\n",
                     opt.in, crc_failures);
    }
    if (overrunning > 0) {
        std::fprintf(stderr,
                     "bitdek-cli: %s: %d bursts claim a payload that runs into the next "
                     "burst's preamble; they were recorded as received, and the bursts "
                     "inside them are lost\n",
                     opt.in, overrunning);
    }
    if (cut_words > 0) {
        std::fprintf(stderr,
                     "bitdek-cli: %s: the input ends inside a burst; its %d words were left "
                     "out\n",
                     opt.in, cut_words);
    }
    // What was recorded is kept, whatever ended the recording; a reader gone
    // away ends the copy, not the run's own result.
    out_rc = out_commit();
    if (out_rc != OUT_OK && out_rc != OUT_READER_GONE) {
        return out_report(out_rc, opt.out);
    }
    if (status != EXIT_CLEAN) {
        cli_error("%s: the %lld frames recorded before are kept", opt.out,
                  static_cast<long long>(kept_frames));
    } else if (out_input_ended()) {
        FrameInfo info;
        get_frame_info(&info);
        cli_error("interrupted: %lld frames (%s) recorded in %s",
                  static_cast<long long>(kept_frames),
                  frames_elapsed_text(kept_frames, info.fscod).c_str(), opt.out);
    }
    return status;
}
