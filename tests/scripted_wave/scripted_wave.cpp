#include "tests/scripted_wave/scripted_wave.h"

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
#define HDR_LOOPS(h) (h)->dwLoops
#define HDR_NEXT(h) (h)->lpNext
#define HDR_RESERVED(h) (h)->reserved
constexpr uint32_t FLAG_DONE = WHDR_DONE;
constexpr uint32_t FLAG_PREPARED = WHDR_PREPARED;
constexpr uint32_t FLAG_INQUEUE = WHDR_INQUEUE;
#else
#define HDR_DATA(h) (h)->data
#define HDR_BYTES(h) (h)->bytes
#define HDR_RECORDED(h) (h)->bytes_recorded
#define HDR_FLAGS(h) (h)->flags
#define HDR_LOOPS(h) (h)->loops
#define HDR_NEXT(h) (h)->next
#define HDR_RESERVED(h) (h)->reserved
constexpr uint32_t FLAG_DONE = WAVE_HEADER_DONE;
constexpr uint32_t FLAG_PREPARED = WAVE_HEADER_PREPARED;
constexpr uint32_t FLAG_INQUEUE = WAVE_HEADER_INQUEUE;
#endif

constexpr int QUEUE_SLOTS = 16;

// A FIFO of headers submitted to one direction.
struct HeaderQueue {
    WaveHeader* slots[QUEUE_SLOTS];
    int head;
    int count;
};

