#include "tests/audio/engine_test_util.h"

Records make_records(FrameSpec shape, int count) {
    Records records;
    for (int i = 0; i < count; ++i) {
        shape.seed = static_cast<uint32_t>(1000 * shape.fscod + 17 * i + 1);
        records.frames.push_back(make_frame(shape));
        records.packets.push_back(make_time_code_packet(1, 2, 3, i % 25, 100 + i, 3, 0));
    }
    return records;
}

std::vector<uint8_t> stream_file_bytes(int format, const Records& records) {
    return frames_file_bytes(format, records.frames, records.packets);
}

void open_stream(const TempDir& dir, const std::string& name, const std::vector<uint8_t>& bytes) {
    write_file_bytes(dir.path(name), bytes);
    ASSERT_EQ(Rc(RC_OK), Rc(stream_open(dir.path(name).c_str(), 0)));
}
