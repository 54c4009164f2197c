// The wave buffer ring: the memory that the two audio engines exchange with the
// sound card. Three device buffers, each with its own device header, in a fixed
// circular order, and one frame scratch buffer. Allocated once at start-up and
// released once at the end; every block stays locked at a fixed address in
// between, because the device reads and writes it asynchronously.
#pragma once

#include <cstdint>

#include "common/words.h"
#include "platform/memory.h"
#include "platform/wave.h"

constexpr int WAVE_BUFFER_COUNT = 3;            // device buffers in the ring
constexpr uint32_t WAVE_BUFFER_BYTES = 0xC000;  // 24,576 16-bit words: 256 ms at 48 kHz
constexpr int32_t WAVE_BUFFER_WORDS = WAVE_BUFFER_BYTES / 2;
constexpr uint32_t SCRATCH_BYTES = 0x10000;  // the frame scratch buffer
constexpr int32_t SCRATCH_WORDS = SCRATCH_BYTES / 2;
// The header block of each buffer is wave_header_bytes() long (one WAVEHDR).

// The PCM both engines exchange with the device: 16-bit stereo.
constexpr uint16_t WAVE_FORMAT_TAG_PCM = 1;
constexpr uint16_t WAVE_CHANNELS = 2;
constexpr uint16_t WAVE_BITS_PER_SAMPLE = 16;

// One device buffer. Its bytes are interleaved stereo: even word indices are
// channel 1, odd ones channel 2, each a signed 16-bit little-endian sample.
struct WaveBufferNode {
    MemBlockHandle buffer_handle;
    uint8_t* buffer;  // WAVE_BUFFER_BYTES, locked
    MemBlockHandle header_handle;
    void* header;  // wave_header_bytes(), locked; the device header of buffer
    WaveBufferNode* next;
};

struct WaveBufferRing {
    MemBlockHandle nodes_handle;  // the block holding the three nodes
    WaveBufferNode* nodes;        // null: no ring (never allocated, or released)
    // The node the device returns next: the oldest buffer submitted. Each
    // engine moves it on by one node for every buffer it submits.
    WaveBufferNode* current;
    MemBlockHandle scratch_handle;
    Word* scratch;  // SCRATCH_WORDS words, locked
    // 1 while an engine has its device open and keeps resubmitting buffers.
    int32_t active;
    // 1 from a device's opening to the close that succeeds: until then the
    // device may still own the buffers (also after a refused reset or close).
    int32_t device_open;
};

// The program's one ring. Only the playback and capture engines use it; they
// read and write current, active, the nodes' buffer and header, and scratch.
WaveBufferRing& wave_ring();

// Allocates and locks the three buffers, their headers and the scratch buffer,
// and links the nodes in ring order. Returns 0 when everything was allocated,
// 1 when anything failed (then nothing stays allocated). Pair with
// free_wave_buffers.
int allocate_wave_buffers();

// Unlocks and frees everything the ring holds. A ring that is absent (never
// allocated, allocation failed, or already freed) releases nothing, and so
// does a ring whose device_open is set: a device that refused to close may
// still write into it, so it is left to the end of the process.
void free_wave_buffers();

// Fill header for buffer (length WAVE_BUFFER_BYTES; flags, loop count, link
// and reserved word cleared) and register it with the output or input device.
// Return the platform's result (0 on success), which callers may ignore.
int prepare_output_header(void* header, uint8_t* buffer, WaveOutHandle device);
int prepare_input_header(void* header, uint8_t* buffer, WaveInHandle device);

// The device format for 16-bit stereo PCM at samples_per_sec.
WaveFormat pcm_wave_format(uint32_t samples_per_sec);

// The number (0 to 3) of the ring's headers that the device has marked done,
// walking three nodes from current. 0 when there is no ring.
int count_done_buffers();

// Whether a device's notification that the buffer of header came back is to
// be acted on: while an engine resubmits (active 1), only when header is
// current's and marked done; otherwise always (the engine only counts). A
// notification that a stopped device posted, or one for a buffer already
// taken, names a buffer that is not current or that the device holds.
bool ring_notification_due(const void* header);
