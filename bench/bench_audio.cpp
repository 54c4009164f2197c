// The work of one device notification. Two buffers stay queued while it runs,
// 512 ms at 48 kHz; both must finish far inside that.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "audio/capture.h"
#include "audio/playback.h"
#include "audio/wave_ring.h"
#include "bitstream/frame_crc.h"
#include "common/file_format.h"
#include "common/result.h"
#include "common/transport_state.h"
#include "settings/prefs.h"
#include "streamfile/stream_file.h"
#include "tests/scripted_wave/scripted_wave.h"
#include "tests/support/test_frames.h"

namespace {

constexpr int FILE_FRAMES = 800;

std::string temp_path(const char* name) {
    return std::string("/tmp/bench_audio_") + name;
}

// A "PC Format" file (no byte exchange) of frames from shape.
void write_stream(const std::string& path, FrameSpec shape) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    for (int i = 0; i < FILE_FRAMES; ++i) {
        shape.seed = static_cast<uint32_t>(i + 1);
        std::vector<Word> frame = make_frame(shape);
        std::fwrite(frame.data(), 2, frame.size(), f);
    }
    std::fclose(f);
}

bool ring_ready() {
    static bool ready = allocate_wave_buffers() == 0;
    return ready;
}

// One on_output_buffer_done of eight frames; args: output format, frame
// size code, sample rate code.
void BM_OutputBufferDone(benchmark::State& state) {
    int mode = static_cast<int>(state.range(0));
    FrameSpec shape;
    shape.frmsizecod = static_cast<int>(state.range(1));
    shape.fscod = static_cast<int>(state.range(2));
    std::string path = temp_path("play.ac3");
    write_stream(path, shape);
    if (!ring_ready() || stream_open(path.c_str(), 0) != RC_OK) {
        state.SkipWithError("no ring or no file");
        return;
    }
    set_err_check(1);
    set_spdif_mode(mode);
    reset_frame_errors();
    scripted_wave_reset();
    scripted_wave_keep_output(false);
    stream_seek(0, SEEK_TO_START);
    start_playback(nullptr);
    for (auto _ : state) {
        scripted_wave_return_output(1);
        if (on_output_buffer_done() == RC_END_OF_FILE) {
            state.PauseTiming();
            stop_playback();
            scripted_wave_reset();
            scripted_wave_keep_output(false);
            start_playback(nullptr);
            state.ResumeTiming();
        }
    }
    stop_playback();
    state.counters["frame_errors"] = get_frame_errors();
    stream_close();
    std::remove(path.c_str());
}
// 1920-word frames (32 kHz, 640 kbit/s); in the 16-bit formats they do not
// fit a block and go out as silence, so 1280-word frames (48 kHz) show the
// filling cost there too.
BENCHMARK(BM_OutputBufferDone)
    ->ArgNames({"mode", "frmsizecod", "fscod"})
    ->Args({0, 36, 2})
    ->Args({1, 36, 2})
    ->Args({2, 36, 2})
    ->Args({1, 36, 0})
    ->Args({2, 36, 0})
    ->Unit(benchmark::kMicrosecond);

// One device buffer of blocks in the output format mode, each with its own
// burst of a frame of frmsizecod 36 at the sample rate code fscod.
std::vector<uint8_t> burst_buffer(int mode, int fscod) {
    FrameSpec shape;
    shape.fscod = fscod;
    shape.frmsizecod = 36;
    std::vector<uint8_t> buffer(WAVE_BUFFER_BYTES, 0);
    for (int j = 0; j < FRAMES_PER_BUFFER; ++j) {
        shape.seed = static_cast<uint32_t>(j + 1);
        std::vector<Word> frame = make_frame(shape);
        fill_block(buffer.data() + j * BURST_BLOCK_BYTES, mode, nullptr, frame.data(),
                   static_cast<int32_t>(frame.size()));
    }
    return buffer;
}

// One on_input_buffer_filled over 24,576 words holding 8 contiguous bursts of
// 1920-word frames, CRC checked and written to a file.
void BM_InputBufferFilled(benchmark::State& state) {
    std::vector<uint8_t> buffer = burst_buffer(SPDIF_32_BIT, 2);
    std::string path = temp_path("rec.ac3");
    std::remove(path.c_str());
    if (!ring_ready() || stream_open(path.c_str(), 0) != RC_OK) {
        state.SkipWithError("no ring or no file");
        return;
    }
    stream_set_new_format(FORMAT_PC);
    stream_resume();
    set_err_check(1);
    scripted_wave_reset();
    start_capture(nullptr);
    int64_t frames = 0;
    for (auto _ : state) {
        if (scripted_wave_input_left() == 0) {
            state.PauseTiming();
            for (int k = 0; k < 64; ++k) {
                scripted_wave_supply_input(buffer.data(), buffer.size());
            }
            stream_seek(0, SEEK_TO_START);  // keep the file small
            state.ResumeTiming();
        }
        scripted_wave_fill_input(1);
        if (on_input_buffer_filled(STATE_RECORDING) == RC_DATA) {
            frames += FRAMES_PER_BUFFER;
        }
    }
    stop_capture();
    stream_close();
    std::remove(path.c_str());
    state.counters["frames"] = static_cast<double>(frames);
}
BENCHMARK(BM_InputBufferFilled)->Unit(benchmark::kMicrosecond);

// The receiver alone over one device buffer of 1920-word bursts (arg 0:
// "32-bit", 1: "16-bit channel 1", which takes 1280-word frames), word by
// word (arg 0) or with payload runs taken in bulk (arg 1), as the capture
// engine does.
void BM_ReceiveBuffer(benchmark::State& state) {
    int mode = static_cast<int>(state.range(0));
    bool bulk = state.range(1) != 0;
    std::vector<uint8_t> buffer = burst_buffer(mode, mode == SPDIF_32_BIT ? 2 : 0);
    std::vector<Word> scratch(BURST_MAX_PAYLOAD_WORDS);
    BurstReceiver rx = {};
    int64_t packets = 0;
    for (auto _ : state) {
        if (bulk) {
            for (int32_t i = 0; i < WAVE_BUFFER_WORDS;) {
                int type = 0;
                i += receive_run(&rx, scratch.data(), buffer.data() + 2 * i, WAVE_BUFFER_WORDS - i,
                                 &type);
                packets += type != 0;
            }
        } else {
            for (int32_t i = 0; i < WAVE_BUFFER_WORDS; ++i)
                packets +=
                    receive_word(&rx, scratch.data(), get_pcm_word(buffer.data() + 2 * i)) != 0;
        }
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * WAVE_BUFFER_BYTES);
    state.counters["packets"] = static_cast<double>(packets);
}
BENCHMARK(BM_ReceiveBuffer)
    ->ArgNames({"mode", "bulk"})
    ->Args({0, 0})
    ->Args({0, 1})
    ->Args({1, 0})
    ->Args({1, 1})
    ->Unit(benchmark::kMicrosecond);

}  // namespace
