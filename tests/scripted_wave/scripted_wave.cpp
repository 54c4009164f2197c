#include "tests/scripted_wave/scripted_wave.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#ifdef _WIN32
#include <windows.h>
#include <mmsystem.h>
#else
#include "platform/posix/wave_header.h"
#endif

namespace {

#ifdef _WIN32
typedef WAVEHDR WaveHeader;
#define HDR_DATA(h) (h)->lpData
#define HDR_BYTES(h) (h)->dwBufferLength
#define HDR_RECORDED(h) (h)->dwBytesRecorded
#define HDR_FLAGS(h) (h)->dwFlags
constexpr uint32_t FLAG_DONE = WHDR_DONE;
constexpr uint32_t FLAG_PREPARED = WHDR_PREPARED;
constexpr uint32_t FLAG_INQUEUE = WHDR_INQUEUE;
#else
#define HDR_DATA(h) (h)->data
#define HDR_BYTES(h) (h)->bytes
#define HDR_RECORDED(h) (h)->bytes_recorded
#define HDR_FLAGS(h) (h)->flags
constexpr uint32_t FLAG_DONE = WAVE_HEADER_DONE;
constexpr uint32_t FLAG_PREPARED = WAVE_HEADER_PREPARED;
constexpr uint32_t FLAG_INQUEUE = WAVE_HEADER_INQUEUE;
#endif

// Buffers a direction holds at once; a fixed array, so that the device
// allocates nothing while the allocation-free paths run.
constexpr int QUEUE_SLOTS = 16;

struct Direction : ScriptedDirection {
    std::vector<ListedDevice> devices;
    WindowHandle window;
    WaveHeader* queue[QUEUE_SLOTS];  // submitted and not yet returned, oldest first
    int prepared;                    // headers prepared on this open and not unprepared
};

struct ScriptedDevice {
    Direction out;
    Direction in;
    int refuse[CALL_COUNT];
    int calls[CALL_COUNT];
    int misuse;
    bool keep_output;
    std::vector<std::vector<uint8_t>> output_buffers;
    std::vector<uint8_t> input;
    size_t input_pos;
};

ScriptedDevice device = {{}, {}, {}, {}, 0, true, {}, {}, 0};

// The handle of a direction is its record's address, never dereferenced.
void* handle_of(Direction& d) {
    return &d;
}

WaveHeader* hdr(void* header) {
    return static_cast<WaveHeader*>(header);
}

// The answer of device id to a query or open in direction d: the default
// device takes any format, a listed one as the test said.
int check_device(const Direction& d, int id) {
    if (id == WAVE_DEFAULT_DEVICE) {
        return 0;
    }
    if (id < 0 || id >= static_cast<int>(d.devices.size())) {
        return SCRIPTED_BAD_DEVICE;
    }
    return d.devices[id].refuses_format ? SCRIPTED_BAD_FORMAT : 0;
}

int device_name(const Direction& d, int id, char* name) {
    name[0] = '\0';
    if (id < 0 || id >= static_cast<int>(d.devices.size())) {
        return SCRIPTED_BAD_DEVICE;
    }
    std::snprintf(name, WAVE_DEVICE_NAME_CHARS, "%s", d.devices[id].name.c_str());
    return 0;
}

// Counts the call; returns SCRIPTED_REFUSED when the test refuses it.
int enter(ScriptedCall call) {
    ++device.calls[call];
    return device.refuse[call] ? SCRIPTED_REFUSED : 0;
}

// enter(), then a call on a handle that is not d's open device is misuse.
int enter_open(ScriptedCall call, Direction& d, const void* handle) {
    if (int rc = enter(call)) {
        return rc;
    }
    if (handle != handle_of(d) || !d.open) {
        ++device.misuse;
        return SCRIPTED_REFUSED;
    }
    return 0;
}

bool queued(const Direction& d, const WaveHeader* h) {
    return std::find(d.queue, d.queue + d.queued, h) != d.queue + d.queued;
}

// Returns the oldest queued buffer and tells the window, as winmm does with
// CALLBACK_WINDOW.
void give_back(Direction& d) {
    WaveHeader* h = d.queue[0];
    std::copy(d.queue + 1, d.queue + d.queued, d.queue);
    --d.queued;
    HDR_FLAGS(h) = (HDR_FLAGS(h) & ~FLAG_INQUEUE) | FLAG_DONE;
#ifdef _WIN32
    HWND window = static_cast<HWND>(d.window);
    if (window != nullptr && IsWindow(window)) {
        PostMessageA(window, &d == &device.out ? MM_WOM_DONE : MM_WIM_DATA,
                     reinterpret_cast<WPARAM>(handle_of(d)), reinterpret_cast<LPARAM>(h));
    }
#endif
}

int query(Direction& d, ScriptedCall call, int id, const WaveFormat* format) {
    d.format = *format;
    if (int rc = enter(call)) {
        return rc;
    }
    return check_device(d, id);
}

int open(Direction& d,
         ScriptedCall call,
         void** handle,
         int id,
         const WaveFormat* format,
         WindowHandle window) {
    *handle = nullptr;
    d.opens.push_back(id);
    if (int rc = enter(call)) {
        return rc;
    }
    if (int rc = check_device(d, id)) {
        return rc;
    }
    if (d.open) {
        ++device.misuse;
        return SCRIPTED_REFUSED;
    }
    d.open = true;
    d.started = false;
    d.window = window;
    d.format = *format;
    d.queued = 0;
    d.prepared = 0;
    *handle = handle_of(d);
    return 0;
}

int prepare(Direction& d, ScriptedCall call, const void* handle, void* header) {
    if (int rc = enter_open(call, d, handle)) {
        return rc;
    }
    d.prepared += (HDR_FLAGS(hdr(header)) & FLAG_PREPARED) == 0;
    HDR_FLAGS(hdr(header)) |= FLAG_PREPARED;
    return 0;
}

int unprepare(Direction& d, ScriptedCall call, const void* handle, void* header) {
    if (int rc = enter_open(call, d, handle)) {
        return rc;
    }
    if (queued(d, hdr(header))) {
        ++device.misuse;
        return SCRIPTED_STILL_PLAYING;
    }
    d.prepared -= (HDR_FLAGS(hdr(header)) & FLAG_PREPARED) != 0;
    HDR_FLAGS(hdr(header)) &= ~FLAG_PREPARED;
    return 0;
}

int submit(Direction& d, ScriptedCall call, const void* handle, void* header) {
    WaveHeader* h = hdr(header);
    if (int rc = enter_open(call, d, handle)) {
        return rc;
    }
    if ((HDR_FLAGS(h) & FLAG_PREPARED) == 0 || queued(d, h) || d.queued == QUEUE_SLOTS) {
        ++device.misuse;
        return SCRIPTED_REFUSED;
    }
    HDR_FLAGS(h) = (HDR_FLAGS(h) & ~FLAG_DONE) | FLAG_INQUEUE;
    d.queue[d.queued++] = h;
    return 0;
}

int reset(Direction& d, ScriptedCall call, const void* handle) {
    if (int rc = enter_open(call, d, handle)) {
        return rc;
    }
    while (d.queued > 0) {
        HDR_RECORDED(d.queue[0]) = 0;
        give_back(d);
    }
    d.started = false;
    return 0;
}

int close(Direction& d, ScriptedCall call, const void* handle) {
    if (int rc = enter_open(call, d, handle)) {
        return rc;
    }
    if (d.queued > 0) {
        ++device.misuse;
        return SCRIPTED_STILL_PLAYING;
    }
    if (d.prepared > 0) {  // a header prepared on this open outlives it
        ++device.misuse;
    }
    d.open = false;
    d.started = false;
    return 0;
}

}  // namespace

