// The displays of a real main window read back as a user sees them: the
// parameter and frame-error fields, each transport state's look and the button
// pictures, the time display, the position slider and the status bar.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <set>

#include "bitstream/frame_crc.h"
#include "bitstream/frame_parser.h"
#include "bitstream/time_code.h"
#include "common/ids.h"
#include "settings/prefs.h"
#include "streamfile/stream_file.h"
#include "tests/support/test_files.h"
#include "tests/ui_files/ui_test_support.h"
#include "transport/slider.h"
#include "transport/transport_controller.h"
#include "transport/transport_state.h"
#include "ui/button_bar.h"
#include "ui/main_display.h"
#include "ui/status_bar.h"
#include "ui/time_display.h"

namespace {

constexpr uint32_t DARK_GREEN = 0x008000, GREEN = 0x00FF00, DARK_RED = 0x800000, RED = 0xFF0000;
constexpr uint32_t WHITE = 0xFFFFFF, BLACK = 0;

class Display : public ::testing::Test {
protected:
    void SetUp() override {
        set_err_check(1);
        set_time_display_mode(0);
        reset_frame_errors();
        ASSERT_NE(nullptr, window = create_main_window());
    }
    void TearDown() override { close(); }
    void close() { release_main_window(window); }
    // A stream file of count frames (none: a new file) opened in state.
    std::string open(int format, int count, int state, FrameSpec shape = {}) {
        const std::string path = dir.path("t" + std::to_string(++files) + ".ac3");
        if (count > 0) {
            write_stream_file(path, count, format, shape);
        }
        open_in_state(window, path, state);
        return path;
    }
    void set_state(int state) {
        set_transport_state(state);
        refresh_main_window(window);
    }
    LRESULT send(int id, UINT message, WPARAM wparam = 0, LPARAM lparam = 0) {
        return SendDlgItemMessageA(window, id, message, wparam, lparam);
    }
    // The entry a one-line list field shows: its top one.
    std::string shown(int id) {
        char text[512] = "<none>";
        send(id, LB_GETTEXT, send(id, LB_GETTOPINDEX), reinterpret_cast<LPARAM>(text));
        return text;
    }
    bool enabled(int id) { return IsWindowEnabled(GetDlgItem(window, id)) != FALSE; }
    std::string status(int part) {
        char text[512] = "";
        send(IDC_STATUS_BAR, SB_GETTEXTA, part, reinterpret_cast<LPARAM>(text));
        return text;
    }
    HBITMAP picture(int id) {
        return reinterpret_cast<HBITMAP>(send(id, BM_GETIMAGE, IMAGE_BITMAP));
    }
    // The colour (0xRRGGBB) of pixel (x, y) of a button's picture; (6, 7) is
    // in the middle of its fill.
    uint32_t pixel(int id, int x = 6, int y = 7) {
        HDC dc = CreateCompatibleDC(nullptr);
        HGDIOBJ old = SelectObject(dc, picture(id));
        const COLORREF c = GetPixel(dc, x, y);
        SelectObject(dc, old);
        DeleteDC(dc);
        return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
    }
    // The time display after moving to frame n (-1: the end).
    std::string time_at(int n) {
        stream_seek(0, n < 0 ? SEEK_TO_END : SEEK_TO_START);
        stream_seek(n < 0 ? 0 : n, SEEK_BY_FRAMES);
        show_time(window);
        return shown(IDC_TIME);
    }

    HWND window = nullptr;
    TempDir dir;
    int files = 0;
};

TEST_F(Display, ParameterFieldsShowEachFrame) {
    const int fields[] = {IDC_DATA_RATE, IDC_SAMPLE_RATE, IDC_ACMOD,
                          IDC_LFE,       IDC_BSMOD,       IDC_DIALNORM};
    show_frame_parameters(window);  // no frame parsed: the fields stay blank and off
    for (int id : fields) {
        EXPECT_TRUE(shown(id).empty() && !enabled(id)) << id;
    }
    std::vector<Word> frame = make_frame({2, 36, 8, 6, 0, 0, 31});
    parse_frame(frame.data());
    show_frame_parameters(window);
    const char* texts[] = {"640 kbps", "32 kHz", "1+1: L,R", "Off", "Associated service: Emergency",
                           "-31 dB"};
    for (int i = 0; i < 6; ++i) {
        EXPECT_TRUE(enabled(fields[i]));
        EXPECT_EQ(texts[i], shown(fields[i]));
    }
}

TEST_F(Display, FileAndStateDecideWhatIsAllowedAndShown) {
    const std::string path = open(FORMAT_NORMAL, 10, STATE_READY);
    EXPECT_NE(0u, GetMenuState(GetMenu(window), CMD_OPEN, MF_BYCOMMAND) & MF_GRAYED);
    EXPECT_EQ(0u, GetMenuState(GetMenu(window), CMD_CLOSE, MF_BYCOMMAND) & MF_GRAYED);
    EXPECT_TRUE(enabled(CMD_RESET_ERRORS));
    add_frame_errors(2);
    refresh_main_window(window);
    EXPECT_EQ("2", shown(IDC_FRAME_ERRORS));
    EXPECT_EQ(1, send(IDC_FRAME_ERRORS, LB_GETCOUNT));
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
        EXPECT_EQ(c.record, enabled(CMD_RECORD));
        for (int id : {CMD_TO_START, CMD_STEP_BACK, CMD_STEP_FORWARD, CMD_TO_END}) {
            EXPECT_EQ(c.navigation, enabled(id));
        }
        EXPECT_EQ(c.play, pixel(CMD_PLAY));
    }
    close();
    EXPECT_EQ(" ", shown(IDC_FRAME_ERRORS));
    EXPECT_FALSE(enabled(CMD_RESET_ERRORS));
    // An entry longer than the reading buffer is not read past it.
    show_text(window, IDC_FRAME_ERRORS, std::string(200, '9').c_str(), 1);
    EXPECT_EQ(-1, read_number_field(window, IDC_FRAME_ERRORS));
    // A read-only file keeps record disabled.
    open_in_state(window, path, STATE_READY, 1);
    EXPECT_FALSE(enabled(CMD_RECORD));
}

