#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "audio/playback.h"
#include "audio/wave_ring.h"
#include "bitstream/frame_crc.h"
#include "bitstream/time_code.h"
#include "common/file_format.h"
#include "common/result.h"
#include "settings/prefs.h"
#include "streamfile/stream_file.h"
#include "tests/audio/engine_test_util.h"
#include "tests/scripted_wave/scripted_wave.h"

#ifdef _WIN32
#include <windows.h>
#include <mmsystem.h>
#endif

namespace {

constexpr size_t BLOCK_WORDS = 3072;

// The buffer words of one block as the output format table gives them: burst
// word b at start + stride * b, every other word zero.
std::vector<Word> expected_block(int mode, const Record* r, bool time_code) {
    size_t stride = mode == 1 || mode == 2 ? 2 : 1;
    size_t start = mode == 2 ? 1 : 0;
    std::vector<Word> burst;
    if (time_code) {
        burst = {0xF872, 0x4E1F, 0x0002, 0x0080};
        burst.insert(burst.end(), r->packet.begin(), r->packet.end());
    }
    burst.insert(burst.end(), {0xF872, 0x4E1F, 0x0001, static_cast<Word>(16 * r->frame.size())});
    burst.insert(burst.end(), r->frame.begin(), r->frame.end());
    std::vector<Word> block(BLOCK_WORDS, 0);
    for (size_t b = 0; b < burst.size(); ++b) {
        block.at(start + stride * b) = burst[b];
    }
    return block;
}

std::vector<Word> block_of(const std::vector<uint8_t>& buffer, int j) {
    std::vector<Word> block;
    for (size_t i = 0; i < BLOCK_WORDS; ++i) {
        block.push_back(pcm_word(buffer, j * BLOCK_WORDS + i));
    }
    return block;
}

bool silent(const std::vector<uint8_t>& buffer) {
    return std::all_of(buffer.begin(), buffer.end(), [](uint8_t b) { return b == 0; });
}

// One notification: the device hands back its oldest buffer.
int notify() {
    scripted_wave_return_output(1);
    return on_output_buffer_done();
}

class Playback : public EngineTest {};

TEST_F(Playback, TwentyFramesToTheEndThenDrain) {
    std::vector<Record> records = make_records(FrameSpec{}, 20);
    open_stream("twenty.ac3", stream_file_bytes(FORMAT_NORMAL, records));
    stream_seek(0, SEEK_TO_START);
    ASSERT_EQ(Rc(RC_OK), Rc(start_playback(nullptr)));
    WaveBufferNode* first = wave_ring().current;
    EXPECT_EQ(1, wave_ring().active);
    EXPECT_EQ(3, scripted_wave_out_queued());
    EXPECT_EQ(0, count_done_buffers());

    const int expected[] = {RC_OK, RC_OK, RC_END_OF_FILE, RC_OK, RC_OK, RC_PLAYBACK_DRAINED};
    for (int rc : expected) {
        EXPECT_EQ(Rc(rc), Rc(notify()));
    }
    EXPECT_EQ(0, get_frame_errors());
    const auto& out = scripted_wave_output_buffers();
    ASSERT_EQ(6u, out.size());
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(silent(out[i])) << "priming buffer " << i;
    }
    for (int n = 0; n < 20; ++n) {
        ASSERT_EQ(expected_block(0, &records[n], false), block_of(out[3 + n / 8], n % 8))
            << "frame " << n;
    }
    for (int j = 4; j < 8; ++j) {
        EXPECT_EQ(std::vector<Word>(BLOCK_WORDS, 0), block_of(out[5], j)) << "block " << j;
    }
    // The reader stands at the start again, the device drains until stopped.
    EXPECT_EQ(0, stream_get_position());
    EXPECT_TRUE(scripted_wave_out_open());
    EXPECT_EQ(Rc(RC_OK), Rc(stop_playback()));
    EXPECT_FALSE(scripted_wave_out_open());
    EXPECT_EQ(0, wave_ring().active);
    EXPECT_EQ(first, wave_ring().current);  // six submissions: a whole number of turns
}

TEST_F(Playback, EveryFormatWithAndWithoutTimeCode) {
    std::vector<Record> records = make_records(FrameSpec{}, 3);
    for (int format : {FORMAT_NORMAL, FORMAT_NORMAL_TC, FORMAT_PC}) {
        for (int mode : {0, 1, 2}) {
            SCOPED_TRACE(testing::Message() << "layout " << format << " mode " << mode);
            scripted_wave_reset();
            set_spdif_mode(mode);
            open_stream("formats.ac3", stream_file_bytes(format, records));
            ASSERT_EQ(Rc(RC_OK), Rc(start_playback(nullptr)));
            EXPECT_EQ(Rc(RC_END_OF_FILE), Rc(notify()));
            const std::vector<uint8_t>& buffer = scripted_wave_output_buffers().at(3);
            for (int j = 0; j < 3; ++j) {
                EXPECT_EQ(expected_block(mode, &records[j], format == FORMAT_NORMAL_TC),
                          block_of(buffer, j))
                    << "block " << j;
            }
            ASSERT_EQ(Rc(RC_OK), Rc(stop_playback()));
            stream_close();
        }
    }
    EXPECT_EQ(0, get_frame_errors());
}

