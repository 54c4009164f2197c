// The whole program in one process: the real main window, its procedure and
// every handler, with the scripted waveform device in place of the sound card
// so that the test decides when each buffer comes back.
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "audio/capture.h"
#include "audio/wave_ring.h"
#include "common/file_format.h"
#include "common/ids.h"
#include "common/result.h"
#include "common/transport_state.h"
#include "settings/prefs.h"
#include "settings/settings_file.h"
#include "streamfile/stream_file.h"
#include "tests/program/failing_writes.h"
#include "tests/scripted_wave/scripted_wave.h"
#include "tests/support/test_files.h"
#include "tests/support/test_frames.h"
#include "tests/test_memory/test_memory.h"
#include "transport/transport_state.h"
#include "ui/app_frame.h"
#include "ui/open_file.h"
#include "ui/status_bar.h"

namespace {

// Every modal box the program shows is answered here, as soon as it is
// activated: with the planned answer once, else IDOK; the session may end
// while the next one is up.
struct Boxes {
    HHOOK hook;
    int answer;
    std::vector<std::string> texts;
    RECT stop_when_activated;  // the stop button when a main window first became active
    HWND end_session_to;
};
Boxes boxes;

LRESULT CALLBACK answer_boxes(int code, WPARAM wparam, LPARAM lparam) {
    HWND box = reinterpret_cast<HWND>(wparam);
    char name[32] = "";
    if (code == HCBT_ACTIVATE) {
        GetClassNameA(box, name, sizeof name);
    }
    if (std::string(name) == "bitdek" && IsRectEmpty(&boxes.stop_when_activated)) {
        GetWindowRect(GetDlgItem(box, CMD_STOP), &boxes.stop_when_activated);
    }
    if (std::string(name) == "#32770") {
        boxes.texts.push_back(box_text(box));
        if (boxes.end_session_to != nullptr) {
            PostMessageA(boxes.end_session_to, WM_ENDSESSION, TRUE, 0);
            boxes.end_session_to = nullptr;
        }
        PostMessageA(box, WM_COMMAND, MAKEWPARAM(boxes.answer ? boxes.answer : IDOK, BN_CLICKED),
                     0);
        boxes.answer = 0;
    }
    return CallNextHookEx(boxes.hook, code, wparam, lparam);
}

std::string settings_path() {
    char path[SETTINGS_PATH_CHARS] = "";
    settings_file_path(path);
    return path;
}

std::string status_text(HWND window) {
    char text[128] = "";
    SendDlgItemMessageA(window, IDC_STATUS_BAR, SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(text));
    return text;
}

// A stream file's bytes, its frames all of one size so that steps and the
// slider move by whole records (time code packet and frame), and the PCM that
// playing it sends: input for a recording (three silent buffers, then eight
// records a buffer).
struct Stream {
    std::vector<uint8_t> bytes, pcm;
    int32_t record_words;
    std::vector<uint8_t> first(int records) const {
        return {bytes.begin(), bytes.begin() + 2 * records * record_words};
    }
};

Stream make_stream(int format, int count) {
    std::vector<std::vector<Word>> frames = distinct_frames(count);
    size_t packet = format == FORMAT_NORMAL_TC ? tc_packet(0).size() : 0;
    return {frames_file_bytes(format, frames), pcm_bytes(played_words(0, format, frames)),
            static_cast<int32_t>(frames[0].size() + packet)};
}

class Program : public ::testing::Test {
protected:
    void SetUp() override {
        scripted_wave_reset();
        test_memory_fail_alloc_after(-1);
        failing_files = {};
        DeleteFileA(settings_path().c_str());
        boxes = {};
        boxes.hook = SetWindowsHookExA(WH_CBT, answer_boxes, nullptr, GetCurrentThreadId());
    }

    void TearDown() override {
        if (window != nullptr && IsWindow(window)) {
            SendMessageA(window, WM_CLOSE, 0, 0);
        }
        pump();
        UnhookWindowsHookEx(boxes.hook);
        DeleteFileA(settings_path().c_str());
        EXPECT_EQ(0, scripted_wave_misuse());
    }