TEST_F(Display, RecordButtonBlinksWhileArmedAndLeavesNoPicturesBehind) {
    open(FORMAT_NORMAL, 10, STATE_RECORD_ARMED);
    for (uint32_t colour : {RED, DARK_RED, DARK_RED, RED, RED, DARK_RED, DARK_RED}) {
        refresh_main_window(window);
        EXPECT_EQ(colour, pixel(CMD_RECORD));
    }
    // Four refreshes a second for a quarter of an hour; every picture shown
    // along the way must be deleted once it is replaced.
    std::set<HBITMAP> old = {picture(CMD_RECORD)};
    for (int i = 0; i < 4 * 900; ++i) {
        refresh_main_window(window);
        old.insert(picture(CMD_RECORD));
    }
    EXPECT_EQ(static_cast<DWORD>(OBJ_BITMAP), GetObjectType(picture(CMD_RECORD)));
    old.erase(picture(CMD_RECORD));
    EXPECT_GT(old.size(), 1u);
    for (HBITMAP picture : old) {
        EXPECT_EQ(0u, GetObjectType(picture));
    }
    // Leaving the state stops the blinking at once; entering again starts pressed.
    set_state(STATE_RECORDING);
    refresh_main_window(window);
    refresh_main_window(window);
    EXPECT_EQ(RED, pixel(CMD_RECORD));
    set_state(STATE_RECORD_ARMED);
    EXPECT_EQ(RED, pixel(CMD_RECORD));
}

TEST_F(Display, ButtonsFillTheBarAndTheirPicturesFollowStateAndColourScheme) {
    RECT bar;
    GetWindowRect(GetDlgItem(window, IDC_BUTTON_BAR), &bar);
    LONG right = bar.left;  // in order, apart, at the bar's top, to its end
    for (int id : {CMD_STOP, CMD_PLAY, CMD_RECORD, CMD_TO_START, CMD_STEP_BACK, CMD_STEP_FORWARD,
                   CMD_TO_END}) {
        RECT r;
        GetWindowRect(GetDlgItem(window, id), &r);
        EXPECT_TRUE(IsWindowVisible(GetDlgItem(window, id)) && right <= r.left && r.top == bar.top);
        right = r.right;
    }
    EXPECT_TRUE(right <= bar.right && right >= bar.right - 4) << right;

    auto expect_look = [this](int id, uint32_t face, uint32_t shape, uint32_t fill) {
        EXPECT_EQ(face, pixel(id, 0, 0));
        EXPECT_EQ(shape, pixel(id, 2, id == CMD_PLAY ? 7 : 3));
        EXPECT_EQ(fill, pixel(id));
    };
    // Disabled: black shapes on white, whatever is asked; enabling shows the
    // pressed picture asked for before.
    set_button_pressed(window, CMD_STOP, 1);
    expect_look(CMD_STOP, WHITE, BLACK, WHITE);
    set_button_enabled(window, CMD_STOP, 1);
    EXPECT_EQ(GREEN, pixel(CMD_STOP));
    // A new scheme reaches the enabled pictures; disabled ones ignore it.
    const int elements[] = {COLOR_BTNFACE, COLOR_BTNTEXT};
    const COLORREF saved[] = {GetSysColor(COLOR_BTNFACE), GetSysColor(COLOR_BTNTEXT)};
    const COLORREF dark[] = {RGB(0x20, 0x20, 0x30), RGB(0xF0, 0xE0, 0x10)};
    ASSERT_TRUE(SetSysColors(2, elements, dark));
    SendMessageA(window, WM_SYSCOLORCHANGE, 0, 0);  // make sure ours has heard it
    expect_look(CMD_STOP, 0x202030u, 0xF0E010u, GREEN);
    expect_look(CMD_PLAY, WHITE, BLACK, WHITE);
    SetSysColors(2, elements, saved);
    SendMessageA(window, WM_SYSCOLORCHANGE, 0, 0);
}

