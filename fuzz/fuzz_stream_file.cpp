// Opens arbitrary bytes as a stream file and walks, navigates, measures and
// records into it. Any file must leave the store inside its window and the
// caller's buffer, end every walk and never crash. The first byte chooses the
// preferences and the moves; the rest is the file.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

#include "bitstream/time_code.h"
#include "common/burst.h"
#include "common/result.h"
#include "settings/prefs.h"
#include "streamfile/stream_file.h"

namespace {

// The store's promise: the position never passes the length while reading.
void check_position() {
    StreamFile f;
    stream_get_file(&f);
    if (stream_get_position() < 0 || stream_get_position() > f.length)
        __builtin_trap();
}

// Fetches until the end; every fetch moves on, so this ends.
void walk(Word* out) {
    int32_t last = -1;
    while (stream_next_frame(out) != 0) {
        if (stream_get_position() <= last)
            __builtin_trap();
        last = stream_get_position();
    }
    check_position();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = "/tmp/fuzz_stream_file_" + std::to_string(getpid()) + ".ac3";
    // Exactly the size the interface asks for, so that any overrun is caught.
    static Word* out = new Word[MAX_RECORD_WORDS];

    uint8_t control = size > 0 ? data[0] : 0;
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr)
        return 0;
    if (size > 1)
        std::fwrite(data + 1, 1, size - 1, f);
    std::fclose(f);

    set_err_check(control & 1);
    set_rec_format((control >> 1) % 3);
    set_require_tc((control >> 3) & 1);
    reset_frame_info();
    if (control & 0x10)
        reset_frame_info();  // moves before any frame is parsed

    if (stream_open(path.c_str(), 0) == RC_OK) {
        walk(out);
        stream_seek(0, SEEK_TO_START);
        int32_t step = static_cast<int8_t>(control);
        stream_seek(step, SEEK_BY_FRAMES);
        check_position();
        walk(out);
        stream_seek(-step / 2 - 1, SEEK_BY_FRAMES);
        check_position();
        stream_end_time_code();
        check_position();
        stream_seek(1 - step, SEEK_BY_FRAMES);
        stream_next_frame(out);
        stream_measure();

        // Record over the rest from where the moves left off: a packet and a
        // frame taken from the file's own first words.
        stream_cut_at_position();
        stream_resume();
        Word payload[64] = {};
        for (size_t i = 0; i < 64 && 1 + 2 * i + 1 < size; ++i)
            payload[i] = static_cast<Word>(data[1 + 2 * i] << 8 | data[2 + 2 * i]);
        Word packet[TIME_CODE_PACKET_WORDS] = {};
        stream_write(packet, TIME_CODE_PACKET_WORDS, PACKET_TIME_CODE);
        stream_write(payload, 64, PACKET_AC3_FRAME);
        stream_write(payload, 64, PACKET_AC3_FRAME);
        stream_truncate();
        stream_measure();
        stream_seek(0, SEEK_TO_START);
        walk(out);
        stream_close();
    }
    std::remove(path.c_str());
    return 0;
}
