// The parameter fields, the frame-error field and the look of each transport
// state, read back from a real main window the way a user would see them.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "bitstream/frame_crc.h"
#include "bitstream/frame_parser.h"
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

constexpr int PARAMETER_FIELDS[] = {IDC_DATA_RATE, IDC_SAMPLE_RATE, IDC_ACMOD,
                                    IDC_LFE,       IDC_BSMOD,       IDC_DIALNORM};
constexpr int NAVIGATION[] = {CMD_TO_START, CMD_STEP_BACK, CMD_STEP_FORWARD, CMD_TO_END};

// Colours of the pictures' fills (0xRRGGBB).
constexpr uint32_t DARK_GREEN = 0x008000, GREEN = 0x00FF00;
constexpr uint32_t DARK_RED = 0x800000, RED = 0xFF0000;
constexpr uint32_t WHITE = 0xFFFFFF;

// The fill colour in the middle of a transport button's picture.
uint32_t fill(HWND window, int id) {
    return bitmap_pixel(button_image(window, id), 6, 7);
}

void show_frame(HWND window, const FrameSpec& shape) {
    std::vector<Word> frame = make_frame(shape);
    parse_frame(frame.data());
    show_frame_parameters(window);
}

class DisplayTest : public ::testing::Test {
protected:
    void SetUp() override {
        set_err_check(1);
        set_time_display_mode(0);
        reset_frame_errors();
        window = create_main_window();
        ASSERT_NE(nullptr, window);
    }
    void TearDown() override { release_main_window(window); }
    std::string file(const char* name, int format, int count = 10, FrameSpec shape = {}) {
        std::vector<std::vector<Word>> frames(count, make_frame(shape));
        std::string path = dir.path(name);
        write_stream_file(path, frames, format);
        return path;
    }
    HWND window = nullptr;
    TempDir dir;
};

TEST_F(DisplayTest, FieldsStartDisabledAndBlankWithTheirVocabularies) {
    const int counts[] = {39, 4, 9, 3, 11, 33};
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE(PARAMETER_FIELDS[i]);
        EXPECT_FALSE(is_enabled(window, PARAMETER_FIELDS[i]));
        EXPECT_EQ(counts[i], list_count(window, PARAMETER_FIELDS[i]));
        EXPECT_EQ("", shown_entry(window, PARAMETER_FIELDS[i]));
    }
    EXPECT_EQ("640 kbps", list_text(window, IDC_DATA_RATE, 19));
    EXPECT_EQ("", list_text(window, IDC_DATA_RATE, 20));
    EXPECT_EQ("32 kHz", list_text(window, IDC_SAMPLE_RATE, 3));
    EXPECT_EQ("-31 dB", list_text(window, IDC_DIALNORM, 32));

    // Without a parsed frame nothing changes.
    show_frame_parameters(window);
    EXPECT_FALSE(is_enabled(window, IDC_DATA_RATE));
}

TEST_F(DisplayTest, FramesOfEachSampleRateShowTheirParameters) {
    struct Case {
        FrameSpec shape;
        const char *rate, *sample_rate, *acmod, *lfe, *bsmod, *dialnorm;
    } cases[] = {
        {{0, 0, 8, 0, 2, 0, 27},
         "32 kbps",
         "48 kHz",
         "2/0: L,R",
         "Off",
         "Main audio service: Complete main",
         "-27 dB"},
        {{1, 37, 8, 2, 7, 1, 0},
         "640 kbps",
         "44.1 kHz",
         "3/2: L,C,R,Ls,Rs",
         "On",
         "Associated service: Visually impaired",
         "Reserved"},
        {{2, 36, 8, 6, 0, 0, 31},
         "640 kbps",
         "32 kHz",
         "1+1: L,R",
         "Off",
         "Associated service: Emergency",
         "-31 dB"},
        {{0, 29, 8, 1, 1, 1, 1},
         "384 kbps",
         "48 kHz",
         "1/0: C",
         "On",
         "Main audio service: Music and effects",
         "-1 dB"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rate);
        show_frame(window, c.shape);
        for (int id : PARAMETER_FIELDS) {
            EXPECT_TRUE(is_enabled(window, id));
        }
        EXPECT_EQ(c.rate, shown_entry(window, IDC_DATA_RATE));
        EXPECT_EQ(c.sample_rate, shown_entry(window, IDC_SAMPLE_RATE));
        EXPECT_EQ(c.acmod, shown_entry(window, IDC_ACMOD));
        EXPECT_EQ(c.lfe, shown_entry(window, IDC_LFE));
        EXPECT_EQ(c.bsmod, shown_entry(window, IDC_BSMOD));
        EXPECT_EQ(c.dialnorm, shown_entry(window, IDC_DIALNORM));
    }
}

