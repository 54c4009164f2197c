// The displays of a real main window read back as a user sees them: the
// parameter fields, the frame-error field, each transport state's look, the
// time display and the position slider.
#include <windows.h>

#include <commctrl.h>

#include <set>

#include "bitstream/frame_crc.h"
#include "bitstream/frame_parser.h"
#include "bitstream/time_code.h"
#include "common/file_format.h"
#include "common/ids.h"
#include "settings/prefs.h"
#include "streamfile/stream_file.h"
#include "tests/ui/main_window.h"
#include "transport/slider.h"
#include "transport/transport_state.h"
#include "ui/main_display.h"
#include "ui/time_display.h"

namespace {

constexpr int PARAMETER_FIELDS[] = {IDC_DATA_RATE, IDC_SAMPLE_RATE, IDC_ACMOD,
                                    IDC_LFE,       IDC_BSMOD,       IDC_DIALNORM};
constexpr int NAVIGATION[] = {CMD_TO_START, CMD_STEP_BACK, CMD_STEP_FORWARD, CMD_TO_END};
constexpr uint32_t DARK_GREEN = 0x008000, GREEN = 0x00FF00, DARK_RED = 0x800000, RED = 0xFF0000;

class DisplayTest : public WindowTest {
protected:
    void SetUp() override {
        set_err_check(1);
        set_time_display_mode(0);
        reset_frame_errors();
        WindowTest::SetUp();
    }
    // The fill colour in the middle of a transport button's picture.
    uint32_t fill(int id) { return bitmap_pixel(button_image(window, id), 6, 7); }
    void set_state(int state) {
        set_transport_state(state);
        refresh_for_test(window);
    }
    void click(int id) {
        SendDlgItemMessageA(window, id, BM_CLICK, 0, 0);
        pump_messages();
    }
    // The time display after moving to frame n (-1: the end).
    std::string time_at(int n) {
        stream_seek(0, n < 0 ? SEEK_TO_END : SEEK_TO_START);
        stream_seek(n < 0 ? 0 : n, SEEK_BY_FRAMES);
        show_time(window);
        return time_text();
    }
    std::string time_text() { return list_text(window, IDC_TIME, 0); }
    int thumb() {
        return static_cast<int>(SendDlgItemMessageA(window, IDC_SLIDER, TBM_GETPOS, 0, 0));
    }
    void put_thumb(int t) { SendDlgItemMessageA(window, IDC_SLIDER, TBM_SETPOS, TRUE, t); }
};

TEST_F(DisplayTest, ParameterFieldsShowEachFrame) {
    // Without a parsed frame the fields stay disabled and blank.
    show_frame_parameters(window);
    for (int id : PARAMETER_FIELDS) {
        EXPECT_FALSE(is_enabled(window, id));
        EXPECT_EQ("", shown_entry(window, id));
    }
    std::vector<Word> frame = make_frame({2, 36, 8, 6, 0, 0, 31});
    parse_frame(frame.data());
    show_frame_parameters(window);
    const char* shown[] = {"640 kbps", "32 kHz", "1+1: L,R", "Off", "Associated service: Emergency",
                           "-31 dB"};
    for (int i = 0; i < 6; ++i) {
        EXPECT_TRUE(is_enabled(window, PARAMETER_FIELDS[i]));
        EXPECT_EQ(shown[i], shown_entry(window, PARAMETER_FIELDS[i]));
    }
}

TEST_F(DisplayTest, FrameErrorFieldFollowsTheCounterAndIsBlankWithoutFile) {
    open(FORMAT_NORMAL, 10, STATE_READY);
    EXPECT_EQ("0", list_text(window, IDC_FRAME_ERRORS, 0));
    EXPECT_TRUE(is_enabled(window, CMD_RESET_ERRORS));
    add_frame_errors(1);
    add_frame_errors(1);
    refresh_for_test(window);
    EXPECT_EQ("2", list_text(window, IDC_FRAME_ERRORS, 0));
    EXPECT_EQ(1, SendDlgItemMessageA(window, IDC_FRAME_ERRORS, LB_GETCOUNT, 0, 0));
    close();
    EXPECT_EQ(" ", list_text(window, IDC_FRAME_ERRORS, 0));
    EXPECT_FALSE(is_enabled(window, CMD_RESET_ERRORS));
    EXPECT_EQ(-1, read_number_field(window, IDC_FRAME_ERRORS));
    // An entry longer than the reading buffer is not read past it.
    show_text(window, IDC_FRAME_ERRORS, std::string(200, '9').c_str(), 1);
    EXPECT_EQ(-1, read_number_field(window, IDC_FRAME_ERRORS));
}

TEST_F(DisplayTest, EachStateAllowsWhatItShould) {
    const std::string path = open(FORMAT_NORMAL, 10, STATE_READY);
    EXPECT_NE(0u, GetMenuState(GetMenu(window), CMD_OPEN, MF_BYCOMMAND) & MF_GRAYED);
    EXPECT_EQ(0u, GetMenuState(GetMenu(window), CMD_CLOSE, MF_BYCOMMAND) & MF_GRAYED);
    struct Case {
        int state;
        bool record, navigation;
        uint32_t play;  // the pressed or released look
    } cases[] = {{STATE_PLAYING, false, true, GREEN},
                 {STATE_READY, true, true, DARK_GREEN},
                 {STATE_RECORD_ARMED, true, false, DARK_GREEN},
                 {STATE_RECORDING, true, false, GREEN}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.state);
        set_state(c.state);
        EXPECT_EQ(c.record, is_enabled(window, CMD_RECORD));
        for (int id : NAVIGATION) {
            EXPECT_EQ(c.navigation, is_enabled(window, id));
        }
        EXPECT_EQ(c.play, fill(CMD_PLAY));
    }
    close();

