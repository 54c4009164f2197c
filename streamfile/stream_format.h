// The three stream file layouts: recognition from a file's first words, the
// byte exchange of the high-byte-first layouts, and the order in which the
// words of a time code packet are stored. Pure operations on words in memory.
#pragma once

#include <cstdint>

#include "common/file_format.h"
#include "common/words.h"

// The first word of every stored time code packet (bytes 01 10 on disk).
constexpr Word TC_MARKER = 0x0110;
// A frame's sync word as a high-byte-first file shows it when read low byte first.
constexpr Word SWAPPED_SYNC_WORD = 0x770B;
// Word index of the frame's sync word in a "Normal + Time Code" record.
constexpr int TC_RECORD_SYNC_INDEX = 8;

// Recognises the layout of an existing, non-empty file from its first count
// words as read from disk with no byte exchange. Reads words 0 and 8 only, and
// word 8 only when count is at least 9.
FileFormat detect_format(const Word* words, int32_t count);

// w with its two bytes exchanged.
inline Word swap_word(Word w) {
    return static_cast<Word>((w >> 8) | (w << 8));
}

// to[i] = swap_word(from[i]) for count words; to may be from.
void swap_words(Word* to, const Word* from, int32_t count);

// Rewrites 8 packet words in place from stream order into file order: the
// marker first, words s0..s5, then s7; s6 is dropped.
void packet_to_file_order(Word* words);

// Rewrites 8 words in place from file order into stream order when the first
// is TC_MARKER (s6 becomes the marker); any other first word changes nothing.
void packet_to_stream_order(Word* words);
