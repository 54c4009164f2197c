// Stream file reader and navigation: opening, recognising, the window of file
// words, the frame fetch, measuring, moving by frames and closing.
#include "streamfile/stream_file.h"

#include <cassert>
#include <cstring>

#include "bitstream/frame_crc.h"
#include "bitstream/frame_parser.h"
#include "bitstream/time_code.h"
#include "common/burst.h"
#include "common/file_format.h"
#include "common/result.h"
#include "settings/prefs.h"
#include "streamfile/stream_format.h"
#include "streamfile/stream_store.h"

StreamStore stream_store = {};

namespace {

constexpr int32_t WINDOW_BYTES = WINDOW_WORDS * static_cast<int32_t>(sizeof(Word));

StreamStore& s = stream_store;

bool is_open() {
    return s.handle != nullptr && s.window != nullptr;
}

// Words of a record that come before its frame.
int32_t packet_words() {
    return s.file.format == FORMAT_NORMAL_TC ? TIME_CODE_PACKET_WORDS : 0;
}

// The largest record of the file's layout: the fetch never copies a record the
// window does not hold whole.
int32_t largest_record_words() {
    return REFILL_THRESHOLD + packet_words();
}

// Hands the record at the cursor to the bitstream layer without consuming it.
// The window keeps the packet in file order, so dispatching the same record
// twice decodes the same packet. The fetch refills while fewer than the
// layout's largest record remain, so that record always fits from the cursor
// on (a record of the other layouts may start 8 words nearer the end).
void dispatch_record() {
    assert(s.cursor >= 0 && s.cursor + largest_record_words() <= WINDOW_WORDS);
    const Word* at = s.window + s.cursor;
    if (s.file.format == FORMAT_NORMAL_TC) {
        Word packet[TIME_CODE_PACKET_WORDS];
        std::memcpy(packet, at, sizeof packet);
        packet_to_stream_order(packet);
        dispatch_packet(packet, PACKET_TIME_CODE);
        dispatch_packet(at + TIME_CODE_PACKET_WORDS, PACKET_AC3_FRAME);
    } else {
        dispatch_packet(at, PACKET_AC3_FRAME);
    }
}

void seek_to_end() {
    int32_t end = mmfile_seek(s.handle, 0, MMF_SEEK_END);
    s.file_pointer = end;
    s.position = s.window_end = s.file.length;
    s.cursor = 0;
}

void seek_to_word_0() {
    store_seek_to(0);
    s.position = s.window_end = 0;
    s.cursor = 0;
}

// Moves by n frames with the resynchronising scan. Returns true when it
// landed on a record and dispatched it.
bool move_by_frames(int32_t n) {
    FrameInfo info;
    get_frame_info(&info);
    int64_t record = info.frame_words;
    if (record <= 0) {
        // No frame parsed yet: step by the file's nominal frame size, so that a
        // move still goes the way it was asked to.
        double w = s.file.words_per_frame;
        if (!(w > 0.0 && w <= REFILL_THRESHOLD))
            w = DEFAULT_WORDS_PER_FRAME;
        record = static_cast<int64_t>(w + 0.5);
    }
    record += packet_words();

    int64_t step = static_cast<int64_t>(n) * record;
    int64_t target = s.position + step;
    if (step < 0)
        target -= 1;  // from a record's start, land inside the previous one
    if (target <= 0) {
        seek_to_word_0();
        stream_refill();
        return false;
    }
    if (target >= s.file.length) {
        seek_to_end();
        return false;
    }

    s.position = static_cast<int32_t>(target);
    int32_t count = stream_refill();
    Word sought = s.file.format == FORMAT_NORMAL_TC ? TC_MARKER : AC3_SYNC_WORD;
    for (int32_t i = 0; i < count; ++i) {
        if (s.window[s.cursor] == sought) {
            stream_refill();
            dispatch_record();
            return true;
        }
        ++s.cursor;
        ++s.position;
    }
    return false;
}

// Fills the window from word kept on with the file's words from position +
// kept on; window[0 .. kept) already holds the words before them, read and
// exchanged. A failed read leaves the window empty. Returns the words the
// window holds from position on.
int32_t fill_window(int32_t kept) {
    int32_t count = 0;
    bool read = false;
    if (store_seek_to(2 * (static_cast<int64_t>(s.position) + kept))) {
        int32_t bytes = mmfile_read(s.handle, s.window + kept, WINDOW_BYTES - 2 * kept);
        if (bytes >= 0) {
            s.file_pointer += bytes;
            count = bytes / 2;
            read = true;
        } else {
            s.file_pointer = -1;
        }
    }
    if (!read) {
        // Told apart from the end of the file by stream_read_error_at.
        if (s.read_failed == 0) {
            s.read_failed = 1;
            s.failed_at = s.position + kept;
        }
        kept = 0;
    }
    if (s.file.format != FORMAT_PC)
        swap_words(s.window + kept, s.window + kept, count);
    count += kept;
    s.window_end = s.position + count;
    s.cursor = 0;
    // What lies past the words read is not in the file: zeros, never the
    // words of an earlier window.
    if (count < WINDOW_WORDS)
        std::memset(s.window + count, 0, (WINDOW_WORDS - count) * sizeof(Word));
    switch (s.file.format) {
        case FORMAT_NORMAL_TC:
            set_time_code_valid(1);
            break;
        case FORMAT_NORMAL:
        case FORMAT_PC:
            set_time_code_valid(0);
            break;
        default:
            break;
    }
    return count;
}

// The fetch's refill: the words not fetched yet move to the window's start
// and only the file's words after them are read, so that a walk through the
// file reads each word once and never moves the file pointer back.
int32_t refill_ahead() {
    int32_t kept = s.window_end - s.position;
    if (kept <= 0 || s.cursor + kept > WINDOW_WORDS)
        return stream_refill();
    std::memmove(s.window, s.window + s.cursor, static_cast<size_t>(kept) * sizeof(Word));
    return fill_window(kept);
}

// Words a record check looks at: the largest record and the start of the
// record after it.
int32_t check_words() {
    return largest_record_words() + packet_words() + 1;
}

// Makes the window hold check_words() words from the position on, or all
// the file has left there; returns the words it holds from the position.
int32_t make_room() {
    int32_t held = s.window_end - s.position;
    if ((held < check_words() && s.window_end < s.file.length) ||
        s.cursor + check_words() > WINDOW_WORDS)
        held = refill_ahead();
    return held;
}

bool begins_record(const Word* at) {
    if (packet_words() == 0)
        return at[0] == AC3_SYNC_WORD;
    return at[0] == TC_MARKER && at[packet_words()] == AC3_SYNC_WORD;
}

// The frame size in words that the header of the record at `at` gives, read
// as the parser reads it; 0 when it gives none.
int32_t frame_words_at(const Word* at) {
    const Word codes = at[packet_words() + 2];
    return frame_words_for(codes >> 14, (codes >> 8) & 0x3F);
}

// True when a record begins at `at`, lies whole within the held words, and
// its frame's CRC checks.
bool record_checks(const Word* at, int32_t held) {
    if (held < packet_words() + FRAME_HEADER_WORDS || !begins_record(at))
        return false;
    FrameInfo frame = {};
    frame.frame_words = frame_words_at(at);
    return frame.frame_words > 0 && packet_words() + frame.frame_words <= held &&
           check_frame_crc(at + packet_words(), &frame) == 0;
}

// stream_check_record on the words the window holds from the cursor on.
int check_record(int32_t held) {
    if (held <= 0)
        return RECORD_NONE;
    const int32_t before = packet_words();
    if (held < before + FRAME_HEADER_WORDS)
        return RECORD_CUT_SHORT;
    const Word* at = s.window + s.cursor;
    if (!begins_record(at))
        return RECORD_NOT_BEGUN;
    const int32_t frame = frame_words_at(at);
    if (frame <= 0)
        return RECORD_NO_SIZE;
    const int32_t record = before + frame;
    if (record > held)
        return RECORD_CUT_SHORT;
    if (record_checks(at, held))
        return RECORD_CONFIRMED;
    // A damaged frame between two records, or at the end, is still taken;
    // but a record cut short at an edit can claim a size that ends where a
    // later record ends, and the whole record it hides is kept instead.
    if (static_cast<int64_t>(s.position) + record != s.file.length &&
        !(record + before + 1 <= held && begins_record(at + record)))
        return RECORD_UNCONFIRMED;
    for (int32_t i = 1; i < record; ++i) {
        if (record_checks(at + i, held - i))
            return RECORD_UNCONFIRMED;
    }
    return RECORD_CONFIRMED;
}

void release_window() {
    if (s.block != nullptr) {
        if (s.window != nullptr)
            memblock_unlock(s.block);
        memblock_free(s.block);
    }
    s.block = nullptr;
    s.window = nullptr;
}

void reset_positions() {
    s.position = s.window_end = s.cursor = 0;
    s.pending = 0;
    s.resume_flag = 0;
    s.file_pointer = 0;
    s.created = 0;
    s.read_failed = 0;
    s.failed_at = 0;
}

// Undoes an open that found the file unusable; returns rc.
int refuse_open(int rc) {
    release_window();
    mmfile_close(s.handle);
    s.handle = nullptr;
    reset_positions();
    return rc;
}

}  // namespace