TEST_F(Display, StatusBarShowsMenuHelpWhileAMenuIsOpen) {
    HMENU bar = GetMenu(window);
    const std::string ready = status(0);
    struct Case {
        UINT item, flags;
        HMENU menu;
        const char* text;
    } cases[] = {
        {0, MF_POPUP, bar, "Opens and closes Orvel Digital files or quits program."},
        {CMD_OPEN, MF_HILITE, GetSubMenu(bar, 0), "Opens a file for record/playback."},
        {CMD_OPEN, MF_SYSMENU, GetSystemMenu(window, FALSE), ""},
    };
    for (const Case& c : cases) {
        SendMessageA(window, WM_MENUSELECT, MAKEWPARAM(c.item, c.flags),
                     reinterpret_cast<LPARAM>(c.menu));
        EXPECT_TRUE(send(IDC_STATUS_BAR, SB_ISSIMPLE));
        EXPECT_EQ(c.text, status(0));
    }
    // Closing the menu brings back the parts with their texts.
    SendMessageA(window, WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0);
    EXPECT_FALSE(send(IDC_STATUS_BAR, SB_ISSIMPLE));
    EXPECT_EQ(ready, status(0));
}

TEST_F(Display, TimeModeFollowsTheFileLayoutTheStoredModeAndClicks) {
    // 904-word records (packet and frame) count as one frame each.
    open(FORMAT_NORMAL_TC, 300, STATE_READY, FrameSpec{0, 30});
    EXPECT_EQ("Frame Count \t\t300 ", status(2));
    EXPECT_EQ("File Format: \t\tNormal + TC ", status(3));
    EXPECT_EQ("CRC", status(1));
    EXPECT_TRUE(enabled(IDC_TIME_SMPTE) && is_checked(window, IDC_TIME_SMPTE));
    close();
    // A file without time code leaves SMPTE for elapsed time, which stays.
    open(FORMAT_NORMAL, 10, STATE_READY);
    EXPECT_FALSE(enabled(IDC_TIME_SMPTE));
    close();
    open(FORMAT_NORMAL_TC, 3, STATE_READY);
    EXPECT_TRUE(enabled(IDC_TIME_SMPTE) && is_checked(window, IDC_TIME_ELAPSED));
    EXPECT_EQ(1, get_time_display_mode());
    close();
    EXPECT_EQ(" ", shown(IDC_TIME));
}

TEST_F(Display, ElapsedTimeAndFrameNumbersAtEachSampleRate) {
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
        send(IDC_TIME_FRAMES, BM_CLICK);
        EXPECT_EQ(c.frames, time_at(c.at));
        send(IDC_TIME_ELAPSED, BM_CLICK);
        EXPECT_EQ(c.elapsed, shown(IDC_TIME));
        close();
        EXPECT_TRUE(is_checked(window, IDC_TIME_ELAPSED)) << "a click is kept for the next file";
    }
}

TEST_F(Display, SmpteTextWithRateAndDropFrameSuffixesAndTheEndOfFile) {
    open(FORMAT_NORMAL_TC, 10, STATE_READY);
    EXPECT_EQ("01:00:00:00 - 25 fps", shown(IDC_TIME));
    EXPECT_EQ("01:00:00:09 - 25 fps", time_at(9));  // on the last record: its own packet
    // At the end: the last packet's time code one frame on, at every refresh.
    EXPECT_EQ("01:00:00:10 - 25 fps", time_at(-1));
    show_time(window);
    EXPECT_EQ("01:00:00:10 - 25 fps", shown(IDC_TIME));

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
        EXPECT_EQ(c.text, shown(IDC_TIME));
    }
    set_time_code_valid(0);
    show_time(window);
    EXPECT_EQ(" ", shown(IDC_TIME));
    EXPECT_EQ(0, get_time_display_mode());
}

TEST_F(Display, SliderFollowsThePositionAndIsOffWhileCapturing) {
    open(FORMAT_NORMAL, 4, STATE_READY);
    stream_seek(2, SEEK_BY_FRAMES);
    update_slider(window);
    EXPECT_EQ(16384, send(IDC_SLIDER, TBM_GETPOS));  // 2 x 32767 / 4 = 16383.5, rounded up
    send(IDC_SLIDER, TBM_SETPOS, TRUE, 10000);
    EXPECT_EQ(-1, slider_frame_delta(window));
    // Held by the user, the thumb stays under the mouse; the slider still goes
    // off while the input device runs.
    set_slider_tracking(0);
    set_state(STATE_RECORD_ARMED);
    EXPECT_EQ(10000, send(IDC_SLIDER, TBM_GETPOS));
    EXPECT_FALSE(enabled(IDC_SLIDER));
    close();
    // Without frames the thumb stays at zero.
    open(FORMAT_NORMAL, 0, STATE_READY);
    send(IDC_SLIDER, TBM_SETPOS, TRUE, 20000);
    update_slider(window);
    EXPECT_EQ(0, send(IDC_SLIDER, TBM_GETPOS));
    EXPECT_TRUE(enabled(IDC_SLIDER));
}

}  // namespace
