// The device header block where there is no winmm: laid out as WAVEHDR, so
// that the engines see the same sizes on every platform. Shared by the POSIX
// waveform layer and the device stand-ins of the tests.
#pragma once

#include <cstdint>

struct WaveHeader {
    void* data;
    uint32_t bytes;
    uint32_t bytes_recorded;
    uintptr_t user;
    uint32_t flags;
    uint32_t loops;
    void* next;
    uintptr_t reserved;
};

constexpr uint32_t WAVE_HEADER_DONE = 0x01;      // the device has finished with the buffer
constexpr uint32_t WAVE_HEADER_PREPARED = 0x02;  // registered with the device
constexpr uint32_t WAVE_HEADER_INQUEUE = 0x10;   // queued to the device
