// wrap: the playback engine over the file-backed waveform device, driven by
// the device's notifications as the transport controller drives it in the
// program.
#include <cstdint>
#include <cstring>

#include "audio/playback.h"
#include "audio/wave_ring.h"
#include "bitstream/frame_crc.h"
#include "bitstream/frame_parser.h"
#include "cli/commands.h"
#include "cli/io/file_wave.h"
#include "cli/io/output.h"
#include "cli/io/stream_input.h"
#include "cli/io/wav.h"
#include "cli/progress.h"
#include "common/result.h"
#include "settings/prefs.h"
#include "streamfile/stream_file.h"

namespace {

// The tool has no window: the device's notifications are delivered in its
// own loop.
WindowHandle const NO_WINDOW = nullptr;

// Playback until the device has drained: one refill per finished buffer.
// Returns false when the output could not take a buffer. A reader gone away
// ends the output, not the playback: the run still finds what it reports.
bool play_to_the_end(int32_t length) {
    progress_start("wrap", length);
    for (;;) {
        if (!file_wave_output_done()) {
            break;  // cannot happen while the engine runs: it always has buffers out
        }
        int rc = on_output_buffer_done();
        if (file_wave_output_failed() && !out_reader_gone()) {
            break;
        }
        if (rc == RC_PLAYBACK_DRAINED) {
            break;
        }
        progress_update(stream_get_position());
        out_check_signals();
    }
    progress_finish();
    return !file_wave_output_failed() || out_reader_gone();
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
        if (!read_failed(opt.in)) {
            cli_error("%s: Invalid File Format.", opt.in);
        }
        close_input_stream();
        return EXIT_UNUSABLE;
    }
    // A WAV header is written last, once the length is known: a target that
    // cannot seek gets the finished file.
    const bool wav = std::strcmp(opt.out, "-") != 0 && is_wav_name(opt.out);
    int out_rc = out_begin(opt.out, opt.force, wav ? OUT_WHOLE_FILE : OUT_STREAMED);
    if (out_rc == OUT_OK && wav) {
        uint8_t header[WAV_HEADER_BYTES] = {};
        out_rc = out_write(header, sizeof(header));
    }
    if (out_rc != OUT_OK) {
        close_input_stream();
        out_abandon();
        return out_report(out_rc, opt.out);
    }
    if (allocate_wave_buffers() != 0) {
        close_input_stream();
        out_abandon();
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
    close_input_stream();
    if (unread) {
        out_abandon();
        return EXIT_UNUSABLE;
    }
    if (!ok) {
        out_abandon();
        return file_wave_output_failed() ? out_report(OUT_WRITE_FAILED, opt.out) : EXIT_UNUSABLE;
    }
    if (wav) {
        uint64_t data = out_bytes_written() - WAV_HEADER_BYTES;
        if (data > WAV_MAX_DATA_BYTES) {
            out_abandon();
            cli_error("%s: too long for a WAV file; write raw samples instead", opt.out);
            return EXIT_UNUSABLE;
        }
        uint8_t header[WAV_HEADER_BYTES];
        wav_build_header(header, file_wave_output_rate(), static_cast<uint32_t>(data));
        out_rc = out_patch(0, header, sizeof(header));
    }
    out_rc = out_rc == OUT_OK ? out_commit() : out_rc;
    if (out_rc != OUT_OK) {
        out_abandon();
        if (out_rc != OUT_READER_GONE) {
            return out_report(out_rc, opt.out);
        }
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
