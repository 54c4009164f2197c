// wrap and unwrap: the playback and capture engines over the file-backed
// waveform device, driven by the device's notifications as the transport
// controller drives them in the program.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

#include "audio/capture.h"
#include "audio/playback.h"
#include "audio/wave_ring.h"
#include "bitstream/frame_crc.h"
#include "bitstream/frame_parser.h"
#include "cli/cli.h"
#include "cli/file_wave.h"
#include "cli/frame_texts.h"
#include "cli/interrupt.h"
#include "cli/output_file.h"
#include "cli/pcm_source.h"
#include "cli/progress.h"
#include "cli/wav_io.h"
#include "common/file_format.h"
#include "common/result.h"
#include "common/transport_state.h"
#include "platform/file_io.h"
#include "settings/prefs.h"
#include "streamfile/stream_file.h"

namespace fs = std::filesystem;

namespace {

// The tool has no window: the device's notifications are delivered in its
// own loop.
WindowHandle const NO_WINDOW = nullptr;

using Clock = std::chrono::steady_clock;

// The store writes one record per call; the tool gathers them.
constexpr int32_t RECORDING_BUFFER_BYTES = 1 << 20;
// A live capture's records reach the disk at least this often.
constexpr auto LIVE_FLUSH_EVERY = std::chrono::seconds(1);

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

int reserve_output(const char* path, bool force, bool through_file) {
    int rc = out_reserve(path, force ? 1 : 0, through_file ? 1 : 0);
    if (rc != OUT_OK) {
        out_discard();
        return report_output_failure(rc, path);
    }
    return EXIT_CLEAN;
}

// Playback until the device has drained: one refill per finished buffer.
// Returns false when the output could not take a buffer.
bool play_to_the_end(int32_t length) {
    progress_start("wrap", length);
    for (;;) {
        if (!file_wave_output_done()) {
            break;  // cannot happen while the engine runs: it always has buffers out
        }
        int rc = on_output_buffer_done();
        if (file_wave_output_failed()) {
            break;
        }
        if (rc == RC_PLAYBACK_DRAINED) {
            break;
        }
        progress_update(stream_get_position());
    }
    progress_finish();
    return !file_wave_output_failed();
}

}  // namespace

int report_pcm_failure(int pcm_rc, const char* in) {
    switch (pcm_rc) {
        case PCM_CANNOT_OPEN:
            cli_error("%s: cannot open the file", in);
            break;
        case PCM_NOT_WAV:
            cli_error("%s: not a WAV file", in);
            break;
        case PCM_BAD_WAV:
            cli_error("%s: the WAV header cannot be read", in);
            break;
        default:
            cli_error("%s: not 16-bit stereo PCM", in);
            break;
    }
    return EXIT_UNUSABLE;
}

