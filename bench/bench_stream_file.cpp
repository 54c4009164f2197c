// The stream file store on one hour of 48 kHz, 448 kbit/s frames (about
// 200 MB, written to the temporary folder by the first benchmark that needs
// it and removed at exit): opening with its measure, the moves the transport
// buttons make, and a full walk with CRC checking.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

#include "bitstream/frame_crc.h"
#include "bitstream/frame_parser.h"
#include "bitstream/time_code.h"
#include "common/file_format.h"
#include "common/result.h"
#include "settings/prefs.h"
#include "streamfile/stream_file.h"
#include "tests/support/test_frames.h"

namespace {

constexpr int FRAMES = 112500;      // 3600 s at 31.25 frames per second
constexpr int DISTINCT = 64;        // frames of different content, repeated
constexpr int FRMSIZECOD_448 = 30;  // 896 words at 48 kHz

std::string bench_path;

// A 448 kbit/s frame (acmod 2, dialnorm 27) with a pseudo-random body.
FrameSpec frame_shape(uint32_t seed) {
    FrameSpec shape;
    shape.frmsizecod = FRMSIZECOD_448;
    shape.seed = seed;
    return shape;
}

void remove_file() {
    std::remove(bench_path.c_str());
}

// Writes the hour-long "Normal" file once per process.
const std::string& bench_file() {
    if (!bench_path.empty())
        return bench_path;
    const char* tmp = std::getenv("TMPDIR");
    bench_path = std::string(tmp != nullptr ? tmp : "/tmp") + "/bitdek_bench_" +
                 std::to_string(getpid()) + ".ac3";
    std::vector<std::vector<uint8_t>> frames;
    for (int i = 0; i < DISTINCT; ++i) {
        std::vector<uint8_t> bytes;
        for (Word w : make_frame(frame_shape(static_cast<uint32_t>(i + 1)))) {
            bytes.push_back(static_cast<uint8_t>(w >> 8));  // high byte first
            bytes.push_back(static_cast<uint8_t>(w & 0xFF));
        }
        frames.push_back(bytes);
    }
    FILE* f = std::fopen(bench_path.c_str(), "wb");
    if (f == nullptr)
        std::abort();
    for (int i = 0; i < FRAMES; ++i)
        std::fwrite(frames[i % DISTINCT].data(), 1, frames[i % DISTINCT].size(), f);
    std::fclose(f);
    std::atexit(remove_file);
    return bench_path;
}

void open_bench_file(benchmark::State& state) {
    set_err_check(1);
    if (stream_open(bench_file().c_str(), 1) != RC_OK) {
        state.SkipWithError("cannot open the benchmark file");
        return;
    }
    StreamFile f;
    stream_get_file(&f);
    if (f.frame_count != FRAMES || f.format != FORMAT_NORMAL)
        state.SkipWithError("the benchmark file measures wrong");
}

void BM_OpenWithMeasure(benchmark::State& state) {
    bench_file();
    for (auto _ : state) {
        stream_open(bench_file().c_str(), 1);
        stream_close();
    }
}
BENCHMARK(BM_OpenWithMeasure)->Unit(benchmark::kMicrosecond);

void BM_SeekToEnd(benchmark::State& state) {
    open_bench_file(state);
    for (auto _ : state) {
        stream_seek(0, SEEK_TO_START);
        stream_seek(0, SEEK_TO_END);
    }
    stream_close();
}
BENCHMARK(BM_SeekToEnd)->Unit(benchmark::kMicrosecond);

void BM_StepBackFromEnd(benchmark::State& state) {
    open_bench_file(state);
    for (auto _ : state) {
        stream_seek(0, SEEK_TO_END);
        stream_seek(-1, SEEK_BY_FRAMES);
    }
    stream_close();
}
BENCHMARK(BM_StepBackFromEnd)->Unit(benchmark::kMicrosecond);

// One move forward and one back, from the middle: two moves per iteration.
void BM_MoveTenThousandFramesFromMiddle(benchmark::State& state) {
    open_bench_file(state);
    stream_seek(0, SEEK_TO_START);
    stream_seek(FRAMES / 2, SEEK_BY_FRAMES);
    for (auto _ : state) {
        stream_seek(10000, SEEK_BY_FRAMES);
        stream_seek(-10000, SEEK_BY_FRAMES);
    }
    stream_close();
}
BENCHMARK(BM_MoveTenThousandFramesFromMiddle)->Unit(benchmark::kMicrosecond);

void BM_WalkWithCrc(benchmark::State& state) {
    open_bench_file(state);
    std::vector<Word> out(MAX_RECORD_WORDS);
    int64_t words = 0;
    for (auto _ : state) {
        stream_seek(0, SEEK_TO_START);
        reset_frame_errors();
        int32_t n;
        while ((n = stream_next_frame(out.data())) != 0)
            words += n;
        if (get_frame_errors() != 0)
            state.SkipWithError("frames failed their CRC");
    }
    state.SetBytesProcessed(words * 2);
    stream_close();
}
BENCHMARK(BM_WalkWithCrc)->Unit(benchmark::kMillisecond);

}  // namespace
