#include <gtest/gtest.h>

#include "tests/audio/engine_test_util.h"
#include "tests/scripted_wave/scripted_wave.h"
#include "tests/test_memory/test_memory.h"

namespace {

constexpr size_t BLOCK_WORDS = 3072;

std::vector<Word> block_of(const std::vector<uint8_t>& buffer, int j) {
    std::vector<Word> words = pcm_words(buffer);
    return {words.begin() + j * BLOCK_WORDS, words.begin() + (j + 1) * BLOCK_WORDS};
}

// All the PCM the device was given.
std::vector<Word> output_words() {
    std::vector<uint8_t> pcm;
    for (const std::vector<uint8_t>& buffer : scripted_wave_output_buffers())
        pcm.insert(pcm.end(), buffer.begin(), buffer.end());
    return pcm_words(pcm);
}

// One notification: the device hands back its oldest buffer.
int notify() {
    scripted_wave_return_output(1);
    return on_output_buffer_done();
}

class Playback : public EngineTest {
protected:
    void start(int format, const Records& records) {
        open_stream("play.ac3", stream_file_bytes(format, records));
        ASSERT_EQ(Rc(RC_OK), Rc(start_playback(nullptr)));
    }
};

// Twenty frames fill two and a half buffers after the three silent ones that
// prime the device; the rest is silence, and the drain follows. (The round
// trips cover every layout in every output format.) A file of whole buffers
// ends with a silent one.
TEST_F(Playback, FramesToTheEndThenDrain) {
    Records records = make_records(FrameSpec{}, 20);
    set_spdif_mode(1);
    ASSERT_NO_FATAL_FAILURE(start(FORMAT_NORMAL_TC, records));
    WaveBufferNode* first = wave_ring().current;
    EXPECT_EQ(1, wave_ring().active);
    EXPECT_EQ(3, scripted_wave_out().queued);
    EXPECT_EQ(0, count_done_buffers());
    for (int rc : {RC_OK, RC_OK, RC_END_OF_FILE, RC_OK, RC_OK, RC_PLAYBACK_DRAINED})
        EXPECT_EQ(Rc(rc), Rc(notify()));
    ASSERT_EQ(played_words(1, FORMAT_NORMAL_TC, records.frames, records.packets), output_words());
    // The reader stands at the start again, the device drains until stopped.
    EXPECT_EQ(0, stream_get_position());
    EXPECT_TRUE(scripted_wave_out().open);
    EXPECT_EQ(Rc(RC_OK), Rc(stop_playback()));
    EXPECT_FALSE(scripted_wave_out().open);
    EXPECT_EQ(0, wave_ring().active);
    EXPECT_EQ(first, wave_ring().current);  // six submissions: whole turns
    EXPECT_EQ(0, get_frame_errors());
    stream_close();

    scripted_wave_reset();
    records = make_records(FrameSpec{}, 16);
    ASSERT_NO_FATAL_FAILURE(start(FORMAT_PC, records));
    for (int rc : {RC_OK, RC_OK, RC_END_OF_FILE})
        EXPECT_EQ(Rc(rc), Rc(notify()));
    EXPECT_EQ(played_words(1, FORMAT_PC, records.frames), output_words());
}

// A frame of a layout without time code that holds a sync word at word 8 by
// chance is one frame, not a time code packet and a frame.
TEST_F(Playback, SyncWordAtWordEightOfAPlainFrame) {
    Records records = make_records(FrameSpec{}, 1);
    records.frames[0][8] = AC3_SYNC_WORD;
    fix_frame_crc(records.frames[0]);
    ASSERT_NO_FATAL_FAILURE(start(FORMAT_NORMAL, records));
    EXPECT_EQ(Rc(RC_END_OF_FILE), Rc(notify()));
    EXPECT_EQ(played_words(0, FORMAT_NORMAL, records.frames), output_words());
}

TEST_F(Playback, UnderrunCountsAFrameErrorAndPlaysOn) {
    ASSERT_NO_FATAL_FAILURE(start(FORMAT_NORMAL, make_records(FrameSpec{}, 40)));
    EXPECT_EQ(Rc(RC_OK), Rc(notify()));
    EXPECT_EQ(0, get_frame_errors());
    scripted_wave_return_output(3);  // the device ran dry before the program came
    EXPECT_EQ(3, count_done_buffers());
    EXPECT_EQ(Rc(RC_OK), Rc(on_output_buffer_done()));
    EXPECT_EQ(Rc(RC_OK), Rc(on_output_buffer_done()));
    EXPECT_EQ(1, get_frame_errors());
    EXPECT_EQ(2, scripted_wave_out().queued);
}

TEST_F(Playback, FormatChangesAtTheNextRefill) {
    Records records = make_records(FrameSpec{}, 24);
    ASSERT_NO_FATAL_FAILURE(start(FORMAT_NORMAL, records));
    const int modes[] = {2, 7, 1};  // 7: from a hand-edited settings file
    for (int k = 0; k < 3; ++k) {
        set_spdif_mode(modes[k]);
        notify();
        const std::vector<uint8_t>& buffer = scripted_wave_output_buffers().at(3 + k);
        EXPECT_EQ(burst_block(modes[k] == 7 ? 0 : modes[k], {}, records.frames[8 * k + 5]),
                  block_of(buffer, 5))
            << "mode " << modes[k];
    }
}

// The device runs at the current frame's rate, 48 kHz before any frame is
// parsed. Frames too long for a 16-bit block leave it silent, time code
// included, and count as frame errors.
TEST_F(Playback, DeviceRateAndFramesTooLongForSixteenBitBlocks) {
    FrameSpec shape;
    shape.fscod = 2;        // 32 kHz
    shape.frmsizecod = 36;  // 1920 words
    open_stream("long.ac3", stream_file_bytes(FORMAT_NORMAL_TC, make_records(shape, 2)));
    for (int mode : {1, 2}) {
        scripted_wave_reset();
        reset_frame_errors();
        set_spdif_mode(mode);
        stream_seek(0, SEEK_TO_START);
        ASSERT_EQ(Rc(RC_OK), Rc(start_playback(nullptr)));
        EXPECT_EQ(32000u, scripted_wave_out().format.samples_per_sec);
        EXPECT_EQ(128000u, scripted_wave_out().format.avg_bytes_per_sec);
        EXPECT_EQ(4, scripted_wave_out().format.block_align);
        EXPECT_EQ(Rc(RC_END_OF_FILE), Rc(notify()));
        EXPECT_EQ(2, get_frame_errors()) << mode;
        EXPECT_EQ(std::vector<uint8_t>(8 * 2 * BLOCK_WORDS, 0),
                  scripted_wave_output_buffers().at(3))
            << mode;
        ASSERT_EQ(Rc(RC_OK), Rc(stop_playback()));
    }
    reset_frame_info();
    ASSERT_EQ(Rc(RC_OK), Rc(start_playback(nullptr)));
    EXPECT_EQ(48000u, scripted_wave_out().format.samples_per_sec);
}

// Either engine, as the device tests drive it.
struct Engine {
    int (*start)(WindowHandle);
    int (*stop)();
    void (*choose)(const char*);
    const ScriptedDirection& (*device)();
    ScriptedCall query, open, queue, reset, close;
    int no_device, close_failed;
};
const Engine ENGINES[] = {{start_playback, stop_playback, set_play_device, scripted_wave_out,
                           CALL_OUT_QUERY, CALL_OUT_OPEN, CALL_OUT_WRITE, CALL_OUT_RESET,
                           CALL_OUT_CLOSE, RC_NO_PLAYBACK_DEVICE, RC_PLAYBACK_CLOSE_FAILED},
                          {start_capture, stop_capture, set_rec_device, scripted_wave_in,
                           CALL_IN_QUERY, CALL_IN_OPEN, CALL_IN_ADD_BUFFER, CALL_IN_RESET,
                           CALL_IN_CLOSE, RC_NO_RECORD_DEVICE, RC_RECORD_CLOSE_FAILED}};

// A device that refused to stop (either engine's, at reset or at close) may
// still own the buffers: no start of either engine uses them, each naming the
// stuck device, and the release leaves them; the next start stops it again
// and goes ahead once it closes, which is tried when the device has handed
// the buffers back, though it still refuses to reset.
TEST_F(Playback, RefusedStopHoldsTheRingUntilTheDeviceCloses) {
    open_stream("stuck.ac3", stream_file_bytes(FORMAT_NORMAL, make_records(FrameSpec{}, 9)));
    for (int k = 0; k < 2; ++k) {
        const Engine& e = ENGINES[k];
        const Engine& other = ENGINES[1 - k];
        for (ScriptedCall refused : {e.reset, e.close}) {
            SCOPED_TRACE(testing::Message() << "engine " << k << ", refused call " << refused);
            ASSERT_EQ(Rc(RC_OK), Rc(e.start(nullptr)));
            scripted_wave_refuse(refused, 1);
            EXPECT_EQ(Rc(e.close_failed), Rc(e.stop()));
            for (const Engine& any : ENGINES)
                EXPECT_EQ(Rc(e.close_failed), Rc(any.start(nullptr)));
            EXPECT_TRUE(e.device().open);
            const int blocks = test_memory_live_blocks();
            free_wave_buffers();
            EXPECT_EQ(blocks, test_memory_live_blocks());
            ASSERT_NE(nullptr, wave_ring().nodes);

            scripted_wave_return_output(3);
            scripted_wave_fill_input(3);
            scripted_wave_refuse(refused, refused == e.reset);
            ASSERT_EQ(Rc(RC_OK), Rc(other.start(nullptr)));
            EXPECT_FALSE(e.device().open);
            scripted_wave_refuse(refused, 0);
            EXPECT_EQ(Rc(RC_OK), Rc(other.stop()));
            EXPECT_FALSE(other.device().open);
        }
    }
}

// Either engine: a refused query or open, or no ring at all, starts nothing.
TEST_F(Playback, RefusedDevicesAndMissingRing) {
    for (const Engine& e : ENGINES) {
        for (ScriptedCall refused : {e.query, e.open}) {
            scripted_wave_reset();
            scripted_wave_refuse(refused, 1);
            WaveBufferNode* before = wave_ring().current;
            EXPECT_EQ(Rc(e.no_device), Rc(e.start(nullptr)));
            EXPECT_EQ(0, wave_ring().active);
            EXPECT_EQ(before, wave_ring().current);
            EXPECT_EQ(0, scripted_wave_calls(e.queue));
        }
    }
    scripted_wave_reset();
    free_wave_buffers();
    for (const Engine& e : ENGINES)
        EXPECT_EQ(Rc(e.no_device), Rc(e.start(nullptr)));
    for (int call = 0; call < CALL_COUNT; ++call)
        EXPECT_EQ(0, scripted_wave_calls(static_cast<ScriptedCall>(call))) << call;
}

// Either engine opens the device chosen by name wherever it stands in the
// system's list, the default device when none is chosen, and nothing at all
// when no device has that name or the named one refuses the format.
TEST_F(Playback, ChosenDeviceIsOpenedByItsName) {
    const ListedDevice speakers{"Speakers", false};
    const ListedDevice digital{"Digital Output", false};
    const ListedDevice refusing{"Digital Output", true};
    struct Case {
        const char* what;
        std::vector<ListedDevice> devices;
        const char* chosen;
        std::vector<int> opens;
    };
    const Case cases[] = {
        {"none chosen", {speakers, digital}, "", {WAVE_DEFAULT_DEVICE}},
        {"chosen", {speakers, digital}, "Digital Output", {1}},
        {"list reordered", {digital, speakers}, "Digital Output", {0}},
        {"missing", {speakers}, "Digital Output", {}},
        {"only the name's beginning listed", {speakers, digital}, "Digital Output 2", {}},
        {"the name's beginning chosen", {speakers, digital}, "Digital", {}},
        {"refuses the format", {speakers, refusing}, "Digital Output", {}},
    };
    for (const Engine& e : ENGINES) {
        for (const Case& c : cases) {
            SCOPED_TRACE(c.what);
            scripted_wave_reset();
            scripted_wave_list_devices(c.devices, c.devices);
            e.choose(c.chosen);
            EXPECT_EQ(Rc(c.opens.empty() ? e.no_device : RC_OK), Rc(e.start(nullptr)));
            EXPECT_EQ(c.opens, e.device().opens);
            e.stop();
        }
        e.choose("");
    }
}

}  // namespace
