#include "tests/audio/engine_test_util.h"

#include "audio/capture.h"
#include "audio/playback.h"
#include "audio/wave_ring.h"
#include "bitstream/frame_crc.h"
#include "bitstream/time_code.h"
#include "common/file_format.h"
#include "common/result.h"
#include "settings/prefs.h"
#include "streamfile/stream_file.h"
#include "streamfile/stream_format.h"
#include "tests/scripted_wave/scripted_wave.h"
#include "tests/test_memory/test_memory.h"

std::vector<Record> make_records(FrameSpec spec, int count) {
    std::vector<Record> records;
    for (int i = 0; i < count; ++i) {
        spec.seed = static_cast<uint32_t>(1000 * spec.fscod + 17 * i + 1);
        Record r;
        r.frame = make_frame(spec);
        r.packet = make_time_code_packet(1, 2, 3, i % 25, 100 + i, 3, 0);
        r.packet[6] = TC_MARKER;
        records.push_back(r);
    }
    return records;
}

std::vector<uint8_t> stream_file_bytes(int format, const std::vector<Record>& records) {
    std::vector<uint8_t> bytes;
    auto put = [&](Word w) {
        if (format == FORMAT_PC) {
            bytes.push_back(static_cast<uint8_t>(w & 0xFF));
            bytes.push_back(static_cast<uint8_t>(w >> 8));
        } else {
            bytes.push_back(static_cast<uint8_t>(w >> 8));
            bytes.push_back(static_cast<uint8_t>(w & 0xFF));
        }
    };
    for (const Record& r : records) {
        if (format == FORMAT_NORMAL_TC) {
            // File order: the marker, s0..s5, s7.
            put(TC_MARKER);
            for (int i : {0, 1, 2, 3, 4, 5, 7}) {
                put(r.packet[i]);
            }
        }
        for (Word w : r.frame) {
            put(w);
        }
    }
    return bytes;
}

Word pcm_word(const std::vector<uint8_t>& pcm, size_t index) {
    return static_cast<Word>(pcm[2 * index] | (pcm[2 * index + 1] << 8));
}

void EngineTest::SetUp() {
    test_memory_fail_alloc_after(-1);
    test_memory_fail_lock_after(-1);
    scripted_wave_reset();
    set_spdif_mode(0);
    set_rec_format(FORMAT_NORMAL_TC);
    set_err_check(1);
    set_require_tc(0);
    set_read_only(0);
    reset_frame_info();
    reset_frame_errors();
    ASSERT_EQ(0, allocate_wave_buffers());
}

void EngineTest::TearDown() {
    stop_playback();
    stop_capture();
    stream_close();
    free_wave_buffers();
    EXPECT_EQ(0, scripted_wave_misuse()) << "the engines used the device as no real one allows";
}

void EngineTest::open_stream(const std::string& name, const std::vector<uint8_t>& bytes) {
    write_file_bytes(dir.path(name), bytes);
    ASSERT_EQ(Rc(RC_OK), Rc(stream_open(dir.path(name).c_str(), 0)));
}
