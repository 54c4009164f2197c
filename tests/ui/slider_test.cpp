// The position slider: the thumb follows the file position, thumb positions
// turn into frame moves, and the slider is off while the input device runs.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include "common/file_format.h"
#include "common/ids.h"
#include "streamfile/stream_file.h"
#include "tests/support/test_files.h"
#include "tests/support/test_frames.h"
#include "tests/ui/main_window.h"
#include "transport/slider.h"
#include "transport/transport_state.h"

namespace {

class SliderTest : public ::testing::Test {
protected:
    void SetUp() override {
        window = create_main_window();
        ASSERT_NE(nullptr, window);
    }
    void TearDown() override { release_main_window(window); }
    int thumb() {
        return static_cast<int>(SendDlgItemMessageA(window, IDC_SLIDER, TBM_GETPOS, 0, 0));
    }
    void put_thumb(int t) { SendDlgItemMessageA(window, IDC_SLIDER, TBM_SETPOS, TRUE, t); }
    HWND window = nullptr;
    TempDir dir;
};

TEST_F(SliderTest, ResetGivesADisabledSliderOverTheFullRange) {
    EXPECT_FALSE(is_enabled(window, IDC_SLIDER));
    EXPECT_EQ(0, thumb());
    EXPECT_EQ(0, SendDlgItemMessageA(window, IDC_SLIDER, TBM_GETRANGEMIN, 0, 0));
    EXPECT_EQ(SLIDER_MAX, SendDlgItemMessageA(window, IDC_SLIDER, TBM_GETRANGEMAX, 0, 0));
}

TEST_F(SliderTest, ThumbAndDeltasOfAFourFrameFile) {
    FrameSpec shape;
    shape.frmsizecod = 4;  // 96-word frames: four make 384 words
    const std::string path = dir.path("four.ac3");
    write_stream_file(path, std::vector<std::vector<Word>>(4, make_frame(shape)), FORMAT_NORMAL);
    open_in_state(window, path, STATE_READY);
    EXPECT_TRUE(is_enabled(window, IDC_SLIDER));
    EXPECT_EQ(0, thumb());

    stream_seek(2, SEEK_BY_FRAMES);
    update_slider(window);
    EXPECT_EQ(16384, thumb());  // 2 x 32767 / 4 = 16383.5, rounded up
    EXPECT_EQ(0, slider_frame_delta(window));
    put_thumb(SLIDER_MAX);
    EXPECT_EQ(2, slider_frame_delta(window));
    put_thumb(10000);
    EXPECT_EQ(-1, slider_frame_delta(window));

    stream_seek(0, SEEK_TO_END);
    update_slider(window);
    EXPECT_EQ(SLIDER_MAX, thumb());

    // While dragging the thumb stays under the mouse; the release resumes tracking.
    set_slider_tracking(0);
    put_thumb(5000);
    update_slider(window);
    EXPECT_EQ(5000, thumb());
    set_slider_tracking(1);
    update_slider(window);
    EXPECT_EQ(SLIDER_MAX, thumb());
}

TEST_F(SliderTest, AFileWithoutFramesKeepsTheThumbAtZero) {
    open_in_state(window, dir.path("empty.ac3"), STATE_READY);
    EXPECT_EQ(0, thumb());
    put_thumb(20000);
    EXPECT_EQ(0, slider_frame_delta(window));
    update_slider(window);
    EXPECT_EQ(0, thumb());
}

TEST_F(SliderTest, DisabledWhileTheInputDeviceRuns) {
    open_in_state(window, dir.path("rec.ac3"), STATE_RECORD_ARMED);
    EXPECT_FALSE(is_enabled(window, IDC_SLIDER));
    set_transport_state(STATE_RECORDING);
    set_slider_tracking(0);  // also while the user holds the thumb
    update_slider(window);
    EXPECT_FALSE(is_enabled(window, IDC_SLIDER));
    set_transport_state(STATE_READY);
    update_slider(window);
    EXPECT_TRUE(is_enabled(window, IDC_SLIDER));
    set_slider_tracking(1);
}

}  // namespace