TEST_F(DisplayTest, BitstreamMode7DependsOnTheCodingMode) {
    for (int acmod = 0; acmod < 8; ++acmod) {
        SCOPED_TRACE(acmod);
        FrameSpec shape;
        shape.bsmod = 7;
        shape.acmod = acmod;
        show_frame(window, shape);
        const char* expected = acmod == 0   ? "Reserved"
                               : acmod == 1 ? "Associated service: Voice over"
                                            : "Main audio service: Karaoke";
        EXPECT_EQ(expected, shown_entry(window, IDC_BSMOD));
    }
}

TEST_F(DisplayTest, FrameErrorFieldFollowsTheCounterAndIsBlankWithoutFile) {
    EXPECT_EQ(" ", list_text(window, IDC_FRAME_ERRORS, 0));
    EXPECT_FALSE(is_enabled(window, IDC_FRAME_ERRORS));
    EXPECT_FALSE(is_enabled(window, CMD_RESET_ERRORS));

    open_in_state(window, file("a.ac3", FORMAT_NORMAL), STATE_READY);
    EXPECT_EQ("0", list_text(window, IDC_FRAME_ERRORS, 0));
    EXPECT_TRUE(is_enabled(window, IDC_FRAME_ERRORS));
    EXPECT_TRUE(is_enabled(window, CMD_RESET_ERRORS));

    add_frame_errors(1);
    add_frame_errors(1);
    refresh_for_test(window);
    EXPECT_EQ("2", list_text(window, IDC_FRAME_ERRORS, 0));
    EXPECT_EQ(1, list_count(window, IDC_FRAME_ERRORS));

    // An unchanged number is not written again.
    write_number_field(window, IDC_FRAME_ERRORS, "%d errors", 2);
    refresh_for_test(window);
    EXPECT_EQ("2 errors", list_text(window, IDC_FRAME_ERRORS, 0));

    close_for_test(window);
    EXPECT_EQ(" ", list_text(window, IDC_FRAME_ERRORS, 0));
    EXPECT_FALSE(is_enabled(window, IDC_FRAME_ERRORS));
    EXPECT_EQ(-1, read_number_field(window, IDC_FRAME_ERRORS));

    // An entry longer than the reading buffer is not read past it.
    show_text(window, IDC_FRAME_ERRORS, std::string(200, '9').c_str(), 1);
    EXPECT_EQ(-1, read_number_field(window, IDC_FRAME_ERRORS));
}

TEST_F(DisplayTest, NoFileLook) {
    EXPECT_EQ("Orvel Digital Recorder", window_text(window));
    EXPECT_EQ("Open File...", window_text(GetDlgItem(window, CMD_OPEN_CLOSE)));
    EXPECT_TRUE(is_enabled(window, CMD_OPEN_CLOSE));
    EXPECT_EQ(0u, menu_state(window, CMD_OPEN) & MF_GRAYED);
    EXPECT_NE(0u, menu_state(window, CMD_CLOSE) & MF_GRAYED);
    EXPECT_EQ("No file open", status_text(window, 0));
    for (int part = 1; part < 4; ++part) {
        EXPECT_EQ(" ", status_text(window, part));
    }
    for (int id : {CMD_STOP, CMD_PLAY, CMD_RECORD, CMD_TO_START, CMD_STEP_BACK, CMD_STEP_FORWARD,
                   CMD_TO_END}) {
        EXPECT_FALSE(is_enabled(window, id));
    }
    EXPECT_EQ(WHITE, fill(window, CMD_STOP));
}

