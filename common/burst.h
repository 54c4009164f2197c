// Data bursts carried in 16-bit stereo PCM (IEC 61937 style). Every burst opens
// with four preamble words Pa, Pb, Pc, Pd; the payload words follow Pd directly.
#pragma once

#include <cstdint>

constexpr uint16_t BURST_PA = 0xF872;  // Pa: first sync word
constexpr uint16_t BURST_PB = 0x4E1F;  // Pb: second sync word
// Pc bits 0..4: data type (the packet types PACKET_AC3_FRAME 1, PACKET_TIME_CODE 2).
constexpr uint16_t BURST_PC_TYPE_MASK = 0x001F;
// Pc bits 13..15: bitstream number, 0 in an AC-3 burst.
constexpr uint16_t BURST_PC_STREAM_MASK = 0xE000;
// Pd: payload length in bits; the length in words is Pd >> 4.
constexpr int BURST_PD_WORD_SHIFT = 4;
constexpr int BURST_PREAMBLE_WORDS = 4;

// Packet types, equal to the burst data types.
constexpr int PACKET_AC3_FRAME = 1;
constexpr int PACKET_TIME_CODE = 2;
