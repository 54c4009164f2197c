// The engine tests' fixture on the scripted device.
#include "tests/audio/engine_test_util.h"
#include "tests/scripted_wave/scripted_wave.h"
#include "tests/test_memory/test_memory.h"

void EngineTest::SetUp() {
    test_memory_fail_alloc_after(-1);
    test_memory_fail_lock_after(-1);
    scripted_wave_reset();
    set_spdif_mode(0);
    set_rec_format(FORMAT_NORMAL_TC);
    set_err_check(1);
    set_require_tc(0);
    set_read_only(0);
    set_play_device("");
    set_rec_device("");
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