    void start(const std::string& command_line = "") {
        quit = false;
        std::wstring wide(command_line.begin(), command_line.end());
        window = start_program(GetModuleHandleA(nullptr), SW_SHOWNORMAL,
                               command_line.empty() ? nullptr : wide.c_str());
        ASSERT_NE(nullptr, window);
        pump();
    }

    // Drops the files on the window as the shell does: DROPFILES, then the
    // names, each ended by a zero, and one zero more (GHND zeroes the block).
    std::string drop(const std::string& names) {
        return drop(std::wstring(names.begin(), names.end()));
    }
    std::string drop(const std::wstring& names) {
        HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + 2 * (names.size() + 2));
        auto* files = static_cast<DROPFILES*>(GlobalLock(memory));
        *files = {sizeof(DROPFILES), {}, FALSE, TRUE};
        std::copy(names.begin(), names.end(), reinterpret_cast<wchar_t*>(files + 1));
        GlobalUnlock(memory);
        PostMessageA(window, WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0);
        pump();
        StreamFile file;
        stream_get_file(&file);
        return file.name;
    }

    // Handles everything queued, as the message loop would; notes the quit.
    void pump() {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                quit = true;
                continue;
            }
            if (window != nullptr && IsWindow(window) && IsDialogMessageA(window, &message)) {
                continue;
            }
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }

    void command(int id) {
        SendMessageA(window, WM_COMMAND, MAKEWPARAM(id, 0), 0);
        pump();
    }

    // Opens path through the recent-file command, as the File menu does.
    void open(const std::string& path) {
        recent_add_for_window(window, path.c_str());
        command(CMD_RECENT_FILE_1);
    }

    std::string write_stream(const std::string& name, const Stream& stream) {
        std::string path = dir.path(name);
        write_file_bytes(path, stream.bytes);
        return path;
    }

    void fill_input(int buffers) {
        for (int i = 0; i < buffers && scripted_wave_in().open; ++i) {
            scripted_wave_fill_input(1);
            pump();
        }
    }

    // Records at the end of the open file, the card hearing pcm.
    void record(const std::vector<uint8_t>& pcm = {}) {
        command(CMD_TO_END);
        command(CMD_RECORD);
        command(CMD_PLAY);
        scripted_wave_supply_input(pcm.data(), pcm.size());
    }

    int32_t file_length() {
        StreamFile file;
        stream_get_file(&file);
        return file.length;
    }

    HWND window = nullptr;
    bool quit = false;
    TempDir dir;
};

// Steps, jumps and the slider move the file while it plays; from the end, or
// after a failed read, Play starts again at the first frame.
TEST_F(Program, MovesWhilePlayingAndPlaysAgainFromTheEnd) {
    Stream s = make_stream(FORMAT_NORMAL, 40);
    const int32_t r = s.record_words;
    start();
    open(write_stream("moves.ac3", s));
    command(CMD_PLAY);
    scripted_wave_return_output(1);
    pump();
    ASSERT_EQ(8 * r, stream_get_position());
    command(CMD_STEP_FORWARD);
    EXPECT_EQ(9 * r, stream_get_position());
    command(CMD_STEP_BACK);
    command(CMD_STEP_BACK);
    EXPECT_EQ(7 * r, stream_get_position());
    command(CMD_TO_START);
    EXPECT_EQ(0, stream_get_position());

    // The thumb stays where the user holds it while buffers come back;
    // letting go moves the file there once, and the thumb follows it again.
    HWND slider = GetDlgItem(window, IDC_SLIDER);
    SendMessageA(window, WM_HSCROLL, MAKEWPARAM(TB_THUMBTRACK, 0), (LPARAM)slider);
    SendMessageA(slider, TBM_SETPOS, TRUE, 16384);
    scripted_wave_return_output(1);
    pump();
    EXPECT_EQ(16384, SendMessageA(slider, TBM_GETPOS, 0, 0));
    EXPECT_EQ(8 * r, stream_get_position());
    SendMessageA(window, WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, 16384), (LPARAM)slider);
    pump();
    EXPECT_EQ(20 * r, stream_get_position());
    scripted_wave_return_output(1);
    pump();
    EXPECT_EQ(28 * r, stream_get_position());
    EXPECT_EQ(static_cast<LRESULT>(28.0 * 32767 / 40 + 0.5),
              SendMessageA(slider, TBM_GETPOS, 0, 0));

    command(CMD_STOP);
    command(CMD_TO_END);
    command(CMD_PLAY);
    scripted_wave_return_output(1);
    pump();
    EXPECT_EQ(8 * r, stream_get_position());

    // A read that fails ends playback as the end of the file does, and the
    // store says where; with reads working again the file plays from its start.
    failing_files.reads = true;
    command(CMD_STEP_FORWARD);
    for (int i = 0; i < 4; ++i) {  // the buffer filled at the end goes out once more
        scripted_wave_return_output(1);
        pump();
    }
    EXPECT_EQ(STATE_READY, get_transport_state());
    EXPECT_EQ(9 * r, stream_read_error_at());
    failing_files.reads = false;
    command(CMD_PLAY);
    scripted_wave_return_output(1);
    pump();
    EXPECT_EQ(8 * r, stream_get_position());
    EXPECT_TRUE(boxes.texts.empty());
}