// Frames too long for a block in the 16-bit formats leave their block silent,
// time code included, and count as frame errors; "32-bit" carries them.
TEST_F(Playback, FramesTooLongForSixteenBitBlocks) {
    FrameSpec shape;
    shape.fscod = 2;        // 32 kHz
    shape.frmsizecod = 36;  // 1920 words
    std::vector<Record> records = make_records(shape, 2);
    for (int mode : {0, 1}) {
        SCOPED_TRACE(mode);
        scripted_wave_reset();
        reset_frame_errors();
        set_spdif_mode(mode);
        open_stream("long.ac3", stream_file_bytes(FORMAT_NORMAL_TC, records));
        ASSERT_EQ(Rc(RC_OK), Rc(start_playback(nullptr)));
        EXPECT_EQ(32000u, scripted_wave_out_format().samples_per_sec);
        EXPECT_EQ(Rc(RC_END_OF_FILE), Rc(notify()));
        const std::vector<uint8_t>& buffer = scripted_wave_output_buffers().at(3);
        if (mode == 0) {
            EXPECT_EQ(0, get_frame_errors());
            EXPECT_EQ(expected_block(0, &records[1], true), block_of(buffer, 1));
        } else {
            EXPECT_EQ(2, get_frame_errors());
            EXPECT_TRUE(silent(buffer));
        }
        ASSERT_EQ(Rc(RC_OK), Rc(stop_playback()));
        stream_close();
    }
}

TEST_F(Playback, FileOfWholeBuffersEndsWithASilentOne) {
    open_stream("sixteen.ac3", stream_file_bytes(FORMAT_PC, make_records(FrameSpec{}, 16)));
    ASSERT_EQ(Rc(RC_OK), Rc(start_playback(nullptr)));
    EXPECT_EQ(Rc(RC_OK), Rc(notify()));
    EXPECT_EQ(Rc(RC_OK), Rc(notify()));
    EXPECT_EQ(Rc(RC_END_OF_FILE), Rc(notify()));
    EXPECT_TRUE(silent(scripted_wave_output_buffers().at(5)));
    EXPECT_EQ(6u, scripted_wave_output_buffers().size());
}

// A frame of a layout without time code that holds a sync word at word 8 by
// chance is one frame, not a time code packet and a frame.
TEST_F(Playback, SyncWordAtWordEightOfAPlainFrame) {
    std::vector<Record> records = make_records(FrameSpec{}, 1);
    records[0].frame[8] = AC3_SYNC_WORD;
    fix_frame_crc(records[0].frame);
    open_stream("chance.ac3", stream_file_bytes(FORMAT_NORMAL, records));
    ASSERT_EQ(Rc(RC_OK), Rc(start_playback(nullptr)));
    EXPECT_EQ(Rc(RC_END_OF_FILE), Rc(notify()));
    EXPECT_EQ(expected_block(0, &records[0], false),
              block_of(scripted_wave_output_buffers().at(3), 0));
}

TEST_F(Playback, UnderrunCountsAFrameErrorAndPlaysOn) {
    open_stream("under.ac3", stream_file_bytes(FORMAT_NORMAL, make_records(FrameSpec{}, 40)));
    ASSERT_EQ(Rc(RC_OK), Rc(start_playback(nullptr)));
    EXPECT_EQ(Rc(RC_OK), Rc(notify()));
    EXPECT_EQ(0, get_frame_errors());
    scripted_wave_return_output(3);  // the device ran dry before the program came
    EXPECT_EQ(3, count_done_buffers());
    EXPECT_EQ(Rc(RC_OK), Rc(on_output_buffer_done()));
    EXPECT_EQ(Rc(RC_OK), Rc(on_output_buffer_done()));
    EXPECT_EQ(1, get_frame_errors());
    EXPECT_EQ(2, scripted_wave_out_queued());
}