TEST_F(DisplayTest, EachStateLooksAsItShouldThroughTheTransitions) {
    const std::string path = file("take.ac3", FORMAT_NORMAL);
    open_in_state(window, path, STATE_READY);
    EXPECT_EQ("Orvel Digital Recorder - " + path, window_text(window));
    EXPECT_EQ("Close File", window_text(GetDlgItem(window, CMD_OPEN_CLOSE)));
    EXPECT_NE(0u, menu_state(window, CMD_OPEN) & MF_GRAYED);
    EXPECT_EQ(0u, menu_state(window, CMD_CLOSE) & MF_GRAYED);
    EXPECT_EQ("Ready", status_text(window, 0));
    EXPECT_EQ("CRC", status_text(window, 1));
    EXPECT_EQ("Frame Count \t\t10 ", status_text(window, 2));
    EXPECT_EQ("File Format: \t\tNormal ", status_text(window, 3));
    EXPECT_EQ(GREEN, fill(window, CMD_STOP));
    EXPECT_EQ(DARK_GREEN, fill(window, CMD_PLAY));
    EXPECT_EQ(DARK_RED, fill(window, CMD_RECORD));
    for (int id : NAVIGATION) {
        EXPECT_TRUE(is_enabled(window, id));
    }
    EXPECT_TRUE(is_enabled(window, IDC_TIME_ELAPSED));
    EXPECT_TRUE(is_enabled(window, IDC_TIME_FRAMES));

    set_transport_state(STATE_PLAYING);
    refresh_for_test(window);
    EXPECT_EQ("Playing", status_text(window, 0));
    EXPECT_EQ(DARK_GREEN, fill(window, CMD_STOP));
    EXPECT_EQ(GREEN, fill(window, CMD_PLAY));
    EXPECT_FALSE(is_enabled(window, CMD_RECORD));
    EXPECT_TRUE(is_enabled(window, CMD_STEP_FORWARD));  // moving while playing is allowed

    set_transport_state(STATE_READY);
    refresh_for_test(window);
    EXPECT_EQ(GREEN, fill(window, CMD_STOP));
    EXPECT_TRUE(is_enabled(window, CMD_RECORD));

    set_transport_state(STATE_RECORD_ARMED);
    refresh_for_test(window);
    EXPECT_EQ(RED, fill(window, CMD_RECORD));
    EXPECT_EQ(DARK_GREEN, fill(window, CMD_STOP));
    for (int id : NAVIGATION) {
        EXPECT_FALSE(is_enabled(window, id));
    }
    set_transport_state(STATE_RECORDING);
    refresh_for_test(window);
    EXPECT_EQ(GREEN, fill(window, CMD_PLAY));
    EXPECT_EQ(RED, fill(window, CMD_RECORD));
    EXPECT_FALSE(is_enabled(window, CMD_TO_END));
    EXPECT_EQ("Orvel Digital Recorder - " + path, window_text(window));
}

TEST_F(DisplayTest, RecordButtonBlinksEverySecondRefreshWhileArmed) {
    open_in_state(window, file("armed.ac3", FORMAT_NORMAL), STATE_RECORD_ARMED);
    const uint32_t expected[] = {RED, DARK_RED, DARK_RED, RED, RED, DARK_RED, DARK_RED};
    EXPECT_EQ(RED, fill(window, CMD_RECORD));
    for (uint32_t colour : expected) {
        refresh_for_test(window);
        EXPECT_EQ(colour, fill(window, CMD_RECORD));
    }
    // Leaving the state stops the blinking at once; entering again starts pressed.
    set_transport_state(STATE_RECORDING);
    refresh_for_test(window);
    refresh_for_test(window);
    refresh_for_test(window);
    EXPECT_EQ(RED, fill(window, CMD_RECORD));
    set_transport_state(STATE_RECORD_ARMED);
    refresh_for_test(window);
    EXPECT_EQ(RED, fill(window, CMD_RECORD));
}

