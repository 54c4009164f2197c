// POSIX has no waveform device here: every query and open fails, so the
// engines report that no playback or record device is present. The header
// helpers work, so the engines' device-free paths run natively.
#include "platform/wave.h"

#include "platform/posix/wave_header.h"

namespace {

constexpr int WAVE_NO_DEVICE = 2;       // no such device (MMSYSERR_BADDEVICEID)
constexpr int WAVE_INVALID_HANDLE = 5;  // no open device (MMSYSERR_INVALHANDLE)

}  // namespace

size_t wave_header_bytes() {
    return sizeof(WaveHeader);
}

void wave_header_init(void* header, void* data, uint32_t bytes) {
    WaveHeader* h = static_cast<WaveHeader*>(header);
    h->data = data;
    h->bytes = bytes;
    h->flags = 0;
    h->loops = 0;
    h->next = nullptr;
    h->reserved = 0;
}

bool wave_header_done(const void* header) {
    return (static_cast<const WaveHeader*>(header)->flags & WAVE_HEADER_DONE) != 0;
}

int wave_out_device_count() {
    return 0;
}
int wave_in_device_count() {
    return 0;
}
int wave_out_device_name(int, char* name) {
    name[0] = '\0';
    return WAVE_NO_DEVICE;
}
int wave_in_device_name(int, char* name) {
    name[0] = '\0';
    return WAVE_NO_DEVICE;
}

int wave_out_query(int, const WaveFormat*) {
    return WAVE_NO_DEVICE;
}
int wave_out_open(WaveOutHandle* device, int, const WaveFormat*, WindowHandle) {
    *device = nullptr;
    return WAVE_NO_DEVICE;
}
int wave_out_prepare(WaveOutHandle, void*) {
    return WAVE_INVALID_HANDLE;
}
int wave_out_unprepare(WaveOutHandle, void*) {
    return WAVE_INVALID_HANDLE;
}
int wave_out_write(WaveOutHandle, void*) {
    return WAVE_INVALID_HANDLE;
}
int wave_out_reset(WaveOutHandle) {
    return WAVE_INVALID_HANDLE;
}
int wave_out_close(WaveOutHandle) {
    return WAVE_INVALID_HANDLE;
}

int wave_in_query(int, const WaveFormat*) {
    return WAVE_NO_DEVICE;
}
int wave_in_open(WaveInHandle* device, int, const WaveFormat*, WindowHandle) {
    *device = nullptr;
    return WAVE_NO_DEVICE;
}
int wave_in_prepare(WaveInHandle, void*) {
    return WAVE_INVALID_HANDLE;
}
int wave_in_unprepare(WaveInHandle, void*) {
    return WAVE_INVALID_HANDLE;
}
int wave_in_add_buffer(WaveInHandle, void*) {
    return WAVE_INVALID_HANDLE;
}
int wave_in_start(WaveInHandle) {
    return WAVE_INVALID_HANDLE;
}
int wave_in_reset(WaveInHandle) {
    return WAVE_INVALID_HANDLE;
}
int wave_in_close(WaveInHandle) {
    return WAVE_INVALID_HANDLE;
}