TEST_F(Playback, FormatChangesAtTheNextRefill) {
    std::vector<Record> records = make_records(FrameSpec{}, 24);
    open_stream("switch.ac3", stream_file_bytes(FORMAT_NORMAL, records));
    ASSERT_EQ(Rc(RC_OK), Rc(start_playback(nullptr)));
    const int modes[] = {2, 7, 1};  // 7: from a hand-edited settings file
    for (int k = 0; k < 3; ++k) {
        set_spdif_mode(modes[k]);
        notify();
        const std::vector<uint8_t>& buffer = scripted_wave_output_buffers().at(3 + k);
        EXPECT_EQ(expected_block(modes[k] == 7 ? 0 : modes[k], &records[8 * k + 5], false),
                  block_of(buffer, 5))
            << "mode " << modes[k];
    }
}

TEST_F(Playback, DeviceFormatFollowsTheCurrentFrame) {
    FrameSpec shape;
    shape.fscod = 1;
    open_stream("rate.ac3", stream_file_bytes(FORMAT_NORMAL, make_records(shape, 2)));
    stream_seek(0, SEEK_TO_START);
    ASSERT_EQ(Rc(RC_OK), Rc(start_playback(nullptr)));
    WaveFormat f = scripted_wave_out_format();
    EXPECT_EQ(44100u, f.samples_per_sec);
    EXPECT_EQ(176400u, f.avg_bytes_per_sec);
    EXPECT_EQ(4, f.block_align);
    ASSERT_EQ(Rc(RC_OK), Rc(stop_playback()));

    // No frame parsed: no sample rate code, so the device runs at 48 kHz.
    reset_frame_info();
    ASSERT_EQ(Rc(RC_OK), Rc(start_playback(nullptr)));
    EXPECT_EQ(48000u, scripted_wave_out_format().samples_per_sec);
    EXPECT_EQ(192000u, scripted_wave_out_format().avg_bytes_per_sec);
}

// Refused reset, close, query and open; no ring at all.
TEST_F(Playback, RefusedDevice) {
    open_stream("stop.ac3", stream_file_bytes(FORMAT_NORMAL, make_records(FrameSpec{}, 9)));
    ASSERT_EQ(Rc(RC_OK), Rc(start_playback(nullptr)));
    scripted_wave_refuse(CALL_OUT_RESET, 1);
    EXPECT_EQ(Rc(RC_PLAYBACK_CLOSE_FAILED), Rc(stop_playback()));
    EXPECT_TRUE(scripted_wave_out_open());
    EXPECT_EQ(1, wave_ring().active);
    EXPECT_EQ(0, scripted_wave_calls(CALL_OUT_UNPREPARE));
    scripted_wave_refuse(CALL_OUT_RESET, 0);
    scripted_wave_refuse(CALL_OUT_CLOSE, 1);
    EXPECT_EQ(Rc(RC_PLAYBACK_CLOSE_FAILED), Rc(stop_playback()));
    scripted_wave_refuse(CALL_OUT_CLOSE, 0);
    EXPECT_EQ(Rc(RC_OK), Rc(stop_playback()));
    EXPECT_EQ(0, wave_ring().active);
    stream_close();
    for (ScriptedCall refused : {CALL_OUT_QUERY, CALL_OUT_OPEN}) {
        scripted_wave_reset();
        scripted_wave_refuse(refused, 1);
        WaveBufferNode* before = wave_ring().current;
        EXPECT_EQ(Rc(RC_NO_PLAYBACK_DEVICE), Rc(start_playback(nullptr)));
        EXPECT_EQ(0, wave_ring().active);
        EXPECT_EQ(before, wave_ring().current);
        EXPECT_EQ(0, scripted_wave_calls(CALL_OUT_WRITE));
    }
    scripted_wave_reset();
    free_wave_buffers();
    EXPECT_EQ(Rc(RC_NO_PLAYBACK_DEVICE), Rc(start_playback(nullptr)));
    for (int call = 0; call < CALL_COUNT; ++call) {
        EXPECT_EQ(0, scripted_wave_calls(static_cast<ScriptedCall>(call))) << call;
    }
}

#ifdef _WIN32
// With a real window the device's returns arrive as MM_WOM_DONE messages.
TEST_F(Playback, ReturnsArePostedToARealWindow) {
    HWND window = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(nullptr, window);
    open_stream("post.ac3", stream_file_bytes(FORMAT_NORMAL, make_records(FrameSpec{}, 40)));
    ASSERT_EQ(Rc(RC_OK), Rc(start_playback(window)));
    scripted_wave_return_output(2);
    MSG msg;
    int done = 0;
    while (PeekMessageA(&msg, window, MM_WOM_DONE, MM_WOM_DONE, PM_REMOVE)) {
        ++done;
        EXPECT_EQ(Rc(RC_OK), Rc(on_output_buffer_done()));
    }
    EXPECT_EQ(2, done);
    EXPECT_EQ(Rc(RC_OK), Rc(stop_playback()));
    while (PeekMessageA(&msg, window, 0, 0, PM_REMOVE)) {
    }
    DestroyWindow(window);
}
#endif

}  // namespace
