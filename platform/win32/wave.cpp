// The waveform devices through winmm: the default device (WAVE_MAPPER) or a
// device by its id, a format query before every open, and finished buffers
// posted to the window as MM_WOM_DONE / MM_WIM_DATA (CALLBACK_WINDOW). Results are winmm's
// MMRESULT codes, 0 being MMSYSERR_NOERROR.
#include "platform/wave.h"

#include <windows.h>
#include <mmsystem.h>

#include <cstring>

namespace {

WAVEFORMATEX to_waveformatex(const WaveFormat* format) {
    WAVEFORMATEX wfx{};
    wfx.wFormatTag = format->format_tag;
    wfx.nChannels = format->channels;
    wfx.nSamplesPerSec = format->samples_per_sec;
    wfx.nAvgBytesPerSec = format->avg_bytes_per_sec;
    wfx.nBlockAlign = format->block_align;
    wfx.wBitsPerSample = format->bits_per_sample;
    wfx.cbSize = 0;
    return wfx;
}

HWAVEOUT out(WaveOutHandle device) {
    return reinterpret_cast<HWAVEOUT>(device);
}

HWAVEIN in(WaveInHandle device) {
    return reinterpret_cast<HWAVEIN>(device);
}

WAVEHDR* hdr(void* header) {
    return static_cast<WAVEHDR*>(header);
}

UINT device_id(int id) {
    return id == WAVE_DEFAULT_DEVICE ? WAVE_MAPPER : static_cast<UINT>(id);
}

// The capabilities' name field holds MAXPNAMELEN characters; a driver that
// fills it to the end leaves no terminator.
int copy_name(MMRESULT rc, const char* pname, char* name) {
    static_assert(WAVE_DEVICE_NAME_CHARS == MAXPNAMELEN);
    name[0] = '\0';
    if (rc != MMSYSERR_NOERROR) {
        return static_cast<int>(rc);
    }
    std::memcpy(name, pname, WAVE_DEVICE_NAME_CHARS - 1);
    name[WAVE_DEVICE_NAME_CHARS - 1] = '\0';
    return 0;
}

}  // namespace

size_t wave_header_bytes() {
    return sizeof(WAVEHDR);
}

void wave_header_init(void* header, void* data, uint32_t bytes) {
    WAVEHDR* h = hdr(header);
    h->lpData = static_cast<LPSTR>(data);
    h->dwBufferLength = bytes;
    h->dwFlags = 0;
    h->dwLoops = 0;
    h->lpNext = nullptr;
    h->reserved = 0;
}

bool wave_header_done(const void* header) {
    // The device sets the flag from its own thread.
    const volatile DWORD* flags = &static_cast<const WAVEHDR*>(header)->dwFlags;
    return (*flags & WHDR_DONE) != 0;
}

int wave_out_device_count() {
    return static_cast<int>(waveOutGetNumDevs());
}

int wave_in_device_count() {
    return static_cast<int>(waveInGetNumDevs());
}

int wave_out_device_name(int id, char* name) {
    WAVEOUTCAPSA caps{};
    if (id < 0) {
        name[0] = '\0';
        return MMSYSERR_BADDEVICEID;
    }
    return copy_name(waveOutGetDevCapsA(device_id(id), &caps, sizeof caps), caps.szPname, name);
}

int wave_in_device_name(int id, char* name) {
    WAVEINCAPSA caps{};
    if (id < 0) {
        name[0] = '\0';
        return MMSYSERR_BADDEVICEID;
    }
    return copy_name(waveInGetDevCapsA(device_id(id), &caps, sizeof caps), caps.szPname, name);
}

int wave_out_query(int id, const WaveFormat* format) {
    WAVEFORMATEX wfx = to_waveformatex(format);
    return static_cast<int>(waveOutOpen(nullptr, device_id(id), &wfx, 0, 0, WAVE_FORMAT_QUERY));
}

int wave_out_open(WaveOutHandle* device, int id, const WaveFormat* format, WindowHandle window) {
    WAVEFORMATEX wfx = to_waveformatex(format);
    HWAVEOUT handle = nullptr;
    MMRESULT rc = waveOutOpen(&handle, device_id(id), &wfx, reinterpret_cast<DWORD_PTR>(window), 0,
                              CALLBACK_WINDOW);
    *device = rc == MMSYSERR_NOERROR ? reinterpret_cast<WaveOutHandle>(handle) : nullptr;
    return static_cast<int>(rc);
}

int wave_out_prepare(WaveOutHandle device, void* header) {
    return static_cast<int>(waveOutPrepareHeader(out(device), hdr(header), sizeof(WAVEHDR)));
}

int wave_out_unprepare(WaveOutHandle device, void* header) {
    return static_cast<int>(waveOutUnprepareHeader(out(device), hdr(header), sizeof(WAVEHDR)));
}

int wave_out_write(WaveOutHandle device, void* header) {
    return static_cast<int>(waveOutWrite(out(device), hdr(header), sizeof(WAVEHDR)));
}

int wave_out_reset(WaveOutHandle device) {
    return static_cast<int>(waveOutReset(out(device)));
}

int wave_out_close(WaveOutHandle device) {
    return static_cast<int>(waveOutClose(out(device)));
}

int wave_in_query(int id, const WaveFormat* format) {
    WAVEFORMATEX wfx = to_waveformatex(format);
    return static_cast<int>(waveInOpen(nullptr, device_id(id), &wfx, 0, 0, WAVE_FORMAT_QUERY));
}

int wave_in_open(WaveInHandle* device, int id, const WaveFormat* format, WindowHandle window) {
    WAVEFORMATEX wfx = to_waveformatex(format);
    HWAVEIN handle = nullptr;
    MMRESULT rc = waveInOpen(&handle, device_id(id), &wfx, reinterpret_cast<DWORD_PTR>(window), 0,
                             CALLBACK_WINDOW);
    *device = rc == MMSYSERR_NOERROR ? reinterpret_cast<WaveInHandle>(handle) : nullptr;
    return static_cast<int>(rc);
}

int wave_in_prepare(WaveInHandle device, void* header) {
    return static_cast<int>(waveInPrepareHeader(in(device), hdr(header), sizeof(WAVEHDR)));
}

int wave_in_unprepare(WaveInHandle device, void* header) {
    return static_cast<int>(waveInUnprepareHeader(in(device), hdr(header), sizeof(WAVEHDR)));
}

int wave_in_add_buffer(WaveInHandle device, void* header) {
    return static_cast<int>(waveInAddBuffer(in(device), hdr(header), sizeof(WAVEHDR)));
}

int wave_in_start(WaveInHandle device) {
    return static_cast<int>(waveInStart(in(device)));
}

int wave_in_reset(WaveInHandle device) {
    return static_cast<int>(waveInReset(in(device)));
}

int wave_in_close(WaveInHandle device) {
    return static_cast<int>(waveInClose(in(device)));
}