TEST_F(Program, ArmsMonitorsPausesAndResumes) {
    Stream s = make_stream(FORMAT_NORMAL, 40);
    const int32_t r = s.record_words;
    start();
    set_rec_format(FORMAT_NORMAL);
    open(dir.path("new.ac3"));
    command(CMD_RECORD);
    ASSERT_EQ(STATE_RECORD_ARMED, get_transport_state());
    scripted_wave_supply_input(s.pcm.data(), s.pcm.size());
    fill_input(1);  // three silent buffers, then records 1 to 8
    EXPECT_EQ("Waiting for data", status_text(window));
    fill_input(3);
    EXPECT_EQ("Press play to record", status_text(window));
    EXPECT_EQ(0, file_length()) << "nothing is written while armed";

    command(CMD_PLAY);
    fill_input(1);
    EXPECT_EQ("Recording", status_text(window));
    EXPECT_EQ(8 * r, file_length());
    command(CMD_PLAY);  // pause
    fill_input(1);
    EXPECT_EQ(8 * r, file_length());
    command(CMD_PLAY);  // resume
    fill_input(1);
    EXPECT_EQ(16 * r, file_length());
}

// Inside a file Record asks before it erases the rest; the recording follows
// what stays, in the file's own layout.
TEST_F(Program, RecordingInsideAFileAsksFirst) {
    Stream s = make_stream(FORMAT_NORMAL_TC, 12);
    start();
    set_rec_format(FORMAT_NORMAL);
    std::string path = write_stream("middle.ac3", s);
    open(path);
    // A Record whose device cannot start leaves the file as it was.
    set_rec_device("Missing card");
    boxes.answer = IDYES;
    command(CMD_RECORD);
    set_rec_device("");
    StreamFile file;
    stream_get_file(&file);
    EXPECT_EQ(FORMAT_NORMAL_TC, file.format);
    EXPECT_EQ(12 * s.record_words, file.length);
    for (int i = 0; i < 4; ++i) {
        command(CMD_STEP_FORWARD);
    }
    boxes.answer = IDNO;
    command(CMD_RECORD);
    ASSERT_EQ(3u, boxes.texts.size());
    EXPECT_EQ("Cannot open sound card for record.", boxes.texts[1]);
    EXPECT_EQ(STATE_READY, get_transport_state());
    EXPECT_EQ(4 * s.record_words, stream_get_position());
    EXPECT_EQ(12 * s.record_words, file_length());

    boxes.answer = IDYES;
    command(CMD_RECORD);
    ASSERT_EQ(STATE_RECORD_ARMED, get_transport_state());
    EXPECT_EQ(4 * s.record_words, file_length()) << "the rest of the file is cut off";
    scripted_wave_supply_input(s.pcm.data(), s.pcm.size());
    command(CMD_PLAY);
    fill_input(5);
    // Another program reading the file does not keep the stop from cutting it.
    HANDLE reader = CreateFileA(path.c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    command(CMD_STOP);
    CloseHandle(reader);
    command(CMD_CLOSE);
    std::vector<uint8_t> expected = s.first(4);
    expected.insert(expected.end(), s.bytes.begin(), s.bytes.end());
    EXPECT_TRUE(expected == read_file_bytes(path));
    EXPECT_EQ(4u, boxes.texts.size());
}

TEST_F(Program, StreamWithoutTimeCodeIsRefusedWhenTimeCodeIsRequired) {
    start();
    set_rec_format(FORMAT_NORMAL_TC);
    set_require_tc(1);
    open(dir.path("refused.ac3"));
    record(make_stream(FORMAT_NORMAL, 16).pcm);
    fill_input(4);
    set_require_tc(0);
    EXPECT_EQ(STATE_READY, get_transport_state()) << "stopped before the message";
    EXPECT_EQ(std::vector<std::string>{"Input stream does not have time code."}, boxes.texts);
}

TEST_F(Program, AFailedWriteStopsTheRecordingAndSaysSo) {
    Stream s = make_stream(FORMAT_NORMAL, 24);
    start();
    set_rec_format(FORMAT_NORMAL);
    std::string path = dir.path("full.ac3");
    open(path);
    record(s.pcm);
    fill_input(4);  // records 1 to 8 reach the disk
    ASSERT_EQ(8 * s.record_words, file_length());
    failing_files.writes = true;
    fill_input(1);
    EXPECT_EQ(STATE_READY, get_transport_state());
    EXPECT_FALSE(scripted_wave_in().open);
    EXPECT_EQ(std::vector<std::string>{"Cannot write to the file."}, boxes.texts);
    failing_files.writes = false;
    command(CMD_CLOSE);
    EXPECT_TRUE(s.first(8) == read_file_bytes(path)) << "what was written before stays";

    // A stop that cannot cut the file says so, once, also when a failed
    // write brought the stop.
    open(path);
    record();
    failing_files.cuts = true;
    command(CMD_STOP);
    EXPECT_EQ(2u, boxes.texts.size());
    record();
    failing_files.writes = true;
    fill_input(2);
    EXPECT_EQ(STATE_READY, get_transport_state());
    EXPECT_EQ(3u, boxes.texts.size());

    // The cut works but the file can be reopened only for reading: the
    // recording stays playable and the record button goes off.
    failing_files = {};
    record();
    failing_files.reopens = true;
    command(CMD_STOP);
    failing_files.reopens = false;
    EXPECT_EQ(3u, boxes.texts.size()) << "the recording is whole";
    EXPECT_EQ(STATE_READY, get_transport_state());
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(window, CMD_RECORD)));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(window, CMD_PLAY)));
}