bool store_seek_to(int64_t byte) {
    if (s.handle == nullptr || byte < 0 || byte > INT32_MAX)
        return false;
    if (s.file_pointer == byte)
        return true;
    int32_t at = mmfile_seek(s.handle, static_cast<int32_t>(byte), MMF_SEEK_SET);
    s.file_pointer = at;
    return at == byte;
}

int32_t count_frames(int32_t length, double w) {
    // A record with time code is 8 words longer than its frame; counted by the
    // frame alone, an hour-long file would show about a thousand frames too many.
    double record = w + packet_words();
    return static_cast<int32_t>(static_cast<double>(length) / record + 0.5);
}

double frame_size_rule(const FrameInfo& info) {
    if (info.fscod < 0 || info.fscod >= FSCOD_COUNT || info.frmsizecod < 0 ||
        info.frmsizecod >= FRMSIZECOD_COUNT)
        return DEFAULT_WORDS_PER_FRAME;
    // Samples per frame over the sample rate, times the bit rate, in 16-bit words.
    long double w =
        1536.0L / SAMPLE_RATE_HZ[info.fscod] * BIT_RATE_KBPS[info.frmsizecod] * 1000.0L / 16.0L;
    double words = static_cast<double>(w);
    if (!(words > 0.0))
        return DEFAULT_WORDS_PER_FRAME;
    return words;
}

