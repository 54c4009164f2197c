// The engines on the platform's real waveform device (winmm). Where the
// machine has no such device the tests say so and skip.
#include <windows.h>
#include <mmsystem.h>

#include "tests/audio/engine_test_util.h"

namespace {

// Waits for the next device message for the window; false after timeout_ms.
// The deadline only bounds a broken device; a working one answers in 256 ms.
bool next_device_message(HWND window, UINT message, DWORD timeout_ms) {
    DWORD start = GetTickCount();
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, window, 0, 0, PM_REMOVE)) {
            if (msg.message == message)
                return true;
            DispatchMessageA(&msg);
        }
        DWORD spent = GetTickCount() - start;
        if (spent >= timeout_ms)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, timeout_ms - spent, QS_ALLPOSTMESSAGE);
    }
}

class Device : public testing::Test {
protected:
    void SetUp() override {
        set_spdif_mode(0);
        set_rec_format(FORMAT_NORMAL);
        ASSERT_EQ(0, allocate_wave_buffers());
        window = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(nullptr, window);
    }
    void TearDown() override {
        stop_playback();
        stop_capture();
        stream_close();
        free_wave_buffers();
        DestroyWindow(window);
    }
    TempDir dir;
    HWND window = nullptr;
};

TEST_F(Device, PlaysAFileToTheEnd) {
    open_stream(dir, "play.ac3", stream_file_bytes(FORMAT_NORMAL, make_records(FrameSpec{}, 10)));
    stream_seek(0, SEEK_TO_START);
    int rc = start_playback(window);
    if (rc == RC_NO_PLAYBACK_DEVICE)
        GTEST_SKIP() << "no waveform output device accepts 48 kHz 16-bit stereo here";
    ASSERT_EQ(Rc(RC_OK), Rc(rc));
    std::vector<int> results;
    while (rc != RC_PLAYBACK_DRAINED && results.size() < 10) {
        ASSERT_TRUE(next_device_message(window, MM_WOM_DONE, 5000)) << "no MM_WOM_DONE";
        results.push_back(rc = on_output_buffer_done());
    }
    EXPECT_EQ((std::vector<int>{RC_OK, RC_END_OF_FILE, RC_OK, RC_OK, RC_PLAYBACK_DRAINED}),
              results);
    EXPECT_EQ(Rc(RC_OK), Rc(stop_playback()));
}

TEST_F(Device, CapturesAndStops) {
    ASSERT_EQ(Rc(RC_OK), Rc(stream_open(dir.path("rec.ac3").c_str(), 0)));
    int rc = start_capture(window);
    if (rc == RC_NO_RECORD_DEVICE)
        GTEST_SKIP() << "no waveform input device accepts 48 kHz 16-bit stereo here";
    ASSERT_EQ(Rc(RC_OK), Rc(rc));
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(next_device_message(window, MM_WIM_DATA, 5000)) << "no MM_WIM_DATA";
        rc = on_input_buffer_filled(STATE_RECORD_ARMED);
        EXPECT_TRUE(rc == RC_DATA || rc == RC_NO_DATA) << Rc(rc);
    }
    EXPECT_EQ(Rc(RC_OK), Rc(stop_capture()));
}

}  // namespace