    // A read-only file keeps record disabled until a writable one.
    open_in_state(window, path, STATE_READY, 1);
    EXPECT_FALSE(is_enabled(window, CMD_RECORD));
    close();
    open_in_state(window, path, STATE_READY, 0);
    EXPECT_TRUE(is_enabled(window, CMD_RECORD));
}

TEST_F(DisplayTest, RecordButtonBlinksWhileArmedAndLeavesNoPicturesBehind) {
    open(FORMAT_NORMAL, 10, STATE_RECORD_ARMED);
    for (uint32_t colour : {RED, DARK_RED, DARK_RED, RED, RED, DARK_RED, DARK_RED}) {
        refresh_for_test(window);
        EXPECT_EQ(colour, fill(CMD_RECORD));
    }
    // Four refreshes a second for a quarter of an hour; every picture shown
    // along the way must be deleted once it is replaced.
    const DWORD before = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    std::set<HBITMAP> shown = {button_image(window, CMD_RECORD)};
    for (int i = 0; i < 4 * 900; ++i) {
        refresh_for_test(window);
        shown.insert(button_image(window, CMD_RECORD));
    }
    pump_messages();
    HBITMAP current = button_image(window, CMD_RECORD);
    EXPECT_EQ(static_cast<DWORD>(OBJ_BITMAP), GetObjectType(current));
    EXPECT_GT(shown.size(), 2u);
    shown.erase(current);
    for (HBITMAP picture : shown) {
        EXPECT_EQ(0u, GetObjectType(picture));
    }
    // Where the system counts a process's GDI objects, the count is unchanged.
    EXPECT_EQ(before, GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS));

    // Leaving the state stops the blinking at once; entering again starts pressed.
    set_state(STATE_RECORDING);
    refresh_for_test(window);
    refresh_for_test(window);
    EXPECT_EQ(RED, fill(CMD_RECORD));
    set_state(STATE_RECORD_ARMED);
    EXPECT_EQ(RED, fill(CMD_RECORD));
}

TEST_F(DisplayTest, FileLayoutStoredModeAndClicksDecideTheTimeMode) {
    // Records of 904 words (packet and 896-word frame) count as one frame each.
    open(FORMAT_NORMAL_TC, 300, STATE_READY, FrameSpec{0, 30});
    EXPECT_EQ("Frame Count \t\t300 ", status_text(window, 2));
    EXPECT_EQ("CRC", status_text(window, 1));
    EXPECT_TRUE(is_enabled(window, IDC_TIME_SMPTE));
    EXPECT_TRUE(is_checked(window, IDC_TIME_SMPTE));
    close();
    // A file without time code leaves SMPTE for elapsed time...
    set_err_check(0);
    open(FORMAT_NORMAL, 10, STATE_READY);
    EXPECT_FALSE(is_enabled(window, IDC_TIME_SMPTE));
    EXPECT_TRUE(is_checked(window, IDC_TIME_ELAPSED));
    EXPECT_EQ(1, get_time_display_mode());
    EXPECT_EQ(" ", status_text(window, 1));
    close();
    // ...and a file with time code enables SMPTE again without switching back.
    open(FORMAT_NORMAL_TC, 3, STATE_READY);
    EXPECT_TRUE(is_enabled(window, IDC_TIME_SMPTE));
    EXPECT_TRUE(is_checked(window, IDC_TIME_ELAPSED));
    close();
    EXPECT_EQ(" ", time_text());
    EXPECT_FALSE(is_enabled(window, IDC_TIME_FRAMES));

    // An unknown stored mode checks nothing; the first refresh shows frames and stores 2.
    set_time_display_mode(5);
    reset_time_display(window);
    for (int id : {IDC_TIME_SMPTE, IDC_TIME_ELAPSED, IDC_TIME_FRAMES}) {
        EXPECT_FALSE(is_checked(window, id));
    }
    open(FORMAT_NORMAL, 4, STATE_READY);
    EXPECT_EQ("0", time_text());
    EXPECT_EQ(2, get_time_display_mode());
    close();

    // A click while playing switches at once and is kept for the next file.
    set_time_display_mode(0);
    open(FORMAT_NORMAL_TC, 10, STATE_PLAYING);
    click(IDC_TIME_FRAMES);
    EXPECT_EQ("0", time_text());
    EXPECT_EQ(2, get_time_display_mode());
    close();
    EXPECT_TRUE(is_checked(window, IDC_TIME_FRAMES));
}

