// Words: every position and length of the stream file store counts 16-bit
// words; in memory a word is held in stream order (a frame starts 0x0B77).
#pragma once

#include <cstdint>

typedef uint16_t Word;

// The A/52 sync word as it stands in memory at the start of every frame.
constexpr Word AC3_SYNC_WORD = 0x0B77;
