#include "tests/audio/engine_test_util.h"

#include "streamfile/stream_format.h"

std::vector<Record> make_records(FrameSpec shape, int count) {
    std::vector<Record> records;
    for (int i = 0; i < count; ++i) {
        shape.seed = static_cast<uint32_t>(1000 * shape.fscod + 17 * i + 1);
        Record r;
        r.frame = make_frame(shape);
        r.packet = make_time_code_packet(1, 2, 3, i % 25, 100 + i, 3, 0);
        r.packet[6] = TC_MARKER;
        records.push_back(r);
    }
    return records;
}

std::vector<uint8_t> stream_file_bytes(int format, const std::vector<Record>& records) {
    std::vector<std::vector<Word>> frames, packets;
    for (const Record& r : records) {
        frames.push_back(r.frame);
        packets.push_back(r.packet);
    }
    return frames_file_bytes(format, frames, packets);
}

void open_stream(const TempDir& dir, const std::string& name, const std::vector<uint8_t>& bytes) {
    write_file_bytes(dir.path(name), bytes);
    ASSERT_EQ(Rc(RC_OK), Rc(stream_open(dir.path(name).c_str(), 0)));
}
