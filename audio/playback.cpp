#include "audio/playback.h"

#include <cassert>
#include <cstring>

#include "audio/capture.h"
#include "audio/wave_device.h"
#include "audio/wave_ring.h"
#include "bitstream/frame_crc.h"
#include "bitstream/frame_parser.h"
#include "bitstream/time_code.h"
#include "common/file_format.h"
#include "common/result.h"
#include "settings/prefs.h"
#include "streamfile/stream_file.h"

namespace {

constexpr int DEFAULT_FSCOD = 0;  // 48000 Hz when the stream names no rate

struct PlaybackEngine {
    WaveOutHandle device;
};

PlaybackEngine engine;

WaveFormat output_format(int32_t fscod) {
    if (fscod < 0 || fscod >= FSCOD_COUNT) {
        fscod = DEFAULT_FSCOD;
    }
    return pcm_wave_format(static_cast<uint32_t>(SAMPLE_RATE_HZ[fscod]));
}

// Hands the buffer at current to the device and moves current on.
void submit_current(WaveBufferRing& ring) {
    WaveBufferNode* node = ring.current;
    prepare_output_header(node->header, node->buffer, engine.device);
    wave_out_write(engine.device, node->header);
    ring.current = node->next;
}

}  // namespace

int start_playback(WindowHandle window) {
    WaveBufferRing& ring = wave_ring();
    if (ring.nodes == nullptr) {
        return RC_NO_PLAYBACK_DEVICE;
    }
    // A device of either engine that refused to stop gets another try; while
    // it refuses it may still own the buffers, so no device starts on them.
    if (stop_playback() != RC_OK) {
        return RC_PLAYBACK_CLOSE_FAILED;
    }
    if (stop_capture() != RC_OK) {
        return RC_RECORD_CLOSE_FAILED;
    }
    assert(ring.active == 0 && ring.device_open == 0);
    FrameInfo info;
    get_frame_info(&info);
    WaveFormat format = output_format(info.fscod);
    int id = WAVE_DEFAULT_DEVICE;
    if (!find_playback_device(&id) || wave_out_query(id, &format) != 0) {
        return RC_NO_PLAYBACK_DEVICE;
    }
    WaveOutHandle device = nullptr;
    if (wave_out_open(&device, id, &format, window) != 0) {
        return RC_NO_PLAYBACK_DEVICE;
    }
    engine.device = device;
    ring.device_open = 1;
    ring.active = 1;
    for (int i = 0; i < WAVE_BUFFER_COUNT; ++i) {
        std::memset(ring.current->buffer, 0, WAVE_BUFFER_BYTES);
        submit_current(ring);
    }
    return RC_OK;
}

int fill_output_buffer(uint8_t* buffer, Word* scratch) {
    int spdif_mode = get_spdif_mode();
    // Only a file with time code holds a packet ahead of each frame; a frame
    // of another layout may hold a sync word at word 8 by chance.
    StreamFile file;
    stream_get_file(&file);
    bool time_code = file.format == FORMAT_NORMAL_TC;
    std::memset(buffer, 0, WAVE_BUFFER_BYTES);
    for (int j = 0; j < FRAMES_PER_BUFFER; ++j) {
        int32_t frame_words = stream_next_frame(scratch);
        if (frame_words <= 0) {
            return j;
        }
        const Word* packet = nullptr;
        const Word* frame = scratch;
        if (time_code) {
            packet = scratch;
            frame = scratch + TIME_CODE_PACKET_WORDS;
        }
        if (!fill_block(buffer + j * BURST_BLOCK_BYTES, spdif_mode, packet, frame, frame_words)) {
            count_frame_error();
        }
    }
    return FRAMES_PER_BUFFER;
}

int on_output_buffer_done() {
    WaveBufferRing& ring = wave_ring();
    if (ring.active == 0) {
        return count_done_buffers() == WAVE_BUFFER_COUNT ? RC_PLAYBACK_DRAINED : RC_OK;
    }
    if (count_done_buffers() == WAVE_BUFFER_COUNT) {
        count_frame_error();
    }
    WaveBufferNode* node = ring.current;
    wave_out_unprepare(engine.device, node->header);
    int frames = fill_output_buffer(node->buffer, ring.scratch);
    submit_current(ring);
    if (frames < FRAMES_PER_BUFFER) {
        // The end of the file: the device drains what it has, and the next
        // play starts from the beginning.
        ring.active = 0;
        stream_seek(0, SEEK_TO_START);
        return RC_END_OF_FILE;
    }
    return RC_OK;
}

int stop_playback() {
    WaveBufferRing& ring = wave_ring();
    if (engine.device == nullptr) {  // never started, or stopped already
        return RC_OK;
    }
    // Nothing is queued any more, whatever the device answers: one that
    // refuses to stop plays out what it holds, and once all of it is back the
    // close is tried even though the reset is still refused.
    ring.active = 0;
    if (wave_out_reset(engine.device) != 0 && count_done_buffers() < WAVE_BUFFER_COUNT) {
        return RC_PLAYBACK_CLOSE_FAILED;
    }
    WaveBufferNode* node = ring.current;
    for (int i = 0; i < WAVE_BUFFER_COUNT; ++i, node = node->next) {
        wave_out_unprepare(engine.device, node->header);
    }
    if (wave_out_close(engine.device) != 0) {
        return RC_PLAYBACK_CLOSE_FAILED;
    }
    engine.device = nullptr;
    ring.device_open = 0;
    return RC_OK;
}