// Byte offsets are 32-bit: a file of 2 GB is refused, and a recording near the
// limit stops at the last frame that fits, each saying why. The files are
// sparse: a frame, then a hole.
TEST_F(Program, TheTwoGigabyteLimitIsNamed) {
    Stream s = make_stream(FORMAT_NORMAL, 24);
    start();
    std::string path = dir.path("big.ac3");
    write_file_bytes(path, s.first(1));
    set_file_size(path, uint64_t{1} << 31);
    open(path);
    EXPECT_EQ(STATE_NO_FILE, get_transport_state());
    ASSERT_EQ(1u, boxes.texts.size());
    EXPECT_EQ("Files of 2 GB or more cannot be opened.", boxes.texts[0]);

    const int32_t frame = s.record_words;
    const int32_t room = MAX_FILE_WORDS - 3 * frame - frame / 2;  // three more frames
    set_file_size(path, 2 * static_cast<uint64_t>(room));
    open(path);
    record(s.pcm);
    fill_input(4);
    EXPECT_EQ(STATE_READY, get_transport_state());
    ASSERT_EQ(2u, boxes.texts.size());
    EXPECT_EQ("The file has reached 2 GB, the largest it can be.", boxes.texts[1]);
    command(CMD_CLOSE);
    WIN32_FILE_ATTRIBUTE_DATA data;
    ASSERT_TRUE(GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data));
    EXPECT_EQ(0u, data.nFileSizeHigh);
    EXPECT_EQ(2u * static_cast<DWORD>(room + 3 * frame), data.nFileSizeLow);
}

