#include "tests/streamfile/store_test_util.h"

#include <algorithm>

#include "bitstream/frame_crc.h"
#include "bitstream/time_code.h"
#include "common/file_format.h"
#include "settings/prefs.h"
#include "streamfile/stream_format.h"

std::vector<Words> make_frames(int count, FrameSpec spec) {
    std::vector<Words> frames;
    for (int i = 0; i < count; ++i) {
        spec.seed = static_cast<uint32_t>(i + 1);
        frames.push_back(make_frame(spec));
    }
    return frames;
}

std::vector<Words> make_alternating_frames(int count) {
    std::vector<Words> frames;
    for (int i = 0; i < count; ++i) {
        FrameSpec spec;
        spec.fscod = 1;
        spec.frmsizecod = 20 + (i % 2);
        spec.seed = static_cast<uint32_t>(i + 1);
        frames.push_back(make_frame(spec));
    }
    return frames;
}

Words packet_for(int i) {
    return make_time_code_packet(10, i / 1500 % 60, i / 25 % 60, i % 25, 0, 3, 0);
}

namespace {

void put_word(std::vector<uint8_t>& out, Word w, bool high_first) {
    uint8_t hi = static_cast<uint8_t>(w >> 8);
    uint8_t lo = static_cast<uint8_t>(w & 0xFF);
    out.push_back(high_first ? hi : lo);
    out.push_back(high_first ? lo : hi);
}

}  // namespace

std::vector<uint8_t> file_bytes(int format, const std::vector<Words>& frames) {
    std::vector<uint8_t> out;
    bool high_first = format != FORMAT_PC;
    for (size_t i = 0; i < frames.size(); ++i) {
        if (format == FORMAT_NORMAL_TC) {
            Words p = packet_for(static_cast<int>(i));
            packet_to_file_order(p.data());
            for (Word w : p)
                put_word(out, w, true);
        }
        for (Word w : frames[i])
            put_word(out, w, high_first);
    }
    return out;
}

Words record_words(int format, const std::vector<Words>& frames, int i) {
    Words r;
    if (format == FORMAT_NORMAL_TC) {
        r = packet_for(i);
        r[6] = TC_MARKER;  // s6 is not stored; reading back puts the marker there
    }
    r.insert(r.end(), frames[static_cast<size_t>(i)].begin(), frames[static_cast<size_t>(i)].end());
    return r;
}

std::vector<Words> walk() {
    std::vector<Words> records;
    Words buffer(MAX_RECORD_WORDS + 64, 0xEEEE);
    for (;;) {
        std::fill(buffer.begin(), buffer.end(), 0xEEEE);
        int32_t frame = stream_next_frame(buffer.data());
        if (frame == 0)
            break;
        StreamFile f;
        stream_get_file(&f);
        size_t n = static_cast<size_t>(frame) + (f.format == FORMAT_NORMAL_TC ? 8 : 0);
        records.emplace_back(buffer.begin(), buffer.begin() + static_cast<long>(n));
        // Nothing past the record is touched.
        EXPECT_EQ(0xEEEE, buffer[n]);
    }
    return records;
}

void StoreTest::SetUp() {
    set_rec_format(FORMAT_NORMAL);
    set_require_tc(0);
    set_err_check(1);
    reset_frame_info();
    reset_frame_errors();
}

void StoreTest::TearDown() {
    stream_close();
}

std::string StoreTest::make_file(const std::string& name, const std::vector<uint8_t>& bytes) {
    std::string p = dir.path(name);
    write_file_bytes(p, bytes);
    return p;
}

StreamFile StoreTest::file() {
    StreamFile f;
    stream_get_file(&f);
    return f;
}