int stream_open(const char* path, int read_only) {
    assert(path != nullptr);
    assert(s.handle == nullptr && s.window == nullptr);  // stream_close first
    if (s.handle != nullptr || s.window != nullptr)
        stream_close();

    // A name cut short would open another file.
    size_t n = strnlen(path, STREAM_NAME_CHARS);
    if (n >= static_cast<size_t>(STREAM_NAME_CHARS))
        return RC_OPEN_FAILED;
    std::memcpy(s.file.name, path, n + 1);
    s.file.read_only = read_only != 0 ? 1 : 0;
    s.file.length = 0;
    s.file.frame_count = 0;
    reset_positions();

    bool existed = mmfile_exists(path);
    // Its words would lie past what 32-bit byte offsets reach: refused whole
    // rather than read cut short.
    if (existed && file_size_bytes(path) / 2 > MAX_FILE_WORDS)
        return RC_FILE_TOO_LARGE;
    MmFileHandle handle;
    if (existed) {
        handle = mmfile_open(path, read_only != 0 ? MMF_READ : MMF_READWRITE, nullptr);
        if (handle == nullptr && read_only == 0) {
            // Cannot write it (locked, read-only): play it at least.
            handle = mmfile_open(path, MMF_READ, nullptr);
            s.file.read_only = 1;
        }
    } else {
        s.file.read_only = 0;
        handle = mmfile_open(path, MMF_CREATE_READWRITE, nullptr);
    }
    if (handle == nullptr)
        return RC_OPEN_FAILED;

    MemBlockHandle block = memblock_alloc(WINDOW_BYTES);
    Word* window = block != nullptr ? static_cast<Word*>(memblock_lock(block)) : nullptr;
    if (window == nullptr) {
        memblock_free(block);
        mmfile_close(handle);
        if (!existed)
            mmfile_delete(path);  // leave no trace of a file made just now
        return RC_OPEN_FAILED;
    }
    s.handle = handle;
    s.block = block;
    s.window = window;
    s.created = existed ? 0 : 1;

    if (!existed) {
        s.file.format = get_rec_format();
        return RC_OK;
    }
    // Read the first window without byte exchange for recognition.
    s.file.format = FORMAT_PC;
    int32_t count = stream_refill();
    if (count == 0) {
        // Words on disk that no read returns: an unreadable file, not an
        // empty one.
        if (file_size_bytes(path) >= 2)
            return refuse_open(RC_OPEN_FAILED);
        s.file.format = get_rec_format();
        return RC_OK;
    }
    FileFormat format = detect_format(s.window, count);
    if (format == FORMAT_INVALID)
        return refuse_open(RC_INVALID_FORMAT);
    s.file.format = format;
    s.file.words_per_frame = stream_measure();
    // A file whose length cannot be found is unreadable, not empty.
    if (s.file_pointer < 0)
        return refuse_open(RC_OPEN_FAILED);
    return RC_OK;
}

