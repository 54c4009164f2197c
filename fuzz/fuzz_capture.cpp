// Arbitrary PCM through the capture engine into a file. The input's first
// byte picks the transport state, the layout, the CRC check, the time code
// requirement and whether the device path runs too; then come
// chunks, each a 16-bit length followed by that many PCM bytes. Chunks go
// through the receiver as plain buffers of exactly their size (so a read past
// a chunk is caught), and the whole PCM then, when picked, through the scripted
// device in full device buffers.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>
#include <string>
#include <vector>

#include "audio/capture.h"
#include "audio/wave_ring.h"
#include "common/file_format.h"
#include "common/transport_state.h"
#include "settings/prefs.h"
#include "streamfile/stream_file.h"
#include "tests/scripted_wave/scripted_wave.h"

namespace {

std::string file_path;

void remove_file() {
    stream_close();
    std::remove(file_path.c_str());
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    if (allocate_wave_buffers() != 0) {
        return 1;
    }
    char name[64];
    std::snprintf(name, sizeof name, "/tmp/fuzz_capture_%d.ac3", static_cast<int>(getpid()));
    file_path = name;
    std::remove(file_path.c_str());
    std::atexit(remove_file);
    // One file for the whole run; each input records over it from word 0.
    return stream_open(file_path.c_str(), 0) == 0 ? 0 : 1;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) {
        return 0;
    }
    uint8_t control = data[0];
    int state = (control & 1) ? STATE_RECORDING : STATE_RECORD_ARMED;
    int format = (control >> 1) % 3;
    set_err_check((control >> 3) & 1);
    set_require_tc((control >> 4) & 1);
    ++data;
    --size;

    scripted_wave_reset();
    scripted_wave_keep_output(false);
    stream_seek(0, SEEK_TO_START);
    stream_set_new_format(format);
    stream_resume();

    std::vector<uint8_t> all;
    CaptureScan scan = {0, 0, 0};
    while (size >= 2 && scan.refusal == 0) {
        size_t length = data[0] | (data[1] << 8);
        data += 2;
        size -= 2;
        if (length > size) {
            length = size;
        }
        length &= ~static_cast<size_t>(1);
        std::vector<uint8_t> chunk(data, data + length);
        receive_pcm(chunk.data(), static_cast<int32_t>(length / 2), state, &scan);
        all.insert(all.end(), chunk.begin(), chunk.end());
        data += length;
        size -= length;
    }

    // The device path scans whole 24,576-word buffers: slow, so only when asked.
    if ((control & 0x20) != 0 && start_capture(nullptr) == 0) {
        scripted_wave_supply_input(all.data(), all.size());
        while (scripted_wave_input_left() > 0) {
            scripted_wave_fill_input(1);
            on_input_buffer_filled(state);
        }
        stop_capture();
    }
    return 0;
}
