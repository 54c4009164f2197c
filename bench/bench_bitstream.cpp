// Frame CRC check and header parse: both run for every frame read, navigated
// to or captured, so they set the floor of the per-frame cost.
#include <benchmark/benchmark.h>

#include <vector>

#include "bitstream/frame_crc.h"
#include "bitstream/frame_parser.h"
#include "tests/support/test_frames.h"

namespace {

// The largest frame: 32 kHz, 640 kbit/s, 1920 words, with a correct CRC.
std::vector<Word> largest_frame() {
    FrameSpec shape;
    shape.fscod = 2;
    shape.frmsizecod = 37;
    return make_frame(shape);
}

void BM_check_frame_crc_1920_words(benchmark::State& state) {
    std::vector<Word> frame = largest_frame();
    FrameInfo info = {};
    info.frame_words = 1920;
    for (auto _ : state) {
        int bad = check_frame_crc(frame.data(), &info);
        benchmark::DoNotOptimize(bad);
    }
    state.SetBytesProcessed(state.iterations() * 1920 * 2);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_check_frame_crc_1920_words);

void BM_parse_frame(benchmark::State& state) {
    std::vector<Word> frame = largest_frame();
    for (auto _ : state) {
        parse_frame(frame.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_parse_frame);

}  // namespace