int stream_close() {
    if (s.handle != nullptr) {
        // Only a file that this open made and that is still empty is removed
        // (a recording that recorded nothing). One that was there before is
        // somebody's, even empty, or emptied by another program meanwhile.
        int32_t size = mmfile_seek(s.handle, 0, MMF_SEEK_END);
        mmfile_close(s.handle);
        s.handle = nullptr;
        if (size == 0 && s.created != 0 && s.file.read_only == 0)
            mmfile_delete(s.file.name);
    }
    release_window();
    reset_positions();
    s.file.length = 0;
    s.file.frame_count = 0;
    return RC_OK;
}

int32_t stream_refill() {
    if (!is_open())
        return 0;
    return fill_window(0);
}

int32_t stream_next_frame(Word* out) {
    assert(out != nullptr);
    if (!is_open())
        return 0;
    if (s.window_end - s.position < largest_record_words() && refill_ahead() == 0)
        return 0;
    int32_t available = s.window_end - s.position;
    int32_t before = packet_words();
    if (available < before + FRAME_HEADER_WORDS)
        return 0;
    dispatch_record();
    FrameInfo info;
    get_frame_info(&info);
    int32_t frame = info.frame_words;
    if (frame <= 0)
        return 0;
    int32_t record = before + frame;
    // A last record that the end of the file cuts short ends the walk.
    if (record > available)
        return 0;
    std::memcpy(out, s.window + s.cursor, static_cast<size_t>(record) * sizeof(Word));
    if (before > 0)
        packet_to_stream_order(out);
    s.cursor += record;
    s.position += record;
    return frame;
}

double stream_measure() {
    if (!is_open())
        return DEFAULT_WORDS_PER_FRAME;
    if (stream_refill() > 0)
        dispatch_record();
    int32_t end = mmfile_seek(s.handle, 0, MMF_SEEK_END);
    s.file_pointer = end;
    if (end >= 0)
        s.file.length = end / 2;
    FrameInfo info;
    get_frame_info(&info);
    if (info.frame_words <= 0)
        return DEFAULT_WORDS_PER_FRAME;
    double w = frame_size_rule(info);
    s.file.frame_count = count_frames(s.file.length, w);
    return w;
}

int stream_seek(int32_t n, int mode) {
    if (!is_open())
        return RC_OK;
    switch (mode) {
        case SEEK_TO_START:
            seek_to_word_0();
            if (s.file.length != 0) {
                if (stream_refill() > 0)
                    dispatch_record();
            } else {
                stream_seek_frames(n);
            }
            break;
        case SEEK_BY_FRAMES:
            stream_seek_frames(n);
            break;
        case SEEK_TO_END:
            seek_to_end();
            break;
        default:
            break;
    }
    return RC_OK;
}

void stream_seek_frames(int32_t n) {
    if (is_open())
        move_by_frames(n);
}

void stream_end_time_code() {
    if (!is_open() || s.file.format != FORMAT_NORMAL_TC)
        return;
    seek_to_end();
    // Landing on the last record decodes its packet; where the scan finds no
    // record, the words there are no packet and the time code is left alone.
    bool found = move_by_frames(-1);
    // The step back from the end of a one-record file goes to word 0, where
    // the move dispatches nothing: that record is the last one.
    if (!found && s.position == 0 && s.window_end >= packet_words() + FRAME_HEADER_WORDS &&
        s.window[0] == TC_MARKER) {
        dispatch_record();
        found = true;
    }
    seek_to_end();
    if (found)
        advance_time_code();
}

void stream_resync() {
    if (!is_open() || s.position >= s.file.length)
        return;
    ++s.position;
    ++s.cursor;
    const Word sought = packet_words() > 0 ? TC_MARKER : AC3_SYNC_WORD;
    while (s.position < s.file.length) {
        int32_t held = make_room();
        if (held <= 0)
            return;  // the file ends early, or a read failed
        if (s.window[s.cursor] == sought && check_record(held) == RECORD_CONFIRMED) {
            dispatch_record();
            return;
        }
        ++s.cursor;
        ++s.position;
    }
}

int stream_check_record() {
    if (!is_open() || s.position >= s.file.length)
        return RECORD_NONE;
    return check_record(make_room());
}

int32_t stream_read_error_at() {
    return s.read_failed != 0 ? s.failed_at : -1;
}

void stream_get_file(StreamFile* out) {
    assert(out != nullptr);
    *out = s.file;
}

int32_t stream_get_position() {
    return s.position;
}

void stream_cut_at_position() {
    s.file.length = s.position;
    FrameInfo info;
    get_frame_info(&info);
    s.file.frame_count = count_frames(s.file.length, frame_size_rule(info));
}