TEST_F(DisplayTest, ElapsedTimeAndFrameNumbersAtEachSampleRate) {
    struct Case {
        int fscod, count, at;  // at: the frame moved to, -1 the end
        const char *frames, *elapsed;
    } cases[] = {
        // 48 kHz, 64-word frames of 32 ms.
        {0, 2000, 100, "100", "00:00:03.2"},
        {0, 112500, -1, "112500", "01:00:00.0"},
        // 44.1 kHz, 69-word frames against a nominal 69.66 words per frame.
        {1, 1010, -1, "1000", "00:00:34.8"},
        // 32 kHz, 96-word frames of 48 ms.
        {2, 30, 20, "20", "00:00:00.9"},
        {0, 0, -1, "0", "00:00:00.0"},  // no frames at all
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.elapsed);
        open(FORMAT_NORMAL, c.count, STATE_READY, FrameSpec{c.fscod, 0});
        click(IDC_TIME_FRAMES);
        EXPECT_EQ(c.frames, time_at(c.at));
        click(IDC_TIME_ELAPSED);
        EXPECT_EQ(c.elapsed, time_text());
        close();
    }
}

TEST_F(DisplayTest, SmpteTextWithRateAndDropFrameSuffixesAndTheEndOfFile) {
    open(FORMAT_NORMAL_TC, 10, STATE_READY);
    EXPECT_EQ("01:00:00:00 - 25 fps", time_text());
    EXPECT_EQ("01:00:00:09 - 25 fps", time_at(9));  // on the last record: its own packet
    // At the end: the last packet's time code one frame on, at every refresh.
    EXPECT_EQ("01:00:00:10 - 25 fps", time_at(-1));
    show_time(window);
    EXPECT_EQ("01:00:00:10 - 25 fps", time_text());

    stream_seek(0, SEEK_TO_START);
    struct Case {
        int rate_code, drop;
        const char* text;
    } cases[] = {{4, 1, "01:02:03:04 - 29.97 fps drop frame"},
                 {0, 0, "01:02:03:04"},
                 {9, 0, "01:02:03:04 - Unknown"},
                 {10, 0, "01:02:03:04"},
                 {15, 1, "01:02:03:04 drop frame"}};
    for (const Case& c : cases) {
        std::vector<Word> packet = make_time_code_packet(1, 2, 3, 4, 0, c.rate_code, c.drop);
        decode_time_code(packet.data());
        show_time(window);
        EXPECT_EQ(c.text, time_text());
    }
    set_time_code_valid(0);
    show_time(window);
    EXPECT_EQ(" ", time_text());
    EXPECT_EQ(0, get_time_display_mode());
}

TEST_F(DisplayTest, SliderThumbAndDeltas) {
    // 96-word frames: four make 384 words.
    open(FORMAT_NORMAL, 4, STATE_READY, FrameSpec{0, 4});
    stream_seek(2, SEEK_BY_FRAMES);
    update_slider(window);
    EXPECT_EQ(16384, thumb());  // 2 x 32767 / 4 = 16383.5, rounded up
    put_thumb(SLIDER_MAX);
    EXPECT_EQ(2, slider_frame_delta(window));
    put_thumb(10000);
    EXPECT_EQ(-1, slider_frame_delta(window));
    // While dragging the thumb stays under the mouse; the release resumes tracking.
    set_slider_tracking(0);
    put_thumb(5000);
    update_slider(window);
    EXPECT_EQ(5000, thumb());
    set_slider_tracking(1);
    update_slider(window);
    EXPECT_EQ(16384, thumb());
    close();

    // Without frames the thumb stays at zero.
    open(FORMAT_NORMAL, 0, STATE_READY);
    put_thumb(20000);
    EXPECT_EQ(0, slider_frame_delta(window));
    update_slider(window);
    EXPECT_EQ(0, thumb());
    // Off while the input device runs, also while the user holds the thumb.
    set_state(STATE_RECORD_ARMED);
    EXPECT_FALSE(is_enabled(window, IDC_SLIDER));
    set_transport_state(STATE_RECORDING);
    set_slider_tracking(0);
    update_slider(window);
    EXPECT_FALSE(is_enabled(window, IDC_SLIDER));
    set_transport_state(STATE_READY);
    update_slider(window);
    EXPECT_TRUE(is_enabled(window, IDC_SLIDER));
    set_slider_tracking(1);
}

}  // namespace
