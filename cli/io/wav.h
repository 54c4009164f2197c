// WAV (RIFF) headers for 16-bit stereo PCM: building the canonical 44-byte
// header that the tool writes, and reading the header of a file it is given.
// Every field is little-endian.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr uint32_t WAV_HEADER_BYTES = 44;          // the header the tool writes
constexpr uint32_t WAV_FMT_BYTES = 16;             // body of a plain PCM "fmt " chunk
constexpr uint32_t WAV_FMT_EXTENSIBLE_BYTES = 40;  // body with the extensible part
constexpr uint16_t WAV_FORMAT_PCM = 1;
constexpr uint16_t WAV_FORMAT_EXTENSIBLE = 0xFFFE;
constexpr uint32_t WAV_SUBFORMAT_OFFSET = 24;  // the subformat's tag within an extensible body
constexpr uint16_t WAV_CHANNELS = 2;
constexpr uint16_t WAV_BITS = 16;
constexpr uint16_t WAV_BLOCK_ALIGN = 4;  // one sample pair
// RF64's "ds64" chunk: the RIFF size, then the data size (64 bits each).
constexpr uint32_t WAV_DS64_BYTES = 24;
constexpr uint32_t WAV_DS64_DATA_SIZE_OFFSET = 8;
// The header of a file read is searched no further than this for its data.
constexpr uint32_t WAV_MAX_HEADER_BYTES = 1u << 20;
// The largest data chunk a RIFF size field can describe behind our header.
constexpr uint64_t WAV_MAX_DATA_BYTES = 0xFFFFFFFFull - (WAV_HEADER_BYTES - 8);

// Fills out[0..43] with the header of a 16-bit stereo PCM file of data_bytes
// sample bytes at sample_rate.
void wav_build_header(uint8_t* out, uint32_t sample_rate, uint32_t data_bytes);

enum WavParseResult : int {
    WAV_OK = 0,          // header complete: data starts at data_offset
    WAV_NEED_MORE = 1,   // call again with at least `need` bytes
    WAV_NOT_WAV = 2,     // no RIFF/WAVE signature
    WAV_BAD_HEADER = 3,  // a RIFF/WAVE file whose chunks make no sense to us
};

struct WavInfo {
    uint16_t format_tag;  // WAV_FORMAT_PCM, or the subformat of an extensible file
    uint16_t channels;
    uint32_t sample_rate;
    uint16_t block_align;
    uint16_t bits_per_sample;
    uint32_t data_offset;  // byte offset of the first sample
    // Size of the data chunk, from "ds64" in RF64 (0 or 0xFFFFFFFF: unknown,
    // read to the end).
    uint64_t data_bytes;
    uint32_t need;  // with WAV_NEED_MORE: bytes wanted
};

// Reads the header from the first count bytes of a file. Returns WAV_OK,
// WAV_NEED_MORE (out->need says how many bytes to offer next time),
// WAV_NOT_WAV or WAV_BAD_HEADER (no "fmt " before "data", a short "fmt "
// chunk, or no data within WAV_MAX_HEADER_BYTES).
int wav_parse_header(const uint8_t* bytes, size_t count, WavInfo* out);

// True for 2-channel, 16-bit PCM with 4-byte sample pairs.
bool wav_is_pcm16_stereo(const WavInfo& info);

// True when path ends in ".wav" in any case.
bool is_wav_name(const char* path);
