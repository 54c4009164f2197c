#include "platform/wave.h"

#include <cassert>
#include <cstring>

#include "cli/io/file_wave.h"
#include "cli/io/output.h"
#include "cli/io/pcm_source.h"

// The handles' types are only ever pointed to; one object of each stands for
// the one device of each direction.
struct WaveOutDevice {};
struct WaveInDevice {};

namespace {

WaveOutDevice out_token;
WaveInDevice in_token;

// Results with the values of their waveform-audio counterparts.
constexpr int WAVE_OK = 0;
constexpr int WAVE_ERR_BADDEVICEID = 2;    // MMSYSERR_BADDEVICEID
constexpr int WAVE_ERR_INVALHANDLE = 5;    // MMSYSERR_INVALHANDLE
constexpr int WAVE_ERR_ALLOCATED = 4;      // MMSYSERR_ALLOCATED: already open
constexpr int WAVE_ERR_BADFORMAT = 32;     // WAVERR_BADFORMAT
constexpr int WAVE_ERR_STILLPLAYING = 33;  // WAVERR_STILLPLAYING
constexpr int WAVE_ERR_UNPREPARED = 34;    // WAVERR_UNPREPARED

constexpr uint32_t HDR_DONE = 0x01;      // WHDR_DONE: the device has finished with it
constexpr uint32_t HDR_PREPARED = 0x02;  // WHDR_PREPARED
constexpr uint32_t HDR_INQUEUE = 0x10;   // WHDR_INQUEUE

constexpr int QUEUE_SLOTS = 8;  // the ring queues three; room for a few more
constexpr int FORMAT_PCM = 1;
constexpr uint16_t PCM_CHANNELS = 2;
constexpr uint16_t PCM_BITS = 16;

// The device header, the tool's own layout (only this file reads it).
struct FileWaveHeader {
    void* data;
    uint32_t bytes;
    uint32_t flags;
};

// Buffers with the device, oldest first.
struct Queue {
    FileWaveHeader* slot[QUEUE_SLOTS];
    int head;
    int count;
};

struct Device {
    bool open;
    bool started;  // input only
    Queue queue;
};

Device out_dev;
Device in_dev;
uint32_t out_rate;
bool out_failed;
int64_t out_buffers;

FileWaveHeader* hdr(void* header) {
    return static_cast<FileWaveHeader*>(header);
}

bool format_ok(const WaveFormat* f) {
    return f->format_tag == FORMAT_PCM && f->channels == PCM_CHANNELS &&
           f->bits_per_sample == PCM_BITS && f->block_align == PCM_CHANNELS * PCM_BITS / 8 &&
           f->samples_per_sec > 0 && f->avg_bytes_per_sec == f->samples_per_sec * f->block_align;
}

void push(Queue* q, FileWaveHeader* h) {
    assert(q->count < QUEUE_SLOTS);
    q->slot[(q->head + q->count) % QUEUE_SLOTS] = h;
    q->count++;
}

FileWaveHeader* pop(Queue* q) {
    assert(q->count > 0);
    FileWaveHeader* h = q->slot[q->head];
    q->head = (q->head + 1) % QUEUE_SLOTS;
    q->count--;
    return h;
}

// Returns every queued buffer as finished, as a reset does.
void return_all(Queue* q) {
    while (q->count > 0) {
        FileWaveHeader* h = pop(q);
        h->flags = (h->flags & ~HDR_INQUEUE) | HDR_DONE;
    }
}

int prepare(Device* dev, void* header) {
    if (!dev->open) {
        return WAVE_ERR_INVALHANDLE;
    }
    hdr(header)->flags |= HDR_PREPARED;
    return WAVE_OK;
}

int unprepare(Device* dev, void* header) {
    if (!dev->open) {
        return WAVE_ERR_INVALHANDLE;
    }
    FileWaveHeader* h = hdr(header);
    if (h->flags & HDR_INQUEUE) {
        return WAVE_ERR_STILLPLAYING;
    }
    h->flags &= ~HDR_PREPARED;
    return WAVE_OK;
}

int enqueue(Device* dev, void* header) {
    if (!dev->open) {
        return WAVE_ERR_INVALHANDLE;
    }
    FileWaveHeader* h = hdr(header);
    if (!(h->flags & HDR_PREPARED)) {
        return WAVE_ERR_UNPREPARED;
    }
    h->flags = (h->flags & ~HDR_DONE) | HDR_INQUEUE;
    push(&dev->queue, h);
    return WAVE_OK;
}

// Writes one output buffer: its bytes are already little-endian samples.
void write_buffer(const FileWaveHeader* h) {
    if (!out_failed && out_write(h->data, h->bytes) != OUT_OK) {
        out_failed = true;
    }
    out_buffers++;
}

}  // namespace

size_t wave_header_bytes() {
    return sizeof(FileWaveHeader);
}

void wave_header_init(void* header, void* data, uint32_t bytes) {
    FileWaveHeader* h = hdr(header);
    h->data = data;
    h->bytes = bytes;
    h->flags = 0;
}

bool wave_header_done(const void* header) {
    return (static_cast<const FileWaveHeader*>(header)->flags & HDR_DONE) != 0;
}