// ---- The test's controls.

void scripted_wave_reset() {
    device.out = Direction{};
    device.in = Direction{};
    std::memset(device.refuse, 0, sizeof device.refuse);
    std::memset(device.calls, 0, sizeof device.calls);
    device.misuse = 0;
    device.keep_output = true;
    device.output_buffers.clear();
    device.input.clear();
    device.input_pos = 0;
}

void scripted_wave_list_devices(const std::vector<ListedDevice>& outputs,
                                const std::vector<ListedDevice>& inputs) {
    device.out.devices = outputs;
    device.in.devices = inputs;
}

const ScriptedDirection& scripted_wave_out() {
    return device.out;
}

const ScriptedDirection& scripted_wave_in() {
    return device.in;
}

void scripted_wave_refuse(ScriptedCall call, int refuse) {
    device.refuse[call] = refuse;
}

int scripted_wave_calls(ScriptedCall call) {
    return device.calls[call];
}

int scripted_wave_misuse() {
    return device.misuse;
}

int scripted_wave_return_output(int count) {
    int returned = 0;
    while (returned < count && device.out.queued > 0) {
        give_back(device.out);
        ++returned;
    }
    return returned;
}

void scripted_wave_keep_output(bool keep) {
    device.keep_output = keep;
}

const std::vector<std::vector<uint8_t>>& scripted_wave_output_buffers() {
    return device.output_buffers;
}