TEST_F(DisplayTest, LongBlinkingLeavesNoPicturesBehind) {
    open_in_state(window, file("long.ac3", FORMAT_NORMAL), STATE_RECORD_ARMED);
    refresh_for_test(window);
    refresh_for_test(window);
    const DWORD before = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    // Four refreshes a second for a quarter of an hour; every picture shown
    // along the way must be deleted once it is replaced.
    std::set<HBITMAP> shown = {button_image(window, CMD_RECORD)};
    for (int i = 0; i < 4 * 900; ++i) {
        refresh_for_test(window);
        shown.insert(button_image(window, CMD_RECORD));
    }
    pump_messages();
    HBITMAP current = button_image(window, CMD_RECORD);
    EXPECT_EQ(static_cast<DWORD>(OBJ_BITMAP), GetObjectType(current));
    EXPECT_GT(shown.size(), 2u);
    int alive = 0;
    for (HBITMAP picture : shown) {
        alive += picture != current && GetObjectType(picture) != 0;
    }
    EXPECT_EQ(0, alive);
    // Where the system counts a process's GDI objects, the count is unchanged.
    EXPECT_EQ(before, GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS));
}

TEST_F(DisplayTest, ReadOnlyFileKeepsRecordDisabledUntilAWritableOne) {
    const std::string path = file("ro.ac3", FORMAT_NORMAL);
    open_in_state(window, path, STATE_READY, 1);
    EXPECT_FALSE(is_enabled(window, CMD_RECORD));
    EXPECT_TRUE(is_enabled(window, CMD_PLAY));
    close_for_test(window);
    open_in_state(window, path, STATE_READY, 0);
    EXPECT_TRUE(is_enabled(window, CMD_RECORD));
}

TEST_F(DisplayTest, FileLayoutDecidesFrameCountFormatTextAndSmpteButton) {
    // Records of 904 words (packet and 896-word frame) count as one frame each.
    FrameSpec shape;
    shape.frmsizecod = 30;
    open_in_state(window, file("tc.ac3", FORMAT_NORMAL_TC, 10, shape), STATE_READY);
    EXPECT_EQ("Frame Count \t\t10 ", status_text(window, 2));
    close_for_test(window);
    open_in_state(window, file("tc300.ac3", FORMAT_NORMAL_TC, 300, shape), STATE_READY);
    EXPECT_EQ("Frame Count \t\t300 ", status_text(window, 2));
    EXPECT_EQ("File Format: \t\tNormal + TC ", status_text(window, 3));
    EXPECT_TRUE(is_enabled(window, IDC_TIME_SMPTE));
    EXPECT_TRUE(is_checked(window, IDC_TIME_SMPTE));
    SendDlgItemMessageA(window, IDC_TIME_FRAMES, BM_CLICK, 0, 0);
    stream_seek(120, SEEK_BY_FRAMES);
    show_time(window);
    EXPECT_EQ("120", list_text(window, IDC_TIME, 0));
    set_time_display_mode(0);
    close_for_test(window);

    // A file without time code leaves SMPTE for elapsed time...
    set_err_check(0);
    open_in_state(window, file("plain.ac3", FORMAT_NORMAL), STATE_READY);
    EXPECT_FALSE(is_enabled(window, IDC_TIME_SMPTE));
    EXPECT_TRUE(is_checked(window, IDC_TIME_ELAPSED));
    EXPECT_EQ(1, get_time_display_mode());
    EXPECT_EQ(" ", status_text(window, 1));
    close_for_test(window);

    // ...and a file with time code enables SMPTE again without switching back.
    open_in_state(window, file("tc2.ac3", FORMAT_NORMAL_TC, 3), STATE_READY);
    EXPECT_TRUE(is_enabled(window, IDC_TIME_SMPTE));
    EXPECT_TRUE(is_checked(window, IDC_TIME_ELAPSED));
    close_for_test(window);

    // A new, empty file counts no frames.
    open_in_state(window, dir.path("new.ac3"), STATE_READY);
    EXPECT_EQ("Frame Count \t\t0 ", status_text(window, 2));
}

}  // namespace