// The files stand for the default device of each direction; no other device
// is listed.
int wave_out_device_count() {
    return 0;
}

int wave_in_device_count() {
    return 0;
}

int wave_out_device_name(int, char* name) {
    name[0] = '\0';
    return WAVE_ERR_BADDEVICEID;
}

int wave_in_device_name(int, char* name) {
    name[0] = '\0';
    return WAVE_ERR_BADDEVICEID;
}

int wave_out_query(int id, const WaveFormat* format) {
    if (id != WAVE_DEFAULT_DEVICE) {
        return WAVE_ERR_BADDEVICEID;
    }
    return format_ok(format) ? WAVE_OK : WAVE_ERR_BADFORMAT;
}

int wave_out_open(WaveOutHandle* device, int id, const WaveFormat* format, WindowHandle) {
    if (id != WAVE_DEFAULT_DEVICE) {
        return WAVE_ERR_BADDEVICEID;
    }
    if (!format_ok(format)) {
        return WAVE_ERR_BADFORMAT;
    }
    if (out_dev.open) {
        return WAVE_ERR_ALLOCATED;
    }
    out_dev = Device{};
    out_dev.open = true;
    out_rate = format->samples_per_sec;
    *device = &out_token;
    return WAVE_OK;
}

int wave_out_prepare(WaveOutHandle, void* header) {
    return prepare(&out_dev, header);
}

int wave_out_unprepare(WaveOutHandle, void* header) {
    return unprepare(&out_dev, header);
}

int wave_out_write(WaveOutHandle, void* header) {
    int rc = enqueue(&out_dev, header);
    if (rc == WAVE_OK) {
        // The output has no clock: the buffer "plays" the moment it is
        // submitted, so submission order is the order in the output.
        write_buffer(hdr(header));
    }
    return rc;
}

int wave_out_reset(WaveOutHandle) {
    if (!out_dev.open) {
        return WAVE_ERR_INVALHANDLE;
    }
    return_all(&out_dev.queue);
    return WAVE_OK;
}

int wave_out_close(WaveOutHandle) {
    if (!out_dev.open) {
        return WAVE_ERR_INVALHANDLE;
    }
    if (out_dev.queue.count > 0) {
        return WAVE_ERR_STILLPLAYING;
    }
    out_dev.open = false;
    return WAVE_OK;
}

int wave_in_query(int id, const WaveFormat* format) {
    if (id != WAVE_DEFAULT_DEVICE) {
        return WAVE_ERR_BADDEVICEID;
    }
    return format_ok(format) ? WAVE_OK : WAVE_ERR_BADFORMAT;
}

int wave_in_open(WaveInHandle* device, int id, const WaveFormat* format, WindowHandle) {
    if (id != WAVE_DEFAULT_DEVICE) {
        return WAVE_ERR_BADDEVICEID;
    }
    if (!format_ok(format)) {
        return WAVE_ERR_BADFORMAT;
    }
    if (in_dev.open) {
        return WAVE_ERR_ALLOCATED;
    }
    in_dev = Device{};
    in_dev.open = true;
    *device = &in_token;
    return WAVE_OK;
}

int wave_in_prepare(WaveInHandle, void* header) {
    return prepare(&in_dev, header);
}

int wave_in_unprepare(WaveInHandle, void* header) {
    return unprepare(&in_dev, header);
}

int wave_in_add_buffer(WaveInHandle, void* header) {
    return enqueue(&in_dev, header);
}

int wave_in_start(WaveInHandle) {
    if (!in_dev.open) {
        return WAVE_ERR_INVALHANDLE;
    }
    in_dev.started = true;
    return WAVE_OK;
}

int wave_in_reset(WaveInHandle) {
    if (!in_dev.open) {
        return WAVE_ERR_INVALHANDLE;
    }
    return_all(&in_dev.queue);
    in_dev.started = false;
    return WAVE_OK;
}

int wave_in_close(WaveInHandle) {
    if (!in_dev.open) {
        return WAVE_ERR_INVALHANDLE;
    }
    if (in_dev.queue.count > 0) {
        return WAVE_ERR_STILLPLAYING;
    }
    in_dev.open = false;
    return WAVE_OK;
}

bool file_wave_output_done() {
    if (!out_dev.open || out_dev.queue.count == 0) {
        return false;
    }
    FileWaveHeader* h = pop(&out_dev.queue);
    h->flags = (h->flags & ~HDR_INQUEUE) | HDR_DONE;
    return true;
}

bool file_wave_input_filled() {
    if (!in_dev.open || !in_dev.started || in_dev.queue.count == 0) {
        return false;
    }
    FileWaveHeader* h = in_dev.queue.slot[in_dev.queue.head];
    if (pcm_fill(static_cast<uint8_t*>(h->data), static_cast<int32_t>(h->bytes / 2)) == 0) {
        return false;
    }
    pop(&in_dev.queue);
    h->flags = (h->flags & ~HDR_INQUEUE) | HDR_DONE;
    return true;
}

uint32_t file_wave_output_rate() {
    return out_rate;
}

bool file_wave_output_failed() {
    return out_failed;
}

int64_t file_wave_output_buffers() {
    return out_buffers;
}
