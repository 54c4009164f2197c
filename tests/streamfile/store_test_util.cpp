#include "tests/streamfile/store_test_util.h"

#include <algorithm>

#include "streamfile/stream_format.h"

Words record_words(int format, const std::vector<Words>& frames, int i) {
    Words r;
    if (format == FORMAT_NORMAL_TC) {
        r = tc_packet(i);
        r[6] = TC_MARKER;
    }
    r.insert(r.end(), frames[static_cast<size_t>(i)].begin(), frames[static_cast<size_t>(i)].end());
    return r;
}

std::vector<Words> walk() {
    std::vector<Words> records;
    Words buffer(MAX_RECORD_WORDS + 64);
    for (;;) {
        std::fill(buffer.begin(), buffer.end(), 0xEEEE);
        int32_t frame = stream_next_frame(buffer.data());
        if (frame == 0)
            return records;
        StreamFile f;
        stream_get_file(&f);
        size_t n = static_cast<size_t>(frame) + (f.format == FORMAT_NORMAL_TC ? 8 : 0);
        records.emplace_back(buffer.begin(), buffer.begin() + static_cast<long>(n));
        EXPECT_EQ(0xEEEE, buffer[n]);
    }
}

void StoreTest::SetUp() {
    set_rec_format(FORMAT_NORMAL);
    set_require_tc(0);
    set_err_check(1);
    reset_frame_info();
    reset_frame_errors();
}

std::string StoreTest::make_file(const std::string& name, const std::vector<uint8_t>& bytes) {
    write_file_bytes(dir.path(name), bytes);
    return dir.path(name);
}

std::string StoreTest::open(const std::string& name, const std::vector<uint8_t>* bytes) {
    std::string path = bytes ? make_file(name, *bytes) : dir.path(name);
    EXPECT_EQ(Rc(RC_OK), Rc(stream_open(path.c_str(), 0))) << name;
    return path;
}

StreamFile StoreTest::file() {
    StreamFile f;
    stream_get_file(&f);
    return f;
}