int run_wrap(const CliOptions& opt) {
    int rc = open_input_stream(opt.in);
    if (rc != EXIT_CLEAN) {
        return rc;
    }
    StreamFile file;
    stream_get_file(&file);
    // Playback of a file whose first record is no whole frame sends nothing
    // but silence: refused as the other commands refuse it.
    static Word record[MAX_RECORD_WORDS];
    stream_seek(0, SEEK_TO_START);
    if (stream_next_frame(record) == 0) {
        if (!read_failed(opt.in)) {
            cli_error("%s: Invalid File Format.", opt.in);
        }
        stream_close();
        return EXIT_UNUSABLE;
    }
    const bool wav = std::strcmp(opt.out, "-") != 0 && is_wav_name(opt.out);
    if (reserve_output(opt.out, opt.force, false) != EXIT_CLEAN) {
        stream_close();
        return EXIT_UNUSABLE;
    }
    int out_rc = out_open_stream();
    if (out_rc == OUT_OK && wav) {
        uint8_t header[WAV_HEADER_BYTES] = {};
        out_rc = out_write(header, sizeof(header));  // completed at the end
    }
    if (out_rc != OUT_OK) {
        stream_close();
        out_discard();
        return report_output_failure(out_rc, opt.out);
    }
    if (allocate_wave_buffers() != 0) {
        stream_close();
        out_discard();
        cli_error("Could not allocate memory.");
        return EXIT_UNUSABLE;
    }
    set_spdif_mode(opt.output_format);
    // The engine counts a frame it cannot fit in its block as a frame error;
    // without the CRC check that count is the frames sent as silence.
    set_err_check(0);
    const int errors_before = get_frame_errors();
    // From the first record, with its frame in the FrameInfo: the device opens
    // at that frame's sample rate.
    stream_seek(0, SEEK_TO_START);
    bool ok = false;
    if (start_playback(NO_WINDOW) != RC_OK) {
        cli_error("Cannot open sound card for playback.");
    } else {
        ok = play_to_the_end(file.length);
        stop_playback();
    }
    const int silent = get_frame_errors() - errors_before;
    free_wave_buffers();
    // Where playback stopped: the engine starts over at the end, so the walk
    // is done again.
    int32_t frames = 0;
    stream_seek(0, SEEK_TO_START);
    while (ok && stream_next_frame(record) > 0) {
        frames++;
    }
    const int32_t stop = stream_get_position();
    const bool stopped = ok && stop < file.length && stopped_by_frame_header(file);
    // Playback ends at a failed read as at the end of the file: nothing of
    // such a run is kept.
    const bool unread = read_failed(opt.in);
    stream_close();
    if (unread) {
        out_discard();
        return EXIT_UNUSABLE;
    }
    if (!ok) {
        out_discard();
        if (!file_wave_output_failed()) {
            return EXIT_UNUSABLE;
        }
        return report_output_failure(out_reader_gone() ? OUT_READER_GONE : OUT_WRITE_FAILED,
                                     opt.out);
    }
    if (wav) {
        uint64_t data = out_bytes_written() - WAV_HEADER_BYTES;
        if (data > WAV_MAX_DATA_BYTES) {
            out_discard();
            cli_error("%s: too long for a WAV file; write raw samples instead", opt.out);
            return EXIT_UNUSABLE;
        }
        uint8_t header[WAV_HEADER_BYTES];
        wav_build_header(header, file_wave_output_rate(), static_cast<uint32_t>(data));
        out_rc = out_patch(0, header, sizeof(header));
        if (out_rc != OUT_OK) {
            out_discard();
            return report_output_failure(out_rc, opt.out);
        }
    }
    out_rc = out_commit();
    if (out_rc != OUT_OK) {
        return report_output_failure(out_rc, opt.out);
    }
    if (stopped) {
        cli_error(
            "%s: playback stopped at frame %d, word %d: a frame header without a valid frame "
            "size; the last %d of %d words were not wrapped",
            opt.in, frames, stop, file.length - stop, file.length);
    }
    if (silent > 0) {
        cli_error(
            "%s: %d frames went out as silence: too long for a block of 1536 sample pairs "
            "in a 16-bit output format (at most 1532 words, 1520 with time code)",
            opt.in, silent);
    }
    return stopped || silent > 0 ? EXIT_FOUND : EXIT_CLEAN;
}

