// wrap and unwrap: the playback and capture engines over the file-backed
// waveform device, driven by the device's notifications as the transport
// controller drives them in the program.
#include <cstdio>
#include <cstring>

#include "audio/capture.h"
#include "audio/playback.h"
#include "audio/wave_ring.h"
#include "bitstream/frame_crc.h"
#include "cli/cli.h"
#include "cli/file_wave.h"
#include "cli/output_file.h"
#include "cli/pcm_source.h"
#include "cli/progress.h"
#include "cli/wav_io.h"
#include "common/file_format.h"
#include "common/result.h"
#include "common/transport_state.h"
#include "settings/prefs.h"
#include "streamfile/stream_file.h"

namespace {

// The tool has no window: the device's notifications are delivered in its
// own loop.
WindowHandle const NO_WINDOW = nullptr;

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
        stream_close();
        cli_error("%s: Invalid File Format.", opt.in);
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
    stream_close();
    if (!ok) {
        out_discard();
        return file_wave_output_failed() ? report_output_failure(OUT_WRITE_FAILED, opt.out)
                                         : EXIT_UNUSABLE;
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
    int pcm_rc = pcm_open(opt.in);
    switch (pcm_rc) {
        case PCM_OK:
            break;
        case PCM_CANNOT_OPEN:
            cli_error("%s: cannot open the file", opt.in);
            return EXIT_UNUSABLE;
        case PCM_NOT_WAV:
            cli_error("%s: not a WAV file", opt.in);
            return EXIT_UNUSABLE;
        case PCM_BAD_WAV:
            cli_error("%s: the WAV header cannot be read", opt.in);
            return EXIT_UNUSABLE;
        default:
            cli_error("%s: not 16-bit stereo PCM", opt.in);
            return EXIT_UNUSABLE;
    }
    // The store makes the recording as a real file; for "-" it is copied to
    // standard output at the end.
    if (reserve_output(opt.out, opt.force, true) != EXIT_CLEAN) {
        pcm_close();
        return EXIT_UNUSABLE;
    }
    if (allocate_wave_buffers() != 0) {
        pcm_close();
        out_discard();
        cli_error("Could not allocate memory.");
        return EXIT_UNUSABLE;
    }
    // The preferences a recording reads: the layout of a new file, and
    // whether a "Normal + Time Code" recording must carry time code.
    set_rec_format(opt.layout);
    set_require_tc(opt.require_tc ? 1 : 0);
    set_err_check(1);
    int open_rc = store_open(out_temp_path(), 0);
    if (open_rc != RC_OK) {
        free_wave_buffers();
        pcm_close();
        out_discard();
        if (open_rc != RC_PATH_TOO_LONG) {
            cli_error("%s: cannot create the file", opt.out);
        }
        return EXIT_UNUSABLE;
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
            if (rc == RC_NO_TIME_CODE || rc == RC_WRITE_FAILED) {
                refusal = rc;
                break;
            }
            progress_update(pcm_bytes_read());
        }
        progress_finish();
        if (stop_capture() == RC_WRITE_FAILED && refusal == RC_OK) {
            refusal = RC_WRITE_FAILED;
        }
    }
    StreamFile file;
    stream_get_file(&file);
    stream_close();  // deletes the file when nothing was recorded
    free_wave_buffers();
    bool read_failed = pcm_read_failed();
    int32_t cut_words = pcm_cut_burst_words();
    int32_t overrunning = pcm_overrunning_bursts();
    pcm_close();

    int status = EXIT_CLEAN;
    if (!device_ok) {
        cli_error("Cannot open sound card for record.");
        status = EXIT_UNUSABLE;
    } else if (refusal == RC_NO_TIME_CODE) {
        cli_error("%s: Input stream does not have time code.", opt.in);
        status = EXIT_UNUSABLE;
    } else if (refusal == RC_WRITE_FAILED) {
        status = report_output_failure(OUT_WRITE_FAILED, opt.out);
    } else if (read_failed) {
        cli_error("%s: reading failed", opt.in);
        status = EXIT_UNUSABLE;
    } else if (file.length == 0) {
        cli_error("%s: no AC-3 frame found in the input", opt.in);
        status = EXIT_UNUSABLE;
    }
    if (status != EXIT_CLEAN) {
        out_discard();
        return status;
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
    int out_rc = out_commit();
    if (out_rc != OUT_OK) {
        return report_output_failure(out_rc, opt.out);
    }
    return EXIT_CLEAN;
}