// A stop the device refuses is said once, and the transport keeps showing the
// device running (though Play no longer records) until a later stop or start
// closes it: the close is tried once the device has handed its buffers back,
// even while it refuses to reset. A start says which device is stuck, drops
// the notifications of a device it stopped, and closing the program leaves
// the ring to a device that may still own it.
TEST_F(Program, AStopTheDeviceRefusesIsSaidAndTriedAgain) {
    start();
    const std::string path = write_stream("stuck.ac3", make_stream(FORMAT_NORMAL, 30));
    open(path);
    command(CMD_PLAY);
    scripted_wave_refuse(CALL_OUT_RESET, 1);
    command(CMD_STOP);
    EXPECT_EQ(STATE_PLAYING, get_transport_state());
    scripted_wave_return_output(3);  // played out: the drained stop closes it
    pump();
    EXPECT_EQ(STATE_READY, get_transport_state());
    EXPECT_FALSE(scripted_wave_out().open);

    command(CMD_PLAY);
    command(CMD_CLOSE);
    open(path);
    command(CMD_TO_END);
    command(CMD_RECORD);
    EXPECT_EQ(STATE_READY, get_transport_state());
    scripted_wave_refuse(CALL_OUT_RESET, 0);
    command(CMD_PLAY);
    EXPECT_EQ(STATE_PLAYING, get_transport_state());
    EXPECT_EQ(0, scripted_wave_misuse());
    // The buffers the reset hands back retry the refused close, unsaid.
    scripted_wave_refuse(CALL_OUT_CLOSE, 1);
    command(CMD_STOP);
    scripted_wave_refuse(CALL_OUT_CLOSE, 0);
    command(CMD_STOP);
    EXPECT_EQ(std::vector<std::string>(4, "Cannot open sound card for playback."), boxes.texts);

    command(CMD_TO_END);
    command(CMD_RECORD);
    scripted_wave_refuse(CALL_IN_RESET, 1);
    command(CMD_STOP);
    command(CMD_PLAY);
    EXPECT_EQ(STATE_RECORD_ARMED, get_transport_state()) << "the take has ended";
    command(CMD_CLOSE);
    scripted_wave_refuse(CALL_IN_RESET, 0);
    open(path);
    command(CMD_TO_END);
    command(CMD_RECORD);
    EXPECT_EQ(STATE_RECORD_ARMED, get_transport_state());
    EXPECT_EQ(0, scripted_wave_misuse());

    scripted_wave_refuse(CALL_IN_CLOSE, 1);
    command(CMD_EXIT);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_TRUE(quit);
    EXPECT_TRUE(scripted_wave_in().open);
    EXPECT_NE(nullptr, wave_ring().nodes);
    EXPECT_EQ(std::vector<std::string>(3, "Cannot open sound card for record."),
              std::vector<std::string>(boxes.texts.begin() + 4, boxes.texts.end()));
    // Where the process would end, the test closes the device and frees the
    // ring for the next start.
    scripted_wave_refuse(CALL_IN_CLOSE, 0);
    EXPECT_EQ(RC_OK, stop_capture());
    free_wave_buffers();
}

