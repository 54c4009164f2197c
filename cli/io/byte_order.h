// Byte order where the tool's words meet bytes: PCM samples and WAV fields are
// little-endian, high-byte-first stream files are big-endian. One helper for
// each direction; no struct is ever written whole.
#pragma once

#include <cstdint>

inline void put_le16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v & 0xFF);
    p[1] = static_cast<uint8_t>(v >> 8);
}

inline void put_be16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v >> 8);
    p[1] = static_cast<uint8_t>(v & 0xFF);
}

inline void put_le32(uint8_t* p, uint32_t v) {
    put_le16(p, static_cast<uint16_t>(v & 0xFFFF));
    put_le16(p + 2, static_cast<uint16_t>(v >> 16));
}

inline uint16_t get_le16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

inline uint32_t get_le32(const uint8_t* p) {
    return static_cast<uint32_t>(get_le16(p)) | (static_cast<uint32_t>(get_le16(p + 2)) << 16);
}

inline uint64_t get_le64(const uint8_t* p) {
    return static_cast<uint64_t>(get_le32(p)) | (static_cast<uint64_t>(get_le32(p + 4)) << 32);
}