void scripted_wave_supply_input(const uint8_t* bytes, size_t count) {
    device.input.insert(device.input.end(), bytes, bytes + count);
}

size_t scripted_wave_input_left() {
    return device.input.size() - device.input_pos;
}

int scripted_wave_fill_input(int count) {
    if (!device.in.started) {
        return 0;
    }
    int filled = 0;
    while (filled < count && device.in.queued > 0) {
        WaveHeader* h = device.in.queue[0];
        uint8_t* data = reinterpret_cast<uint8_t*>(HDR_DATA(h));
        size_t bytes = HDR_BYTES(h);
        size_t take = scripted_wave_input_left() < bytes ? scripted_wave_input_left() : bytes;
        if (take > 0) {
            std::memcpy(data, device.input.data() + device.input_pos, take);
        }
        std::memset(data + take, 0, bytes - take);
        device.input_pos += take;
        HDR_RECORDED(h) = static_cast<uint32_t>(bytes);
        give_back(device.in);
        ++filled;
    }
    return filled;
}

// ---- platform/wave.h

size_t wave_header_bytes() {
    return sizeof(WaveHeader);
}

void wave_header_init(void* header, void* data, uint32_t bytes) {
    WaveHeader* h = hdr(header);
    std::memset(h, 0, sizeof *h);
    HDR_DATA(h) = static_cast<decltype(HDR_DATA(h))>(data);
    HDR_BYTES(h) = bytes;
}

bool wave_header_done(const void* header) {
    return (HDR_FLAGS(static_cast<const WaveHeader*>(header)) & FLAG_DONE) != 0;
}

int wave_out_device_count() {
    return static_cast<int>(device.out.devices.size());
}

int wave_in_device_count() {
    return static_cast<int>(device.in.devices.size());
}

int wave_out_device_name(int id, char* name) {
    return device_name(device.out, id, name);
}

int wave_in_device_name(int id, char* name) {
    return device_name(device.in, id, name);
}

int wave_out_query(int id, const WaveFormat* format) {
    return query(device.out, CALL_OUT_QUERY, id, format);
}

int wave_out_open(WaveOutHandle* handle, int id, const WaveFormat* format, WindowHandle window) {
    return open(device.out, CALL_OUT_OPEN, reinterpret_cast<void**>(handle), id, format, window);
}

int wave_out_prepare(WaveOutHandle handle, void* header) {
    return prepare(device.out, CALL_OUT_PREPARE, handle, header);
}

int wave_out_unprepare(WaveOutHandle handle, void* header) {
    return unprepare(device.out, CALL_OUT_UNPREPARE, handle, header);
}

int wave_out_write(WaveOutHandle handle, void* header) {
    int rc = submit(device.out, CALL_OUT_WRITE, handle, header);
    if (rc == 0 && device.keep_output) {
        const uint8_t* data = reinterpret_cast<const uint8_t*>(HDR_DATA(hdr(header)));
        device.output_buffers.emplace_back(data, data + HDR_BYTES(hdr(header)));
    }
    return rc;
}

int wave_out_reset(WaveOutHandle handle) {
    return reset(device.out, CALL_OUT_RESET, handle);
}

int wave_out_close(WaveOutHandle handle) {
    return close(device.out, CALL_OUT_CLOSE, handle);
}

int wave_in_query(int id, const WaveFormat* format) {
    return query(device.in, CALL_IN_QUERY, id, format);
}

int wave_in_open(WaveInHandle* handle, int id, const WaveFormat* format, WindowHandle window) {
    return open(device.in, CALL_IN_OPEN, reinterpret_cast<void**>(handle), id, format, window);
}

int wave_in_prepare(WaveInHandle handle, void* header) {
    return prepare(device.in, CALL_IN_PREPARE, handle, header);
}

int wave_in_unprepare(WaveInHandle handle, void* header) {
    return unprepare(device.in, CALL_IN_UNPREPARE, handle, header);
}

int wave_in_add_buffer(WaveInHandle handle, void* header) {
    return submit(device.in, CALL_IN_ADD_BUFFER, handle, header);
}

int wave_in_start(WaveInHandle handle) {
    if (int rc = enter_open(CALL_IN_START, device.in, handle)) {
        return rc;
    }
    device.in.started = true;
    return 0;
}

int wave_in_reset(WaveInHandle handle) {
    return reset(device.in, CALL_IN_RESET, handle);
}

int wave_in_close(WaveInHandle handle) {
    return close(device.in, CALL_IN_CLOSE, handle);
}