TEST_F(Program, FileCommandsCloseWhatRunsFirst) {
    Stream s = make_stream(FORMAT_NORMAL, 30);
    start();
    std::string first = write_stream("first.ac3", s);
    std::string second = write_stream("second.ac3", s);
    recent_add_for_window(window, second.c_str());
    open(first);
    command(CMD_PLAY);

    // A recent file while playing: stop, close, then open the other.
    command(CMD_RECENT_FILE_2);
    EXPECT_EQ(STATE_READY, get_transport_state());
    EXPECT_FALSE(scripted_wave_out().open);
    StreamFile file;
    stream_get_file(&file);
    EXPECT_EQ(second, file.name);

    // A recent file that cannot be opened leaves no file open.
    command(CMD_TO_END);
    command(CMD_RECORD);
    DeleteFileA(first.c_str());
    CreateDirectoryA(first.c_str(), nullptr);  // the name is now a folder
    command(CMD_RECENT_FILE_2);
    EXPECT_FALSE(scripted_wave_in().open);
    EXPECT_EQ(STATE_NO_FILE, get_transport_state());
    EXPECT_EQ(1u, boxes.texts.size());
    RemoveDirectoryA(first.c_str());

    // Open/Close with a file open is Close.
    open(second);
    command(CMD_OPEN_CLOSE);
    EXPECT_EQ(STATE_NO_FILE, get_transport_state());

    // Open is not taken while a file is open (the accelerator bypasses the
    // grayed menu item).
    open(second);
    command(CMD_OPEN);
    EXPECT_EQ(1u, boxes.texts.size());
    EXPECT_EQ(STATE_READY, get_transport_state());
}

// Exit, the close box and the end of the session stop what runs and close the
// file before the window goes; the take and the settings are kept.
TEST_F(Program, ExitAndTheCloseBoxCloseTheFileFirst) {
    Stream s = make_stream(FORMAT_NORMAL, 30);
    std::string path = write_stream("exit.ac3", s);
    const struct {
        int state;
        UINT message;
        WPARAM wparam;
    } cases[] = {{STATE_PLAYING, WM_SYSCOMMAND, SC_CLOSE},
                 {STATE_RECORDING, WM_ENDSESSION, TRUE},
                 {STATE_RECORD_ARMED, WM_COMMAND, CMD_EXIT}};
    for (const auto& c : cases) {
        SCOPED_TRACE("state " + std::to_string(c.state));
        DeleteFileA(settings_path().c_str());
        start();
        open(path);
        if (c.state == STATE_PLAYING) {
            command(CMD_PLAY);
        } else {
            command(CMD_TO_END);
            command(CMD_RECORD);
            if (c.state == STATE_RECORDING) {
                command(CMD_PLAY);
            }
        }
        ASSERT_EQ(c.state, get_transport_state());
        SendMessageA(window, c.message, c.wparam, 0);
        pump();
        EXPECT_TRUE(file_exists(settings_path()));
        EXPECT_FALSE(IsWindow(window));
        EXPECT_TRUE(quit);
        EXPECT_EQ(STATE_NO_FILE, get_transport_state());
        EXPECT_FALSE(scripted_wave_out().open || scripted_wave_in().open);
        EXPECT_TRUE(s.bytes == read_file_bytes(path));
    }
    // With no file open the window goes at once; settings that cannot be
    // saved are said to be lost, once, also when the session ends meanwhile.
    char appdata[MAX_PATH] = "";
    GetEnvironmentVariableA("APPDATA", appdata, sizeof appdata);
    SetEnvironmentVariableA("APPDATA", nullptr);
    HANDLE held = CreateFileA(settings_path().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_ALWAYS, 0, nullptr);
    start();
    boxes.end_session_to = window;
    command(CMD_EXIT);
    CloseHandle(held);
    SetEnvironmentVariableA("APPDATA", appdata);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_TRUE(quit);
    EXPECT_EQ(std::vector<std::string>{"The settings could not be saved: BITDEK.INI cannot be "
                                       "written."},
              boxes.texts);
}

// Switched away from and back to (Alt+Tab, a box of another program), the
// window hands the focus back to the control that had it, as a dialog box
// does, not to itself, where no key would reach a control.
TEST_F(Program, TheFocusComesBackToItsControl) {
    start();
    open(write_stream("focus.ac3", make_stream(FORMAT_NORMAL, 10)));
    HWND slider = GetDlgItem(window, IDC_SLIDER);
    SetFocus(slider);
    HWND other = CreateWindowA("STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr,
                               nullptr, nullptr);
    ASSERT_EQ(other, GetActiveWindow());
    SetActiveWindow(window);
    EXPECT_EQ(slider, GetFocus());
    DestroyWindow(other);
}