struct Direction {
    std::vector<ListedDevice> devices;
    std::vector<int> opens;
    bool open;
    bool started;
    WindowHandle window;
    WaveFormat format;
    HeaderQueue queue;
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

// The handles given out: addresses that are never dereferenced.
WaveOutDevice* const OUT_HANDLE = reinterpret_cast<WaveOutDevice*>(&device.out);
WaveInDevice* const IN_HANDLE = reinterpret_cast<WaveInDevice*>(&device.in);

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

bool queued(const HeaderQueue& q, const WaveHeader* h) {
    for (int i = 0; i < q.count; ++i) {
        if (q.slots[(q.head + i) % QUEUE_SLOTS] == h) {
            return true;
        }
    }
    return false;
}

void push(HeaderQueue& q, WaveHeader* h) {
    if (q.count == QUEUE_SLOTS) {
        ++device.misuse;
        return;
    }
    q.slots[(q.head + q.count) % QUEUE_SLOTS] = h;
    ++q.count;
}

WaveHeader* pop(HeaderQueue& q) {
    WaveHeader* h = q.slots[q.head];
    q.head = (q.head + 1) % QUEUE_SLOTS;
    --q.count;
    return h;
}

// Marks a buffer returned and tells the window, as winmm does with
// CALLBACK_WINDOW.
void give_back(Direction& d, WaveHeader* h, bool output) {
    HDR_FLAGS(h) = (HDR_FLAGS(h) & ~FLAG_INQUEUE) | FLAG_DONE;
#ifdef _WIN32
    HWND window = static_cast<HWND>(d.window);
    if (window != nullptr && IsWindow(window)) {
        if (output) {
            PostMessageA(window, MM_WOM_DONE, reinterpret_cast<WPARAM>(OUT_HANDLE),
                         reinterpret_cast<LPARAM>(h));
        } else {
            PostMessageA(window, MM_WIM_DATA, reinterpret_cast<WPARAM>(IN_HANDLE),
                         reinterpret_cast<LPARAM>(h));
        }
    }
#else
    (void)d;
    (void)output;
#endif
}

int open_direction(Direction& d, const WaveFormat* format, WindowHandle window) {
    if (d.open) {
        ++device.misuse;
        return SCRIPTED_REFUSED;
    }
    d.open = true;
    d.started = false;
    d.window = window;
    d.format = *format;
    d.queue.head = 0;
    d.queue.count = 0;
    return 0;
}

int prepare(Direction& d, void* header) {
    if (!d.open) {
        ++device.misuse;
        return SCRIPTED_REFUSED;
    }
    HDR_FLAGS(hdr(header)) |= FLAG_PREPARED;
    return 0;
}

int unprepare(Direction& d, void* header) {
    WaveHeader* h = hdr(header);
    if (!d.open) {
        ++device.misuse;
        return SCRIPTED_REFUSED;
    }
    if (queued(d.queue, h)) {
        ++device.misuse;
        return SCRIPTED_STILL_PLAYING;
    }
    HDR_FLAGS(h) &= ~FLAG_PREPARED;
    return 0;
}

int submit(Direction& d, void* header) {
    WaveHeader* h = hdr(header);
    if (!d.open || (HDR_FLAGS(h) & FLAG_PREPARED) == 0 || queued(d.queue, h)) {
        ++device.misuse;
        return SCRIPTED_REFUSED;
    }
    HDR_FLAGS(h) = (HDR_FLAGS(h) & ~FLAG_DONE) | FLAG_INQUEUE;
    push(d.queue, h);
    return 0;
}

int reset(Direction& d, bool output) {
    if (!d.open) {
        ++device.misuse;
        return SCRIPTED_REFUSED;
    }
    while (d.queue.count > 0) {
        WaveHeader* h = pop(d.queue);
        if (!output) {
            HDR_RECORDED(h) = 0;
        }
        give_back(d, h, output);
    }
    d.started = false;
    return 0;
}

int close(Direction& d) {
    if (!d.open) {
        ++device.misuse;
        return SCRIPTED_REFUSED;
    }
    if (d.queue.count > 0) {
        ++device.misuse;
        return SCRIPTED_STILL_PLAYING;
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

const std::vector<int>& scripted_wave_out_opens() {
    return device.out.opens;
}

const std::vector<int>& scripted_wave_in_opens() {
    return device.in.opens;
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

bool scripted_wave_out_open() {
    return device.out.open;
}

WaveFormat scripted_wave_out_format() {
    return device.out.format;
}

int scripted_wave_out_queued() {
    return device.out.queue.count;
}

int scripted_wave_return_output(int count) {
    int returned = 0;
    while (returned < count && device.out.queue.count > 0) {
        give_back(device.out, pop(device.out.queue), true);
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

void scripted_wave_clear_output_buffers() {
    device.output_buffers.clear();
}

bool scripted_wave_in_open() {
    return device.in.open;
}

bool scripted_wave_in_started() {
    return device.in.started;
}

WaveFormat scripted_wave_in_format() {
    return device.in.format;
}

int scripted_wave_in_queued() {
    return device.in.queue.count;
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
    while (filled < count && device.in.queue.count > 0) {
        WaveHeader* h = pop(device.in.queue);
        uint8_t* data = reinterpret_cast<uint8_t*>(HDR_DATA(h));
        size_t bytes = HDR_BYTES(h);
        size_t take = scripted_wave_input_left() < bytes ? scripted_wave_input_left() : bytes;
        if (take > 0) {
            std::memcpy(data, device.input.data() + device.input_pos, take);
        }
        std::memset(data + take, 0, bytes - take);
        device.input_pos += take;
        HDR_RECORDED(h) = static_cast<uint32_t>(bytes);
        give_back(device.in, h, false);
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
    HDR_DATA(h) = static_cast<decltype(HDR_DATA(h))>(data);
    HDR_BYTES(h) = bytes;
    HDR_FLAGS(h) = 0;
    HDR_LOOPS(h) = 0;
    HDR_NEXT(h) = nullptr;
    HDR_RESERVED(h) = 0;
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
    device.out.format = *format;
    if (int rc = enter(CALL_OUT_QUERY)) {
        return rc;
    }
    return check_device(device.out, id);
}

int wave_out_open(WaveOutHandle* handle, int id, const WaveFormat* format, WindowHandle window) {
    *handle = nullptr;
    device.out.opens.push_back(id);
    if (int rc = enter(CALL_OUT_OPEN)) {
        return rc;
    }
    if (int rc = check_device(device.out, id)) {
        return rc;
    }
    int rc = open_direction(device.out, format, window);
    if (rc == 0) {
        *handle = OUT_HANDLE;
    }
    return rc;
}

int wave_out_prepare(WaveOutHandle handle, void* header) {
    if (int rc = enter(CALL_OUT_PREPARE)) {
        return rc;
    }
    if (handle != OUT_HANDLE) {
        ++device.misuse;
        return SCRIPTED_REFUSED;
    }
    return prepare(device.out, header);
}

int wave_out_unprepare(WaveOutHandle handle, void* header) {
    if (int rc = enter(CALL_OUT_UNPREPARE)) {
        return rc;
    }
    if (handle != OUT_HANDLE) {
        ++device.misuse;
        return SCRIPTED_REFUSED;
    }
    return unprepare(device.out, header);
}

int wave_out_write(WaveOutHandle handle, void* header) {
    if (int rc = enter(CALL_OUT_WRITE)) {
        return rc;
    }
    if (handle != OUT_HANDLE) {
        ++device.misuse;
        return SCRIPTED_REFUSED;
    }
    int rc = submit(device.out, header);
    if (rc == 0 && device.keep_output) {
        const uint8_t* data = reinterpret_cast<const uint8_t*>(HDR_DATA(hdr(header)));
        device.output_buffers.emplace_back(data, data + HDR_BYTES(hdr(header)));
    }
    return rc;
}

int wave_out_reset(WaveOutHandle handle) {
    if (int rc = enter(CALL_OUT_RESET)) {
        return rc;
    }
    if (handle != OUT_HANDLE) {
        ++device.misuse;
        return SCRIPTED_REFUSED;
    }
    return reset(device.out, true);
}

int wave_out_close(WaveOutHandle handle) {
    if (int rc = enter(CALL_OUT_CLOSE)) {
        return rc;
    }
    if (handle != OUT_HANDLE) {
        ++device.misuse;
        return SCRIPTED_REFUSED;
    }
    return close(device.out);
}

int wave_in_query(int id, const WaveFormat* format) {
    device.in.format = *format;
    if (int rc = enter(CALL_IN_QUERY)) {
        return rc;
    }
    return check_device(device.in, id);
}

int wave_in_open(WaveInHandle* handle, int id, const WaveFormat* format, WindowHandle window) {
    *handle = nullptr;
    device.in.opens.push_back(id);
    if (int rc = enter(CALL_IN_OPEN)) {
        return rc;
    }
    if (int rc = check_device(device.in, id)) {
        return rc;
    }
    int rc = open_direction(device.in, format, window);
    if (rc == 0) {
        *handle = IN_HANDLE;
    }
    return rc;
}

int wave_in_prepare(WaveInHandle handle, void* header) {
    if (int rc = enter(CALL_IN_PREPARE)) {
        return rc;
    }
    if (handle != IN_HANDLE) {
        ++device.misuse;
        return SCRIPTED_REFUSED;
    }
    return prepare(device.in, header);
}

int wave_in_unprepare(WaveInHandle handle, void* header) {
    if (int rc = enter(CALL_IN_UNPREPARE)) {
        return rc;
    }
    if (handle != IN_HANDLE) {
        ++device.misuse;
        return SCRIPTED_REFUSED;
    }
    return unprepare(device.in, header);
}

int wave_in_add_buffer(WaveInHandle handle, void* header) {
    if (int rc = enter(CALL_IN_ADD_BUFFER)) {
        return rc;
    }
    if (handle != IN_HANDLE) {
        ++device.misuse;
        return SCRIPTED_REFUSED;
    }
    return submit(device.in, header);
}

int wave_in_start(WaveInHandle handle) {
    if (int rc = enter(CALL_IN_START)) {
        return rc;
    }
    if (handle != IN_HANDLE || !device.in.open) {
        ++device.misuse;
        return SCRIPTED_REFUSED;
    }
    device.in.started = true;
    return 0;
}

int wave_in_reset(WaveInHandle handle) {
    if (int rc = enter(CALL_IN_RESET)) {
        return rc;
    }
    if (handle != IN_HANDLE) {
        ++device.misuse;
        return SCRIPTED_REFUSED;
    }
    return reset(device.in, false);
}

int wave_in_close(WaveInHandle handle) {
    if (int rc = enter(CALL_IN_CLOSE)) {
        return rc;
    }
    if (handle != IN_HANDLE) {
        ++device.misuse;
        return SCRIPTED_REFUSED;
    }
    return close(device.in);
}