int run_unwrap(const CliOptions& opt) {
    const bool live = std::strcmp(opt.in, "-") == 0;
    // A live capture records straight into OUT, as the program records: what
    // has been written survives whatever ends the run. Any other run makes its
    // file under a temporary name (in the temporary folder for "-").
    // A device or a pipe as OUT gets the file, made in the temporary folder,
    // at the end; a link is followed to the file it names.
    std::string target;
    const bool direct = out_direct_target(opt.out, &target);
    const bool in_place = live && std::strcmp(opt.out, "-") != 0 && !direct;
    int out_rc = in_place ? out_check_target(opt.out, opt.force ? 1 : 0)
                          : out_reserve(opt.out, opt.force ? 1 : 0, 1);
    std::error_code ec;
    if (out_rc != OUT_OK) {
        if (!in_place) {
            out_discard();
        }
        return report_output_failure(out_rc, opt.out);
    }
    const char* path = in_place ? target.c_str() : out_temp_path();
    if (allocate_wave_buffers() != 0) {
        out_discard();
        cli_error("Could not allocate memory.");
        return EXIT_UNUSABLE;
    }
    // The preferences a recording reads: the layout of a new file, and
    // whether a "Normal + Time Code" recording must carry time code.
    set_rec_format(opt.layout);
    set_require_tc(opt.require_tc ? 1 : 0);
    set_err_check(1);
    if (in_place) {
        // Replaced (--force): a new file, so that nothing old follows the
        // records should the run be killed.
        fs::remove(target, ec);
    }
    mmfile_set_write_buffer(RECORDING_BUFFER_BYTES);
    // The output exists before any input is read.
    int open_rc = store_open(path, 0);
    if (open_rc != RC_OK) {
        mmfile_set_write_buffer(0);
        free_wave_buffers();
        out_discard();
        if (open_rc != RC_PATH_TOO_LONG) {
            cli_error("%s: cannot create the file", opt.out);
        }
        return EXIT_UNUSABLE;
    }
    int pcm_rc = pcm_open(opt.in);
    if (pcm_rc != PCM_OK) {
        stream_close();  // deletes the empty file
        mmfile_set_write_buffer(0);
        free_wave_buffers();
        out_discard();
        return report_pcm_failure(pcm_rc, opt.in);
    }
    // As the record command and the first press of play do in the program.
    stream_set_new_format(opt.layout);
    int refusal = RC_OK;
    const int errors_before = get_frame_errors();
    bool device_ok = start_capture(NO_WINDOW) == RC_OK;
    if (device_ok) {
        stream_resume();
        progress_start("unwrap", pcm_total_bytes());
        Clock::time_point flushed = Clock::now();
        while (file_wave_input_filled()) {
            int rc = on_input_buffer_filled(STATE_RECORDING);
            if (rc != RC_DATA && rc != RC_NO_DATA) {
                refusal = rc;  // the recording stops here, as the program's does
                break;
            }
            if (!live) {
                progress_update(pcm_bytes_read());
                continue;
            }
            if (Clock::now() - flushed >= LIVE_FLUSH_EVERY) {
                flushed = Clock::now();
                if (!mmfile_flush()) {
                    refusal = RC_WRITE_FAILED;
                    break;
                }
            }
            if (progress_due()) {
                show_live_status(get_frame_errors() - errors_before);
            }
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
    stream_close();  // deletes the file when nothing was recorded
    free_wave_buffers();
    // A failed flush lost the records buffered since the last one; the file
    // has been cut back to the last whole record the disk took.
    const int64_t lost_at = mmfile_lost_at();
    mmfile_set_write_buffer(0);
    int64_t kept_words = file.length;
    if (lost_at >= 0 && lost_at / 2 < kept_words) {
        kept_words = lost_at / 2;
        if (kept_words == 0) {
            fs::remove(path, ec);
        } else {
            file_cut_at(path, lost_at);
        }
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
        status = report_output_failure(OUT_WRITE_FAILED, opt.out);
    } else if (read_failed) {
        cli_error("%s: reading failed", opt.in);
        status = EXIT_UNUSABLE;
    }
    if (kept_words == 0) {
        if (status == EXIT_CLEAN) {
            cli_error("%s: no AC-3 frame found in the input", opt.in);
        }
        out_discard();
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
    // What was recorded is kept, whatever ended the recording.
    if (!in_place) {
        out_rc = out_commit();
        if (out_rc != OUT_OK) {
            return report_output_failure(out_rc, opt.out);
        }
    }
    if (status != EXIT_CLEAN) {
        cli_error("%s: the %lld frames recorded before are kept", opt.out,
                  static_cast<long long>(kept_frames));
    } else if (interrupt_requested()) {
        FrameInfo info;
        get_frame_info(&info);
        cli_error("interrupted: %lld frames (%s) recorded in %s",
                  static_cast<long long>(kept_frames),
                  frames_elapsed_text(kept_frames, info.fscod).c_str(), opt.out);
    }
    return status;
}
