#include "audio/wave_ring.h"

#include <cassert>

namespace {

WaveBufferRing ring;

// Unlocks (when locked) and frees (when allocated) one block.
void release_block(MemBlockHandle* handle, void* address) {
    if (*handle == nullptr) {
        return;
    }
    if (address != nullptr) {
        memblock_unlock(*handle);
    }
    memblock_free(*handle);
    *handle = nullptr;
}

// Allocates and locks one block; false when either step fails, with anything
// obtained left in handle/address for release_block.
bool obtain_block(uint32_t bytes, MemBlockHandle* handle, void** address) {
    *handle = memblock_alloc(bytes);
    if (*handle == nullptr) {
        return false;
    }
    *address = memblock_lock(*handle);
    return *address != nullptr;
}

}  // namespace

WaveBufferRing& wave_ring() {
    return ring;
}

int allocate_wave_buffers() {
    assert(ring.nodes == nullptr && "allocate_wave_buffers called twice");
    void* address = nullptr;
    if (!obtain_block(sizeof(WaveBufferNode) * WAVE_BUFFER_COUNT, &ring.nodes_handle, &address)) {
        release_block(&ring.nodes_handle, address);
        return 1;
    }
    ring.nodes = static_cast<WaveBufferNode*>(address);
    ring.current = ring.nodes;
    for (int i = 0; i < WAVE_BUFFER_COUNT; ++i) {
        WaveBufferNode& node = ring.nodes[i];
        node.buffer_handle = nullptr;
        node.buffer = nullptr;
        node.header_handle = nullptr;
        node.header = nullptr;
        node.next = &ring.nodes[(i + 1) % WAVE_BUFFER_COUNT];
    }
    ring.scratch_handle = nullptr;
    ring.scratch = nullptr;

    WaveBufferNode* node = ring.current;
    for (int i = 0; i < WAVE_BUFFER_COUNT; ++i, node = node->next) {
        void* buffer = nullptr;
        bool ok = obtain_block(WAVE_BUFFER_BYTES, &node->buffer_handle, &buffer);
        node->buffer = static_cast<uint8_t*>(buffer);
        if (ok) {
            ok = obtain_block(static_cast<uint32_t>(wave_header_bytes()), &node->header_handle,
                              &node->header);
        }
        if (!ok) {
            free_wave_buffers();
            return 1;
        }
    }
    void* scratch = nullptr;
    bool ok = obtain_block(SCRATCH_BYTES, &ring.scratch_handle, &scratch);
    ring.scratch = static_cast<Word*>(scratch);
    if (!ok) {
        free_wave_buffers();
        return 1;
    }
    ring.active = 0;
    ring.device_open = 0;
    return 0;
}

void free_wave_buffers() {
    if (ring.nodes == nullptr || ring.device_open != 0) {
        return;
    }
    WaveBufferNode* node = ring.current;
    for (int i = 0; i < WAVE_BUFFER_COUNT; ++i, node = node->next) {
        release_block(&node->buffer_handle, node->buffer);
        node->buffer = nullptr;
        release_block(&node->header_handle, node->header);
        node->header = nullptr;
    }
    release_block(&ring.nodes_handle, ring.nodes);
    ring.nodes = nullptr;
    ring.current = nullptr;
    release_block(&ring.scratch_handle, ring.scratch);
    ring.scratch = nullptr;
    ring.active = 0;
}

int prepare_output_header(void* header, uint8_t* buffer, WaveOutHandle device) {
    wave_header_init(header, buffer, WAVE_BUFFER_BYTES);
    return wave_out_prepare(device, header);
}

int prepare_input_header(void* header, uint8_t* buffer, WaveInHandle device) {
    wave_header_init(header, buffer, WAVE_BUFFER_BYTES);
    return wave_in_prepare(device, header);
}

WaveFormat pcm_wave_format(uint32_t samples_per_sec) {
    WaveFormat format{};
    format.format_tag = WAVE_FORMAT_TAG_PCM;
    format.channels = WAVE_CHANNELS;
    format.samples_per_sec = samples_per_sec;
    format.block_align = WAVE_CHANNELS * WAVE_BITS_PER_SAMPLE / 8;
    format.avg_bytes_per_sec = samples_per_sec * format.block_align;
    format.bits_per_sample = WAVE_BITS_PER_SAMPLE;
    return format;
}

bool ring_notification_due(const void* header) {
    if (ring.nodes == nullptr) {
        return false;
    }
    return ring.active == 0 || (header == ring.current->header && wave_header_done(header));
}

int count_done_buffers() {
    if (ring.nodes == nullptr) {
        return 0;
    }
    int done = 0;
    const WaveBufferNode* node = ring.current;
    for (int i = 0; i < WAVE_BUFFER_COUNT; ++i, node = node->next) {
        if (wave_header_done(node->header)) {
            ++done;
        }
    }
    return done;
}