// A file named on the command line (double-click, "Open with") or dropped on
// the window opens as the open dialog opens a chosen one: read-only as the
// preference says, shown, first in the recent list. Of several names the
// first counts; a name that is no file is refused, not created.
TEST_F(Program, OpensTheFirstFileNamedOnTheCommandLineOrDropped) {
    Stream s = make_stream(FORMAT_NORMAL, 20);
    std::string first = write_stream("take one.ac3", s);
    std::string second = write_stream("second.ac3", s);
    WritePrivateProfileStringA("User Preferences", "READONLY", "1", settings_path().c_str());
    start("bitdek.exe \"" + first + "\" \"" + second + "\"");
    StreamFile file;
    stream_get_file(&file);
    EXPECT_TRUE(get_transport_state() == STATE_READY && file.read_only == 1);
    char text[512] = "";
    GetWindowTextA(window, text, sizeof text);
    EXPECT_EQ("Orvel Digital Recorder - " + first, text);
    SendDlgItemMessageA(window, IDC_DATA_RATE, LB_GETTEXT,
                        SendDlgItemMessageA(window, IDC_DATA_RATE, LB_GETTOPINDEX, 0, 0),
                        reinterpret_cast<LPARAM>(text));
    EXPECT_EQ("448 kbps", std::string(text));
    recent_get(text, 0);
    EXPECT_EQ(first, text);
    // The window became active, so showed, with its buttons in place: one
    // shown before keeps a button's picture over the status bar.
    RECT stop;
    GetWindowRect(GetDlgItem(window, CMD_STOP), &stop);
    EXPECT_TRUE(EqualRect(&stop, &boxes.stop_when_activated));

    // A long name is taken whole (here by its short form), not cut short.
    std::string deep = dir.path("");
    while (deep.size() < MAX_PATH * 4) {
        deep += std::string(99, 'd') + '\\';
        CreateDirectoryW(std::wstring(deep.begin(), deep.end()).c_str(), nullptr);
    }
    CopyFileW(std::wstring(second.begin(), second.end()).c_str(),
              std::wstring(deep.begin(), deep.end()).append(L"long.ac3").c_str(), FALSE);
    drop(deep + "long.ac3");
    EXPECT_TRUE(get_transport_state() == STATE_READY && file_length() > 0);
    // So is a name the code page cannot spell, never an approximation of it.
    std::string wide_dir = dir.path("");
    std::wstring foreign = std::wstring(wide_dir.begin(), wide_dir.end()) + L"\x4E2D\x6587.ac3";
    CopyFileW(std::wstring(second.begin(), second.end()).c_str(), foreign.c_str(), FALSE);
    EXPECT_NE(second, drop(foreign));
    EXPECT_TRUE(get_transport_state() == STATE_READY && file_length() > 0);

    // A drop closes the open file first; while the input device runs, or a
    // box waits for an answer (here Record's question about that file), it
    // is not taken, as File, Open is not.
    EXPECT_EQ(second, drop(second + '\0' + first));
    boxes.answer = IDNO;
    PostMessageA(window, WM_COMMAND, CMD_RECORD, 0);
    EXPECT_EQ(second, drop(first));
    record();
    EXPECT_EQ(second, drop(first));
    EXPECT_EQ(STATE_RECORDING, get_transport_state());
    SendMessageA(window, WM_CLOSE, 0, 0);

    std::string missing = dir.path("missing.ac3");
    start("bitdek.exe \"" + missing + "\"");
    EXPECT_EQ(STATE_NO_FILE, get_transport_state());
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(missing.c_str()));
    ASSERT_EQ(2u, boxes.texts.size()) << "Record's question, then this";
    EXPECT_EQ("Can not open file.", boxes.texts[1]);
}

// Without buffers the program still starts and says why. (The engines refuse
// to start without them, and the program's answer to a refused start is that
// of a refused device.)
TEST_F(Program, StartsWithoutBuffersWhenMemoryRunsOut) {
    test_memory_fail_alloc_after(0);
    start();
    test_memory_fail_alloc_after(-1);
    EXPECT_EQ(std::vector<std::string>{"Could not allocate memory."}, boxes.texts);
    EXPECT_TRUE(IsWindowVisible(window));
}

}  // namespace
