// Frame CRC check and header parse: both run for every frame read, navigated
// to or captured, so they set the floor of the per-frame cost.
#include <benchmark/benchmark.h>

#include <vector>

#include "bitstream/frame_crc.h"
#include "bitstream/frame_parser.h"

namespace {

// A 1920-word frame (32 kHz, 640 kbit/s) with a correct CRC.
std::vector<Word> largest_frame() {
    std::vector<Word> f(1920);
    uint32_t x = 12345;
    for (auto& w : f) {
        x = x * 1103515245u + 12345u;
        w = static_cast<Word>(x >> 16);
    }
    f[0] = AC3_SYNC_WORD;
    f[2] = static_cast<Word>((2 << 14) | (37 << 8) | (8 << 3));
    // Last word: the remainder of the rest shifted by 16 bits.
    uint16_t reg = 0;
    auto feed = [&reg](unsigned b) {
        reg = static_cast<uint16_t>(CRC_TABLE[reg >> 8] ^ b ^ ((reg << 8) & 0xFF00));
    };
    for (size_t i = 1; i + 1 < f.size(); ++i) {
        feed(f[i] >> 8);
        feed(f[i] & 0xFF);
    }
    feed(0);
    feed(0);
    f.back() = reg;
    return f;
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
