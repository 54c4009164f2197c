// The time display: SMPTE text with its suffixes and the end-of-file time code,
// elapsed time and frame numbers at each sample rate, and the mode buttons.
#include <gtest/gtest.h>

#include <string>

#include "bitstream/time_code.h"
#include "common/file_format.h"
#include "common/ids.h"
#include "settings/prefs.h"
#include "streamfile/stream_file.h"
#include "tests/support/test_files.h"
#include "tests/support/test_frames.h"
#include "tests/ui/main_window.h"
#include "transport/transport_state.h"
#include "ui/main_display.h"
#include "ui/time_display.h"

namespace {

class TimeDisplayTest : public ::testing::Test {
protected:
    void SetUp() override {
        set_time_display_mode(0);
        window = create_main_window();
        ASSERT_NE(nullptr, window);
    }
    void TearDown() override { release_main_window(window); }
    // A file of count frames of shape, opened in STATE_READY.
    void open(int format, int count, FrameSpec shape = {}) {
        const std::string path = dir.path("t" + std::to_string(++files) + ".ac3");
        write_stream_file(path, std::vector<std::vector<Word>>(count, make_frame(shape)), format);
        open_in_state(window, path, STATE_READY);
    }
    void click(int id) {
        SendDlgItemMessageA(window, id, BM_CLICK, 0, 0);
        pump_messages();
    }
    std::string shown() { return list_text(window, IDC_TIME, 0); }
    std::string at_frame(int n) {
        stream_seek(0, SEEK_TO_START);
        stream_seek(n, SEEK_BY_FRAMES);
        show_time(window);
        return shown();
    }
    HWND window = nullptr;
    TempDir dir;
    int files = 0;
};

TEST_F(TimeDisplayTest, ResetLeavesBlankDisabledFieldAndTheStoredModeChecked) {
    EXPECT_EQ(" ", shown());
    EXPECT_FALSE(is_enabled(window, IDC_TIME));
    for (int id : {IDC_TIME_SMPTE, IDC_TIME_ELAPSED, IDC_TIME_FRAMES}) {
        EXPECT_FALSE(is_enabled(window, id));
    }
    EXPECT_TRUE(is_checked(window, IDC_TIME_SMPTE));

    // An unknown stored mode checks nothing; the first refresh shows frames and stores 2.
    set_time_display_mode(5);
    reset_time_display(window);
    for (int id : {IDC_TIME_SMPTE, IDC_TIME_ELAPSED, IDC_TIME_FRAMES}) {
        EXPECT_FALSE(is_checked(window, id));
    }
    open(FORMAT_NORMAL, 4);
    EXPECT_EQ("0", shown());
    EXPECT_EQ(2, get_time_display_mode());
}

TEST_F(TimeDisplayTest, ElapsedTimeAndFrameNumbersAt48kHz) {
    FrameSpec shape;
    shape.frmsizecod = 0;  // 64-word frames: positions are exact multiples
    open(FORMAT_NORMAL, 2000, shape);
    click(IDC_TIME_ELAPSED);
    EXPECT_EQ(1, get_time_display_mode());
    EXPECT_EQ("00:00:00.0", at_frame(0));
    EXPECT_EQ("00:00:00.3", at_frame(10));
    EXPECT_EQ("00:00:03.2", at_frame(100));
    EXPECT_EQ("00:01:00.0", at_frame(1875));
    click(IDC_TIME_FRAMES);
    EXPECT_EQ("1875", shown());
    EXPECT_EQ(2, get_time_display_mode());
    EXPECT_TRUE(is_checked(window, IDC_TIME_FRAMES));
    EXPECT_FALSE(is_checked(window, IDC_TIME_ELAPSED));
}

TEST_F(TimeDisplayTest, AnHourOfFramesShowsOneHour) {
    FrameSpec shape;
    shape.frmsizecod = 0;
    open(FORMAT_NORMAL, 112500, shape);  // 112500 frames of 32 ms
    click(IDC_TIME_ELAPSED);
    stream_seek(0, SEEK_TO_END);
    show_time(window);
    EXPECT_EQ("01:00:00.0", shown());
}

TEST_F(TimeDisplayTest, ElapsedTimeAt44And32kHz) {
    // 69-word frames against a nominal 69.66 words per frame: 1010 frames end
    // at frame number 1000, 742 frames at 735.
    FrameSpec shape;
    shape.fscod = 1;
    shape.frmsizecod = 0;
    open(FORMAT_NORMAL, 1010, shape);
    click(IDC_TIME_FRAMES);
    stream_seek(0, SEEK_TO_END);
    show_time(window);
    ASSERT_EQ("1000", shown());
    click(IDC_TIME_ELAPSED);
    EXPECT_EQ("00:00:34.8", shown());
    close_for_test(window);

    // 735 frames last exactly 25.6 s.
    open(FORMAT_NORMAL, 742, shape);
    stream_seek(0, SEEK_TO_END);
    click(IDC_TIME_FRAMES);
    ASSERT_EQ("735", shown());
    click(IDC_TIME_ELAPSED);
    EXPECT_EQ("00:00:25.6", shown());
    close_for_test(window);

    shape.fscod = 2;  // 32 kHz, 96-word frames: 48 ms each
    open(FORMAT_NORMAL, 30, shape);
    EXPECT_EQ("00:00:00.9", at_frame(20));
}

TEST_F(TimeDisplayTest, ElapsedTimeOfAFileWithoutFrames) {
    open_in_state(window, dir.path("empty.ac3"), STATE_RECORD_ARMED);
    click(IDC_TIME_ELAPSED);
    EXPECT_EQ("00:00:00.0", shown());
    click(IDC_TIME_FRAMES);
    EXPECT_EQ("0", shown());
}

TEST_F(TimeDisplayTest, SmpteTextWithRateAndDropFrameSuffixes) {
    open(FORMAT_NORMAL_TC, 10);
    EXPECT_TRUE(is_checked(window, IDC_TIME_SMPTE));
    EXPECT_EQ("01:00:00:00 - 25 fps", shown());

    struct Case {
        int rate_code, drop;
        const char* text;
    } cases[] = {
        {4, 1, "01:02:03:04 - 29.97 fps drop frame"},
        {0, 0, "01:02:03:04"},
        {9, 0, "01:02:03:04 - Unknown"},
        {12, 1, "01:02:03:04 drop frame"},
    };
    for (const Case& c : cases) {
        std::vector<Word> packet = make_time_code_packet(1, 2, 3, 4, 0, c.rate_code, c.drop);
        decode_time_code(packet.data());
        show_time(window);
        EXPECT_EQ(c.text, shown());
    }
    set_time_code_valid(0);
    show_time(window);
    EXPECT_EQ(" ", shown());
    EXPECT_EQ(0, get_time_display_mode());
}

TEST_F(TimeDisplayTest, StoppedAtTheEndShowsTheTimeCodeOfTheEnd) {
    open(FORMAT_NORMAL_TC, 10);
    // What the time code layer makes of the last packet, one frame on.
    std::vector<Word> last = make_time_code_packet(1, 0, 0, 9, 0, 3, 0);
    decode_time_code(last.data());
    advance_time_code();
    TimeCode end;
    get_time_code(&end);
    char expected[64];
    std::snprintf(expected, sizeof(expected), "%02d:%02d:%02d:%02d - 25 fps", end.hours,
                  end.minutes, end.seconds, end.frames);

    stream_seek(0, SEEK_TO_START);
    stream_seek(9, SEEK_BY_FRAMES);  // on the last record: its own packet
    show_time(window);
    EXPECT_EQ("01:00:00:09 - 25 fps", shown());

    stream_seek(0, SEEK_TO_END);
    show_time(window);
    EXPECT_EQ(expected, shown());
    show_time(window);  // and at every refresh
    EXPECT_EQ(expected, shown());
}

TEST_F(TimeDisplayTest, ClickingFramesWhilePlayingSwitchesAndIsKeptForTheNextRun) {
    open(FORMAT_NORMAL_TC, 10);
    set_transport_state(STATE_PLAYING);
    refresh_for_test(window);
    click(IDC_TIME_FRAMES);
    EXPECT_EQ("0", shown());
    EXPECT_EQ(2, get_time_display_mode());
    close_for_test(window);
    EXPECT_TRUE(is_checked(window, IDC_TIME_FRAMES));
    EXPECT_FALSE(is_checked(window, IDC_TIME_SMPTE));

    // Only the three buttons are taken.
    EXPECT_EQ(0, on_time_display_command(window, WM_COMMAND, CMD_PLAY, 0));
    EXPECT_EQ(0, on_time_display_command(window, WM_NOTIFY, IDC_TIME_SMPTE, 0));
    EXPECT_EQ(1, on_time_display_command(window, WM_COMMAND,
                                         MAKEWPARAM(IDC_TIME_SMPTE, BN_DOUBLECLICKED), 0));
}

}  // namespace
