#include <gtest/gtest.h>

#include "bitstream/frame_parser.h"
#include "tests/audio/engine_test_util.h"
#include "tests/scripted_wave/scripted_wave.h"

namespace {

constexpr size_t BUFFER_WORDS = 24576;

// Appends a burst in either placement. The other channel of an interleaved
// burst holds filler from Pb on (the word between Pa and Pb is zero: it must
// be no sync word).
void add_burst(std::vector<Word>& pcm,
               int type,
               const std::vector<Word>& payload,
               bool interleaved,
               Word filler = 0) {
    std::vector<Word> burst = {0xF872, 0x4E1F, static_cast<Word>(type),
                               static_cast<Word>(16 * payload.size())};
    burst.insert(burst.end(), payload.begin(), payload.end());
    for (size_t i = 0; i < burst.size(); ++i) {
        pcm.push_back(burst[i]);
        if (interleaved)
            pcm.push_back(i == 0 ? 0 : filler);
    }
}

// Supplies the words and lets the device fill and return buffers until they
// are used up; returns each scan's result.
std::vector<int> feed(const std::vector<Word>& pcm, int state) {
    std::vector<uint8_t> bytes = pcm_bytes(pcm);
    scripted_wave_supply_input(bytes.data(), bytes.size());
    std::vector<int> results;
    while (scripted_wave_input_left() > 0) {
        scripted_wave_fill_input(1);
        results.push_back(on_input_buffer_filled(state));
    }
    return results;
}

int current_fscod() {
    FrameInfo info;
    get_frame_info(&info);
    return info.fscod;
}

int time_code_valid() {
    TimeCode tc;
    get_time_code(&tc);
    return tc.valid;
}

int32_t file_length() {
    StreamFile file;
    stream_get_file(&file);
    return file.length;
}

class Capture : public EngineTest {
protected:
    // A new, empty file to record into, in layout format.
    void new_recording(int format) {
        ASSERT_EQ(Rc(RC_OK), Rc(stream_open(dir.path("rec.ac3").c_str(), 0)));
        stream_set_new_format(format);
        stream_resume();
    }
};

// Monitoring: the device runs at 48 kHz; packets are shown, not written;
// each buffer reports whether it completed a frame and whether it brought
// time code; an overrun counts a frame error.
TEST_F(Capture, MonitorsBufferByBuffer) {
    new_recording(FORMAT_NORMAL);
    // A scan with no capture running touches nothing and clears the time code.
    set_time_code_valid(1);
    EXPECT_EQ(Rc(RC_NO_DATA), Rc(on_input_buffer_filled(STATE_RECORDING)));
    EXPECT_EQ(0, time_code_valid());
    ASSERT_EQ(Rc(RC_OK), Rc(start_capture(nullptr)));
    EXPECT_EQ(48000u, scripted_wave_in().format.samples_per_sec);
    EXPECT_EQ(192000u, scripted_wave_in().format.avg_bytes_per_sec);
    EXPECT_EQ(3, scripted_wave_in().queued);
    EXPECT_TRUE(scripted_wave_in().started);

    // A silent buffer, a buffer with a time code packet and the start of a
    // frame, and one with the frame's end.
    FrameSpec shape;
    shape.fscod = 1;
    std::vector<Word> pcm(2 * BUFFER_WORDS - 100 - 24, 0);
    add_burst(pcm, PACKET_TIME_CODE, make_time_code_packet(0, 0, 1, 2, 3, 3, 0), true);
    add_burst(pcm, PACKET_AC3_FRAME, make_frame(shape), true);
    pcm.resize(3 * BUFFER_WORDS, 0);
    const int results[] = {RC_NO_DATA, RC_NO_DATA, RC_DATA};
    const int valid[] = {0, 1, 0};
    for (int k = 0; k < 3; ++k) {
        set_time_code_valid(1 - valid[k]);
        std::vector<Word> buffer(pcm.begin() + k * BUFFER_WORDS,
                                 pcm.begin() + (k + 1) * BUFFER_WORDS);
        EXPECT_EQ(std::vector<int>{results[k]}, feed(buffer, STATE_RECORD_ARMED)) << k;
        EXPECT_EQ(valid[k], time_code_valid()) << k;
    }
    EXPECT_EQ(1, current_fscod());
    EXPECT_EQ(0, file_length());

    // All three buffers came back before the program: an overrun.
    EXPECT_EQ(0, get_frame_errors());
    scripted_wave_fill_input(3);
    EXPECT_EQ(Rc(RC_NO_DATA), Rc(on_input_buffer_filled(STATE_RECORD_ARMED)));
    EXPECT_EQ(Rc(RC_NO_DATA), Rc(on_input_buffer_filled(STATE_RECORD_ARMED)));
    EXPECT_EQ(1, get_frame_errors());
    EXPECT_EQ(2, scripted_wave_in().queued);
}

// The writer's refusal or a failed write ends the scan after that frame: the
// frame after it in the same buffer is neither shown nor written, and a cut
// that fails is not reported as success.
TEST_F(Capture, RefusalOrWriteFailureEndsTheScan) {
    for (bool open : {true, false}) {
        SCOPED_TRACE(open ? "time code required" : "no file to write");
        scripted_wave_reset();
        set_require_tc(open);
        if (open) {
            ASSERT_NO_FATAL_FAILURE(new_recording(FORMAT_NORMAL_TC));
        }
        std::vector<Word> pcm;
        for (int fscod : {0, 0, 2}) {
            FrameSpec shape;
            shape.fscod = fscod;
            add_burst(pcm, PACKET_AC3_FRAME, make_frame(shape), !open);
        }
        pcm.resize(BUFFER_WORDS, 0);
        ASSERT_EQ(Rc(RC_OK), Rc(start_capture(nullptr)));
        // With time code required the first frame is dropped for want of a
        // packet and the second refused.
        EXPECT_EQ(std::vector<int>{open ? RC_NO_TIME_CODE : RC_WRITE_FAILED},
                  feed(pcm, STATE_RECORDING));
        EXPECT_EQ(0, current_fscod());
        EXPECT_EQ(3, scripted_wave_in().queued);  // the buffer went back all the same
        EXPECT_EQ(Rc(open ? RC_OK : RC_WRITE_FAILED), Rc(stop_capture()));
        EXPECT_FALSE(scripted_wave_in().open);
        EXPECT_EQ(0, wave_ring().active);
        EXPECT_EQ(0, file_length());
        stream_close();
    }
}

// Stopping cuts the file at the position and measures it again, once: the
// take ends there also when the device refuses to stop, and the stop that
// later closes the device leaves the file alone wherever the position went.
TEST_F(Capture, StopCutsTheFileAtThePosition) {
    Records records = make_records(FrameSpec{}, 5);
    std::vector<uint8_t> bytes = stream_file_bytes(FORMAT_NORMAL, records);
    open_stream("cut.ac3", bytes);
    stream_seek(0, SEEK_TO_START);
    stream_next_frame(wave_ring().scratch);
    stream_next_frame(wave_ring().scratch);
    ASSERT_EQ(Rc(RC_OK), Rc(start_capture(nullptr)));
    scripted_wave_refuse(CALL_IN_RESET, 1);
    EXPECT_EQ(Rc(RC_RECORD_CLOSE_FAILED), Rc(stop_capture()));
    StreamFile file;
    stream_get_file(&file);
    EXPECT_EQ(2 * 768, file.length);
    EXPECT_EQ(2, file.frame_count);
    stream_seek(0, SEEK_TO_START);
    scripted_wave_refuse(CALL_IN_RESET, 0);
    EXPECT_EQ(Rc(RC_OK), Rc(stop_capture()));
    EXPECT_EQ(0, wave_ring().active);
    stream_get_file(&file);
    EXPECT_EQ(2 * 768, file.length);
    bytes.resize(2 * 2 * 768);
    stream_close();
    EXPECT_EQ(bytes, read_file_bytes(dir.path("cut.ac3")));
}

// Bursts shorter than their packet are judged on the words they carried, not
// on what an earlier burst left in the scratch buffer: a short time code
// packet is dropped like a lost one, a short frame counts as damaged and is
// recorded at its header's size with zeros for the words it lacks, so that
// the records after it stay in step; without a whole header it is left out.
// So is a frame whose header gives no size (a reserved code).
TEST_F(Capture, ShortBurstsUseOnlyTheirOwnWords) {
    FrameSpec shape;
    shape.frmsizecod = 0;  // 64 words
    std::vector<Word> frame = make_frame(shape);
    std::vector<Word> packet = make_time_code_packet(1, 2, 3, 4, 5, 3, 0);
    std::vector<Word> cut_frame(frame.begin(), frame.begin() + 40);
    // The heads of frames at other rates: four words carry the header, three
    // do not.
    shape.fscod = 1;
    std::vector<Word> four = make_frame(shape);
    four.resize(4);
    shape.fscod = 2;
    std::vector<Word> three = make_frame(shape);
    three.resize(3);
    std::vector<Word> reserved = frame;
    reserved[2] |= 0xC000;  // fscod 3
    std::vector<Word> pcm;
    add_burst(pcm, PACKET_TIME_CODE, packet, false);
    add_burst(pcm, PACKET_AC3_FRAME, frame, false);
    add_burst(pcm, PACKET_TIME_CODE, {to_bcd(9), 0, 0, 0}, false);
    add_burst(pcm, PACKET_AC3_FRAME, cut_frame, false);
    add_burst(pcm, PACKET_AC3_FRAME, reserved, false);
    add_burst(pcm, PACKET_AC3_FRAME, four, false);
    add_burst(pcm, PACKET_AC3_FRAME, three, false);
    pcm.resize(BUFFER_WORDS, 0);
    for (int format : {FORMAT_NORMAL, FORMAT_NORMAL_TC}) {
        SCOPED_TRACE(format);
        scripted_wave_reset();
        reset_frame_errors();
        set_err_check(1);
        set_require_tc(0);
        ASSERT_NO_FATAL_FAILURE(new_recording(format));
        ASSERT_EQ(Rc(RC_OK), Rc(start_capture(nullptr)));
        Records records{{frame}, {packet}};
        if (format == FORMAT_NORMAL_TC) {
            // The cut frame comes without its packet: the recording stops there.
            EXPECT_EQ(std::vector<int>{RC_NO_TIME_CODE}, feed(pcm, STATE_RECORDING));
            EXPECT_EQ(1, get_frame_errors());
        } else {
            EXPECT_EQ(std::vector<int>{RC_DATA}, feed(pcm, STATE_RECORDING));
            EXPECT_EQ(4, get_frame_errors());
            EXPECT_EQ(1, current_fscod());
            records.frames.push_back(cut_frame);
            records.frames.back().resize(frame.size(), 0);
            records.frames.push_back(four);
            records.frames.back().resize(frame_words_for(1, 0), 0);
        }
        TimeCode tc;
        get_time_code(&tc);
        EXPECT_EQ(1, tc.hours);
        ASSERT_EQ(Rc(RC_OK), Rc(stop_capture()));
        stream_close();
        EXPECT_EQ(stream_file_bytes(format, records), read_file_bytes(dir.path("rec.ac3")));
        std::remove(dir.path("rec.ac3").c_str());
    }
}

}  // namespace
