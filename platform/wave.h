// The waveform-audio devices: the system's default output and input device or
// one chosen by its place in the system's list, with finished buffers reported
// to a window as messages (MM_WOM_DONE, MM_WIM_DATA). Win32: winmm
// (WAVE_MAPPER, WAVE_FORMAT_QUERY, CALLBACK_WINDOW). Every function that
// returns int returns 0 on success and the platform's nonzero code otherwise,
// unless it says otherwise.
#pragma once

#include <cstddef>
#include <cstdint>

typedef void* WindowHandle;  // HWND on Win32: receives the device's notifications
typedef struct WaveOutDevice* WaveOutHandle;
typedef struct WaveInDevice* WaveInHandle;

// PCM format of a device (the fields of WAVEFORMATEX, extra size 0).
struct WaveFormat {
    uint16_t format_tag;  // 1: PCM
    uint16_t channels;
    uint32_t samples_per_sec;
    uint32_t avg_bytes_per_sec;
    uint16_t block_align;
    uint16_t bits_per_sample;
};

// Device ids: the system's default device (WAVE_MAPPER), or 0..count-1 for
// the devices of one direction in the system's order. The order may change
// whenever a device comes or goes, so an id is looked up just before use.
constexpr int WAVE_DEFAULT_DEVICE = -1;

// Characters of a device name as the system gives it, terminator included
// (MAXPNAMELEN).
constexpr int WAVE_DEVICE_NAME_CHARS = 32;

// Number of output / input devices present now (0 where there are none).
int wave_out_device_count();
int wave_in_device_count();

// Writes the name of device id (0..count-1) into name (WAVE_DEVICE_NAME_CHARS
// characters). Nonzero, with name empty, when the id names no device.
int wave_out_device_name(int id, char* name);
int wave_in_device_name(int id, char* name);

// Size of one device header block (sizeof(WAVEHDR) on Win32).
size_t wave_header_bytes();

// Fills a header block for a buffer: data address and length set; flags, loop
// count, link and reserved words cleared. The user word and recorded-byte
// count are left alone.
void wave_header_init(void* header, void* data, uint32_t bytes);

// True when the device has finished with the header's buffer (WHDR_DONE).
bool wave_header_done(const void* header);

// Output: query of device id (no handle, no callback), open of device id with
// window notification, header preparation, submission, reset, close.
int wave_out_query(int id, const WaveFormat* format);
int wave_out_open(WaveOutHandle* device, int id, const WaveFormat* format, WindowHandle window);
int wave_out_prepare(WaveOutHandle device, void* header);
int wave_out_unprepare(WaveOutHandle device, void* header);
int wave_out_write(WaveOutHandle device, void* header);
int wave_out_reset(WaveOutHandle device);
int wave_out_close(WaveOutHandle device);

// Input: the same, with add-buffer and start.
int wave_in_query(int id, const WaveFormat* format);
int wave_in_open(WaveInHandle* device, int id, const WaveFormat* format, WindowHandle window);
int wave_in_prepare(WaveInHandle device, void* header);
int wave_in_unprepare(WaveInHandle device, void* header);
int wave_in_add_buffer(WaveInHandle device, void* header);
int wave_in_start(WaveInHandle device);
int wave_in_reset(WaveInHandle device);
int wave_in_close(WaveInHandle device);
