// Opens arbitrary bytes as a stream file and walks, navigates, measures and
// records into it. Any file must leave the store inside its window and the
// caller's buffer, end every walk and never crash. The first byte chooses the
// preferences and the moves; the rest is the file, or, after GROW_MAGIC, a
// description of a long file (see grow), so that small inputs reach many
// windows.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>
#include <vector>

#include "bitstream/time_code.h"
#include "common/burst.h"
#include "common/file_format.h"
#include "common/result.h"
#include "settings/prefs.h"
#include "streamfile/stream_file.h"
#include "tests/support/test_frames.h"

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

// The walk of convert --resync: a confirmed record is fetched whole, anything
// else is skipped; every step moves on, so this ends.
void walk_confirmed(Word* out) {
    stream_seek(0, SEEK_TO_START);
    int32_t last = -1;
    for (;;) {
        int check = stream_check_record();
        if (check > RECORD_NONE)
            stream_resync();
        else if ((stream_next_frame(out) != 0) != (check == RECORD_CONFIRMED))
            __builtin_trap();
        else if (check == RECORD_NONE)
            break;
        if (stream_get_position() <= last)
            __builtin_trap();
        last = stream_get_position();
    }
    check_position();
}

constexpr uint8_t GROW_MAGIC = 'G';           // stream files begin 0B, 77 or with the marker's 01
constexpr size_t GROWN_BYTES_MAX = 1u << 18;  // four windows: long enough, still fast
constexpr int FRMSIZECOD_VALID = 38;

void put_words(std::vector<uint8_t>* file, const std::vector<Word>& words, bool high_first) {
    size_t at = file->size();
    file->resize(at + 2 * words.size());
    uint8_t* out = file->data() + at;
    for (Word w : words) {
        *out++ = static_cast<uint8_t>(high_first ? w >> 8 : w & 0xFF);
        *out++ = static_cast<uint8_t>(high_first ? w & 0xFF : w >> 8);
    }
}

// A file grown from a description: a layout byte (FileFormat, modulo 3), then
// runs of four bytes: the frame's codes (fscod in bits 0-1, modulo 3;
// frmsizecod in bits 2-7, modulo 38), the number of copies (1 + 4 x the
// byte), the damage every n-th copy takes, and a seed for the content and
// the channel mode.
// Damage, in bits 0-2: none, a flipped bit (CRC), a record cut in half, stray
// words ahead of it, an invalid size code, the reserved sample rate, a false
// sync word inside the frame, a lost time code marker; bits 3-7 give n - 1.
std::vector<uint8_t> grow(const uint8_t* p, size_t n) {
    std::vector<uint8_t> file;
    if (n == 0)
        return file;
    int layout = p[0] % 3;
    bool high_first = layout != FORMAT_PC;
    int record = 0;
    for (size_t i = 1; i + 4 <= n && file.size() < GROWN_BYTES_MAX; i += 4) {
        FrameSpec shape;
        shape.fscod = (p[i] & 3) % 3;
        shape.frmsizecod = (p[i] >> 2) % FRMSIZECOD_VALID;
        shape.acmod = p[i + 3] & 7;
        shape.lfeon = (p[i + 3] >> 3) & 1;
        shape.seed = p[i + 3];
        const std::vector<Word> frame = make_frame(shape);
        std::vector<uint8_t> whole;
        put_words(&whole, frame, high_first);
        int copies = 1 + 4 * p[i + 1];
        int kind = p[i + 2] & 7;
        int every = 1 + (p[i + 2] >> 3);
        for (int c = 0; c < copies && file.size() < GROWN_BYTES_MAX; ++c, ++record) {
            bool damaged = kind != 0 && c % every == every - 1;
            if (layout == FORMAT_NORMAL_TC) {
                std::vector<Word> t = make_time_code_packet(1, record / 1500 % 60, record / 25 % 60,
                                                            record % 25, 0, 3, 0);
                Word marker = damaged && kind == 7 ? 0x0111 : 0x0110;
                put_words(&file, {marker, t[0], t[1], t[2], t[3], t[4], t[5], t[7]}, true);
            }
            if (!damaged) {
                file.insert(file.end(), whole.begin(), whole.end());
                continue;
            }
            std::vector<Word> f = frame;
            size_t at = (f.size() / 2 + static_cast<size_t>(c)) % f.size();
            switch (kind) {
                case 1:
                    f[at] ^= static_cast<Word>(1u << (c % 16));
                    break;
                case 2:
                    f.resize(f.size() / 2);
                    break;
                case 3:
                    put_words(&file, std::vector<Word>(1 + c % 7, 0x7700), high_first);
                    break;
                case 4:
                    f[2] = static_cast<Word>(f[2] | 0x3F00);  // frmsizecod 63
                    break;
                case 5:
                    f[2] = static_cast<Word>(f[2] | 0xC000);  // fscod 3
                    break;
                case 6:
                    f[at] = AC3_SYNC_WORD;
                    break;
                default:
                    break;
            }
            put_words(&file, f, high_first);
        }
    }
    return file;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = "/tmp/fuzz_stream_file_" + std::to_string(getpid()) + ".ac3";
    // Exactly the size the interface asks for, so that any overrun is caught.
    static Word* out = new Word[MAX_RECORD_WORDS];

    uint8_t control = size > 0 ? data[0] : 0;
    std::vector<uint8_t> grown;
    const uint8_t* bytes = size > 1 ? data + 1 : data;
    size_t count = size > 1 ? size - 1 : 0;
    if (count > 0 && bytes[0] == GROW_MAGIC) {
        grown = grow(bytes + 1, count - 1);
        bytes = grown.data();
        count = grown.size();
    }
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr)
        return 0;
    if (count > 0)
        std::fwrite(bytes, 1, count, f);
    std::fclose(f);

    set_err_check(control & 1);
    set_rec_format((control >> 1) % 3);
    set_require_tc((control >> 3) & 1);
    reset_frame_info();
    if (control & 0x10)
        reset_frame_info();  // moves before any frame is parsed

    if (stream_open(path.c_str(), 0) == RC_OK) {
        walk(out);
        walk_confirmed(out);
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
        for (size_t i = 0; i < 64 && 2 * i + 1 < count; ++i)
            payload[i] = static_cast<Word>(bytes[2 * i] << 8 | bytes[2 * i + 1]);
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
