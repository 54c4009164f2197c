#include "audio/capture.h"

#include <algorithm>
#include <cassert>

#include "audio/playback.h"
#include "audio/wave_device.h"
#include "audio/wave_ring.h"
#include "bitstream/frame_crc.h"
#include "bitstream/frame_parser.h"
#include "bitstream/time_code.h"
#include "common/result.h"
#include "common/transport_state.h"
#include "streamfile/stream_file.h"

namespace {

constexpr uint32_t CAPTURE_RATE_HZ = 48000;  // whatever the stream carries
constexpr int32_t FRAME_HEADER_WORDS = 4;    // the words parse_frame reads

struct CaptureEngine {
    WaveInHandle device;
    BurstReceiver receiver;
    // From a start to the stop that ends the take by cutting the file.
    bool take_open;
};

CaptureEngine engine;

// Hands the buffer at current to the device and moves current on.
void queue_current(WaveBufferRing& ring) {
    WaveBufferNode* node = ring.current;
    prepare_input_header(node->header, node->buffer, engine.device);
    wave_in_add_buffer(engine.device, node->header);
    ring.current = node->next;
}

// Resets the device, unregisters the three headers and closes the device.
// Returns 0, or the platform's code when reset or close is refused; the
// device then stays open and keeps the buffers. Nothing is queued any more
// either way: a device that refuses the reset fills and hands back what it
// holds, and once all of it is back the close is tried all the same.
int close_device(WaveBufferRing& ring) {
    ring.active = 0;
    int rc = wave_in_reset(engine.device);
    if (rc != 0 && count_done_buffers() < WAVE_BUFFER_COUNT) {
        return rc;
    }
    WaveBufferNode* node = ring.current;
    for (int i = 0; i < WAVE_BUFFER_COUNT; ++i, node = node->next) {
        wave_in_unprepare(engine.device, node->header);
    }
    if ((rc = wave_in_close(engine.device)) != 0) {
        return rc;
    }
    engine.device = nullptr;
    ring.device_open = 0;
    return 0;
}

// The words a captured frame is recorded with, its header just parsed: the
// header's size, whatever the burst's Pd said, so that every record after it
// stays where its header puts it. A short burst is filled up with zeros (the
// frame fails its CRC); a longer one is cut. A frame without a whole header,
// or whose header gives no size, is left out (0): no walk could pass it.
int32_t recorded_frame_words(Word* frame, int32_t words) {
    FrameInfo info;
    get_frame_info(&info);
    if (words < FRAME_HEADER_WORDS || info.frame_words <= 0) {
        return 0;
    }
    if (words < info.frame_words) {
        std::fill(frame + words, frame + info.frame_words, Word{0});
    }
    return info.frame_words;
}

}  // namespace

int start_capture(WindowHandle window) {
    WaveBufferRing& ring = wave_ring();
    if (ring.nodes == nullptr) {
        return RC_NO_RECORD_DEVICE;
    }
    assert(!engine.take_open && "stop_capture first");
    // A device of either engine that refused to stop gets another try; while
    // it refuses it may still own the buffers, so no device starts on them.
    if (stop_capture() != RC_OK) {
        return RC_RECORD_CLOSE_FAILED;
    }
    if (stop_playback() != RC_OK) {
        return RC_PLAYBACK_CLOSE_FAILED;
    }
    assert(ring.active == 0 && ring.device_open == 0);
    WaveFormat format = pcm_wave_format(CAPTURE_RATE_HZ);
    int id = WAVE_DEFAULT_DEVICE;
    if (!find_record_device(&id) || wave_in_query(id, &format) != 0) {
        return RC_NO_RECORD_DEVICE;
    }
    WaveInHandle device = nullptr;
    if (wave_in_open(&device, id, &format, window) != 0) {
        return RC_NO_RECORD_DEVICE;
    }
    engine.device = device;
    engine.take_open = true;
    ring.device_open = 1;
    ring.active = 1;
    for (int i = 0; i < WAVE_BUFFER_COUNT; ++i) {
        queue_current(ring);
    }
    wave_in_start(engine.device);
    // A burst left unfinished by the last capture is abandoned, and with it
    // the word it would have skipped.
    engine.receiver.state = RX_SEEK_PA;
    engine.receiver.skip_next = 0;
    return RC_OK;
}

void receive_pcm(const uint8_t* pcm, int32_t words, int transport_state, CaptureScan* scan) {
    WaveBufferRing& ring = wave_ring();
    assert(ring.scratch != nullptr);
    BurstReceiver* rx = &engine.receiver;
    for (int32_t i = 0; i < words;) {
        int type = 0;
        i += receive_run(rx, ring.scratch, pcm + 2 * static_cast<size_t>(i), words - i, &type);
        if (type == 0) {
            continue;
        }
        // A time code burst too short for a packet is dropped like a lost
        // one: nothing of it is shown or written, rather than the words an
        // earlier burst left in the scratch buffer.
        if (type == PACKET_TIME_CODE && rx->payload_words < TIME_CODE_PACKET_WORDS) {
            continue;
        }
        dispatch_payload(ring.scratch, rx->payload_words, type);
        int32_t words = rx->payload_words;
        if (type == PACKET_AC3_FRAME) {
            ++scan->frames;
            words = recorded_frame_words(ring.scratch, words);
        } else {
            ++scan->time_codes;
        }
        if (transport_state == STATE_RECORDING && words > 0) {
            int rc = stream_write(ring.scratch, words, type);
            if (rc != RC_OK) {
                scan->refusal = rc;
                return;
            }
        }
    }
}

int on_input_buffer_filled(int transport_state) {
    WaveBufferRing& ring = wave_ring();
    CaptureScan scan = {0, 0, RC_OK};
    if (ring.active != 0) {
        if (count_done_buffers() == WAVE_BUFFER_COUNT) {
            count_frame_error();
        }
        WaveBufferNode* node = ring.current;
        wave_in_unprepare(engine.device, node->header);
        receive_pcm(node->buffer, WAVE_BUFFER_WORDS, transport_state, &scan);
        queue_current(ring);
    }
    if (scan.time_codes == 0) {
        set_time_code_valid(0);
    }
    if (scan.refusal != RC_OK) {
        return scan.refusal;
    }
    return scan.frames > 0 ? RC_DATA : RC_NO_DATA;
}

int stop_capture() {
    WaveBufferRing& ring = wave_ring();
    int rc = RC_OK;
    if (engine.device != nullptr && close_device(ring) != 0) {
        rc = RC_RECORD_CLOSE_FAILED;
    }
    if (engine.take_open) {
        // Nothing is written after the stop, whatever the device did: the
        // take ends here, and a later retry must not cut the file again at
        // wherever the position has moved to.
        engine.take_open = false;
        if (stream_truncate() != RC_OK) {
            rc = RC_WRITE_FAILED;
        }
        stream_measure();
    }
    return rc;
}
