#include "cli/io/wav.h"

#include <cctype>
#include <cstring>

#include "cli/io/byte_order.h"

namespace {

bool has_id(const uint8_t* p, const char* id) {
    return std::memcmp(p, id, 4) == 0;
}

}  // namespace

void wav_build_header(uint8_t* out, uint32_t sample_rate, uint32_t data_bytes) {
    std::memcpy(out, "RIFF", 4);
    put_le32(out + 4, data_bytes + (WAV_HEADER_BYTES - 8));
    std::memcpy(out + 8, "WAVE", 4);
    std::memcpy(out + 12, "fmt ", 4);
    put_le32(out + 16, WAV_FMT_BYTES);
    put_le16(out + 20, WAV_FORMAT_PCM);
    put_le16(out + 22, WAV_CHANNELS);
    put_le32(out + 24, sample_rate);
    put_le32(out + 28, sample_rate * WAV_BLOCK_ALIGN);
    put_le16(out + 32, WAV_BLOCK_ALIGN);
    put_le16(out + 34, WAV_BITS);
    std::memcpy(out + 36, "data", 4);
    put_le32(out + 40, data_bytes);
}

int wav_parse_header(const uint8_t* bytes, size_t count, WavInfo* out) {
    std::memset(out, 0, sizeof(*out));
    if (count < 12) {
        out->need = 12;
        return WAV_NEED_MORE;
    }
    // RF64 and BW64 are WAV whose sizes past 4 GB stand in a "ds64" chunk.
    bool rf64 = has_id(bytes, "RF64") || has_id(bytes, "BW64");
    if (!(has_id(bytes, "RIFF") || rf64) || !has_id(bytes + 8, "WAVE")) {
        return WAV_NOT_WAV;
    }
    bool have_fmt = false;
    uint64_t ds64_data_bytes = 0;
    uint64_t pos = 12;
    for (;;) {
        if (pos + 8 > WAV_MAX_HEADER_BYTES) {
            return WAV_BAD_HEADER;
        }
        if (pos + 8 > count) {
            out->need = static_cast<uint32_t>(pos + 8);
            return WAV_NEED_MORE;
        }
        const uint8_t* chunk = bytes + pos;
        uint32_t size = get_le32(chunk + 4);
        if (has_id(chunk, "data")) {
            if (!have_fmt) {
                return WAV_BAD_HEADER;
            }
            out->data_offset = static_cast<uint32_t>(pos + 8);
            out->data_bytes = rf64 && size == 0xFFFFFFFFu ? ds64_data_bytes : size;
            return WAV_OK;
        }
        // Chunks are padded to an even size.
        uint64_t next = pos + 8 + size + (size & 1);
        if (rf64 && has_id(chunk, "ds64")) {
            if (size < WAV_DS64_BYTES) {
                return WAV_BAD_HEADER;
            }
            if (pos + 8 + WAV_DS64_BYTES > count) {
                out->need = static_cast<uint32_t>(pos + 8 + WAV_DS64_BYTES);
                return WAV_NEED_MORE;
            }
            ds64_data_bytes = get_le64(chunk + 8 + WAV_DS64_DATA_SIZE_OFFSET);
        }
        if (has_id(chunk, "fmt ")) {
            if (size < WAV_FMT_BYTES) {
                return WAV_BAD_HEADER;
            }
            if (pos + 8 + size > WAV_MAX_HEADER_BYTES) {
                return WAV_BAD_HEADER;
            }
            if (pos + 8 + size > count) {
                out->need = static_cast<uint32_t>(pos + 8 + size);
                return WAV_NEED_MORE;
            }
            const uint8_t* body = chunk + 8;
            out->format_tag = get_le16(body);
            out->channels = get_le16(body + 2);
            out->sample_rate = get_le32(body + 4);
            out->block_align = get_le16(body + 12);
            out->bits_per_sample = get_le16(body + 14);
            if (out->format_tag == WAV_FORMAT_EXTENSIBLE) {
                if (size < WAV_FMT_EXTENSIBLE_BYTES) {
                    return WAV_BAD_HEADER;
                }
                out->format_tag = get_le16(body + WAV_SUBFORMAT_OFFSET);
            }
            have_fmt = true;
        }
        pos = next;
    }
}

bool wav_is_pcm16_stereo(const WavInfo& info) {
    return info.format_tag == WAV_FORMAT_PCM && info.channels == WAV_CHANNELS &&
           info.bits_per_sample == WAV_BITS && info.block_align == WAV_BLOCK_ALIGN;
}

bool is_wav_name(const char* path) {
    size_t n = std::strlen(path);
    if (n < 4 || path[n - 4] != '.') {
        return false;
    }
    const char* ext = path + n - 3;
    return std::tolower(static_cast<unsigned char>(ext[0])) == 'w' &&
           std::tolower(static_cast<unsigned char>(ext[1])) == 'a' &&
           std::tolower(static_cast<unsigned char>(ext[2])) == 'v';
}
