// Recording writer: turns captured payloads into records of the open file's
// layout, staged in the file window and written one record per write.
#include <cassert>
#include <cstring>

#include "bitstream/frame_parser.h"
#include "bitstream/time_code.h"
#include "common/burst.h"
#include "common/file_format.h"
#include "common/result.h"
#include "settings/prefs.h"
#include "streamfile/stream_file.h"
#include "streamfile/stream_format.h"
#include "streamfile/stream_store.h"

namespace {

StreamStore& s = stream_store;

bool is_open() {
    return s.handle != nullptr && s.window != nullptr;
}

// Stages a time code packet; a packet no frame has followed yet is replaced.
int stage_packet(Word* words) {
    if (s.file.format != FORMAT_NORMAL_TC)
        return RC_OK;
    packet_to_file_order(words);
    for (int i = 0; i < TIME_CODE_PACKET_WORDS; ++i)
        s.window[i] = swap_word(words[i]);
    s.pending = TIME_CODE_PACKET_WORDS;
    return RC_OK;
}

int write_frame(const Word* words, int32_t count) {
    if (s.file.format == FORMAT_NORMAL_TC && s.pending == 0) {
        if (get_require_tc() == 0 && s.file.length == 0 && s.resume_flag == 0) {
            // A new recording that brings no time code goes on as "Normal".
            s.file.format = FORMAT_NORMAL;
        } else if (s.resume_flag != 0) {
            // Its packet may have come before the pause or the start.
            s.resume_flag = 0;
            return RC_OK;
        } else {
            return RC_NO_TIME_CODE;
        }
    }
    s.resume_flag = 0;

    // Payloads are at most a few thousand words; more than the window holds
    // can only come from a caller's fault.
    assert(count >= 0 && count <= WINDOW_WORDS - s.pending);
    if (count < 0 || count > WINDOW_WORDS - s.pending) {
        s.pending = 0;
        return RC_WRITE_FAILED;
    }
    if (static_cast<int64_t>(s.position) + s.pending + count > MAX_FILE_WORDS) {
        s.pending = 0;
        return RC_FILE_TOO_LARGE;
    }
    Word* to = s.window + s.pending;
    if (s.file.format == FORMAT_PC) {
        std::memcpy(to, words, static_cast<size_t>(count) * sizeof(Word));
    } else {
        swap_words(to, words, count);
    }
    int32_t record = s.pending + count;
    s.pending = 0;

    // The first write after reading: the file is overwritten from here on.
    if (s.position != s.window_end) {
        s.file.length = s.position;
        s.window_end = s.position;
    }
    if (!store_seek_to(2 * static_cast<int64_t>(s.position)))
        return RC_WRITE_FAILED;

    int32_t bytes = record * static_cast<int32_t>(sizeof(Word));
    int32_t written = mmfile_write(s.handle, s.window, bytes);
    if (written > 0)
        s.file_pointer += written;
    else if (written < 0)
        s.file_pointer = -1;
    if (written != bytes) {
        // Full disk: a record only partly on disk is no record. It lies past
        // the position, which the next write overwrites and the cut removes.
        return RC_WRITE_FAILED;
    }

    if (s.position == 0) {
        FrameInfo info;
        get_frame_info(&info);
        if (info.frame_words > 0)
            s.file.words_per_frame = frame_size_rule(info);
    }
    s.position += record;
    s.window_end = s.position;
    s.file.length += record;
    s.file.frame_count += 1;
    return RC_OK;
}

}  // namespace

int stream_write(Word* words, int32_t count, int type) {
    assert(words != nullptr);
    if (!is_open())
        return RC_WRITE_FAILED;
    switch (type) {
        case PACKET_TIME_CODE:
            return stage_packet(words);
        case PACKET_AC3_FRAME:
            return write_frame(words, count);
        default:
            return RC_OK;
    }
}

void stream_resume() {
    s.resume_flag = 1;
}

void stream_set_new_format(int format) {
    if (s.position == 0)
        s.file.format = format;
}

int stream_truncate() {
    if (s.handle == nullptr)
        return RC_WRITE_FAILED;
    mmfile_close(s.handle);
    s.handle = nullptr;
    bool ok = file_cut_at(s.file.name, 2 * static_cast<int64_t>(s.position));
    MmFileHandle handle = mmfile_open(s.file.name, MMF_READWRITE, nullptr);
    if (handle == nullptr) {
        // The recording on disk is whole all the same: keep it playable.
        handle = mmfile_open(s.file.name, MMF_READ, nullptr);
        if (handle != nullptr)
            s.file.read_only = 1;
    }
    s.handle = handle;
    s.file_pointer = handle != nullptr ? mmfile_seek(handle, 0, MMF_SEEK_END) : -1;
    s.file.length = s.window_end = s.position;
    s.cursor = 0;
    s.pending = 0;
    return ok ? RC_OK : RC_WRITE_FAILED;
}
