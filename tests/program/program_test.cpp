// The whole program in one process: the real main window, its procedure and
// every handler, with the scripted waveform device in place of the sound card
// so that the test decides when each buffer comes back.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <deque>
#include <set>
#include <string>
#include <vector>

#include "audio/capture.h"
#include "audio/wave_ring.h"
#include "bitstream/frame_parser.h"
#include "common/file_format.h"
#include "common/ids.h"
#include "common/result.h"
#include "common/transport_state.h"
#include "settings/prefs.h"
#include "settings/settings_file.h"
#include "streamfile/stream_file.h"
#include "tests/program/failing_writes.h"
#include "tests/program/test_stream.h"
#include "tests/scripted_wave/scripted_wave.h"
#include "tests/support/test_files.h"
#include "tests/test_memory/test_memory.h"
#include "transport/transport_state.h"
#include "ui/app_frame.h"
#include "ui/open_file.h"
#include "ui/status_bar.h"

namespace {

// Every modal box the program shows is answered here, as soon as it is
// activated, with the next planned answer (IDOK when none is planned).
struct Boxes {
    HHOOK hook;
    std::set<HWND> answered;
    std::deque<int> answers;
    std::vector<std::string> captions;
    std::vector<std::string> texts;
};
Boxes boxes;

BOOL CALLBACK collect_static_text(HWND child, LPARAM lparam) {
    char name[32] = "";
    GetClassNameA(child, name, sizeof name);
    char text[512] = "";
    GetWindowTextA(child, text, sizeof text);
    std::string* longest = reinterpret_cast<std::string*>(lparam);
    if (lstrcmpiA(name, "Static") == 0 && std::string(text).size() > longest->size()) {
        *longest = text;
    }
    return TRUE;
}

LRESULT CALLBACK answer_boxes(int code, WPARAM wparam, LPARAM lparam) {
    HWND box = reinterpret_cast<HWND>(wparam);
    char name[32] = "";
    if (code == HCBT_ACTIVATE && GetClassNameA(box, name, sizeof name) &&
        std::string(name) == "#32770" && !boxes.answered.count(box)) {
        boxes.answered.insert(box);
        char caption[256] = "";
        GetWindowTextA(box, caption, sizeof caption);
        std::string text;
        EnumChildWindows(box, collect_static_text, reinterpret_cast<LPARAM>(&text));
        boxes.captions.push_back(caption);
        boxes.texts.push_back(text);
        int answer = IDOK;
        if (!boxes.answers.empty()) {
            answer = boxes.answers.front();
            boxes.answers.pop_front();
        }
        PostMessageA(box, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED), 0);
    }
    return CallNextHookEx(boxes.hook, code, wparam, lparam);
}

// The main window's commands as the window procedure saw them, by a subclass.
struct Seen {
    WNDPROC original;
    std::vector<std::string> events;
};
Seen seen;

LRESULT CALLBACK watch_main_window(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_COMMAND && LOWORD(wparam) == CMD_CLOSE) {
        seen.events.push_back("close file, state " + std::to_string(get_transport_state()));
    } else if (message == WM_DESTROY) {
        seen.events.push_back("destroy, state " + std::to_string(get_transport_state()));
    }
    return CallWindowProcA(seen.original, window, message, wparam, lparam);
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

std::vector<Word> all_output() {
    std::vector<Word> words;
    for (const std::vector<uint8_t>& buffer : scripted_wave_output_buffers()) {
        std::vector<Word> more = pcm_words(buffer);
        words.insert(words.end(), more.begin(), more.end());
    }
    return words;
}

// Word offset of record k in a file of the given layout.
int32_t record_offset(const std::vector<TestRecord>& records, int k) {
    int32_t words = 0;
    for (int i = 0; i < k; ++i) {
        words += static_cast<int32_t>(records[i].packet.size() + records[i].frame.size());
    }
    return words;
}

class Program : public ::testing::Test {
protected:
    void SetUp() override {
        scripted_wave_reset();
        test_memory_fail_alloc_after(-1);
        test_memory_fail_lock_after(-1);
        failing_files = {};
        DeleteFileA(settings_path().c_str());
        boxes = {};
        boxes.hook = SetWindowsHookExA(WH_CBT, answer_boxes, nullptr, GetCurrentThreadId());
        seen = {};
    }

    void TearDown() override {
        if (window != nullptr && IsWindow(window)) {
            SendMessageA(window, WM_CLOSE, 0, 0);
        }
        pump();
        UnhookWindowsHookEx(boxes.hook);
        DeleteFileA(settings_path().c_str());
    }

    void start() {
        window = start_program(GetModuleHandleA(nullptr), SW_SHOWNORMAL);
        ASSERT_NE(nullptr, window);
        seen.original = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(watch_main_window)));
        pump();
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

    std::string write_stream(const std::string& name,
                             const std::vector<TestRecord>& records,
                             int format) {
        std::string path = dir.path(name);
        write_file_bytes(path, stream_file_bytes(records, format));
        return path;
    }

    // Gives back output buffers one at a time until the transport leaves
    // STATE_PLAYING (at most limit buffers).
    void play_out(int limit = 200) {
        for (int i = 0; i < limit && get_transport_state() == STATE_PLAYING; ++i) {
            scripted_wave_return_output(1);
            pump();
        }
    }

    void fill_input(int buffers) {
        for (int i = 0; i < buffers && scripted_wave_in_open(); ++i) {
            scripted_wave_fill_input(1);
            pump();
        }
    }

    // The PCM that the playback engine sends for a file: input for a recording.
    std::vector<uint8_t> played_pcm(const std::string& path) {
        open(path);
        scripted_wave_clear_output_buffers();
        command(CMD_PLAY);
        play_out();
        std::vector<uint8_t> pcm = pcm_bytes(all_output());
        command(CMD_CLOSE);
        return pcm;
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

// The layout and rate the end-to-end runs do not play: low byte first, 32 kHz,
// the burst in the second placement; then from the end, play starts again at
// the first frame.
TEST_F(Program, PlaysAFileToItsEndAndAgainFromTheEnd) {
    std::vector<TestRecord> records = make_test_stream(FORMAT_PC, 2, 9);
    start();
    open(write_stream("play.ac3", records, FORMAT_PC));
    set_spdif_mode(1);
    command(CMD_PLAY);
    ASSERT_EQ(STATE_PLAYING, get_transport_state());
    EXPECT_EQ(32000u, scripted_wave_out_format().samples_per_sec);
    EXPECT_EQ(3, scripted_wave_out_queued());
    play_out();
    EXPECT_EQ(STATE_READY, get_transport_state());
    EXPECT_FALSE(scripted_wave_out_open());
    std::vector<Word> expected = expected_output(records, 1);
    std::vector<Word> actual = all_output();
    EXPECT_TRUE(expected == actual) << first_difference(expected, actual);
    EXPECT_EQ(0, stream_get_position()) << "the reader rewinds at the end";

    command(CMD_TO_END);
    scripted_wave_clear_output_buffers();
    command(CMD_PLAY);
    scripted_wave_return_output(3);
    pump();
    std::vector<Word> again = all_output();
    ASSERT_GE(again.size(), 4u * TEST_BUFFER_WORDS);
    EXPECT_TRUE(std::equal(again.begin(), again.begin() + 4 * TEST_BUFFER_WORDS, expected.begin()))
        << first_difference(expected, again);
    command(CMD_STOP);
    EXPECT_FALSE(scripted_wave_out_open());
    EXPECT_EQ(0, scripted_wave_misuse());
    EXPECT_TRUE(boxes.texts.empty());
}

TEST_F(Program, StepsJumpsAndDragsWhilePlaying) {
    std::vector<TestRecord> records = make_test_stream(FORMAT_NORMAL, 0, 40);
    start();
    open(write_stream("moves.ac3", records, FORMAT_NORMAL));
    command(CMD_PLAY);
    ASSERT_EQ(STATE_PLAYING, get_transport_state());
    scripted_wave_return_output(1);
    pump();
    ASSERT_EQ(record_offset(records, 8), stream_get_position());

    command(CMD_STEP_FORWARD);
    EXPECT_EQ(record_offset(records, 9), stream_get_position());
    command(CMD_STEP_BACK);
    command(CMD_STEP_BACK);
    EXPECT_EQ(record_offset(records, 7), stream_get_position());
    command(CMD_TO_START);
    EXPECT_EQ(0, stream_get_position());
    EXPECT_EQ(STATE_PLAYING, get_transport_state());

    // Dragging: the thumb stays where the user holds it while buffers come
    // back; letting go moves the file there once.
    HWND slider = GetDlgItem(window, IDC_SLIDER);
    EXPECT_TRUE(IsWindowEnabled(slider));
    SendMessageA(window, WM_HSCROLL, MAKEWPARAM(TB_THUMBTRACK, 0), (LPARAM)slider);
    SendMessageA(slider, TBM_SETPOS, TRUE, 16384);
    scripted_wave_return_output(1);
    pump();
    EXPECT_EQ(16384, SendMessageA(slider, TBM_GETPOS, 0, 0));
    EXPECT_EQ(record_offset(records, 8), stream_get_position());
    SendMessageA(window, WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, 16384), (LPARAM)slider);
    pump();
    EXPECT_EQ(record_offset(records, 20), stream_get_position());
    // Tracking again: the next buffer moves the thumb with the file.
    scripted_wave_return_output(1);
    pump();
    EXPECT_EQ(record_offset(records, 28), stream_get_position());
    EXPECT_EQ(static_cast<LRESULT>(28.0 * 32767 / 40 + 0.5),
              SendMessageA(slider, TBM_GETPOS, 0, 0));

    command(CMD_TO_END);
    EXPECT_EQ(record_offset(records, 40), stream_get_position());
    play_out();
    EXPECT_EQ(STATE_READY, get_transport_state());
    EXPECT_EQ(0, scripted_wave_misuse());
}

TEST_F(Program, ArmsMonitorsPausesAndResumes) {
    std::vector<TestRecord> records = make_test_stream(FORMAT_NORMAL, 1, 40);
    start();
    std::vector<uint8_t> pcm = played_pcm(write_stream("source.ac3", records, FORMAT_NORMAL));
    set_rec_format(FORMAT_NORMAL);
    open(dir.path("new.ac3"));
    command(CMD_RECORD);
    ASSERT_EQ(STATE_RECORD_ARMED, get_transport_state());
    scripted_wave_supply_input(pcm.data(), pcm.size());
    fill_input(4);  // three silent buffers, then frames 1 to 8
    EXPECT_EQ("Press play to record", status_text(window));
    FrameInfo info;
    get_frame_info(&info);
    EXPECT_EQ(1, info.fscod) << "monitoring shows the input's frames";
    EXPECT_EQ(0, file_length()) << "nothing is written while armed";

    command(CMD_PLAY);
    EXPECT_EQ(STATE_RECORDING, get_transport_state());
    fill_input(1);
    EXPECT_EQ("Recording", status_text(window));
    int32_t after_one = file_length();
    EXPECT_EQ(record_offset(records, 16) - record_offset(records, 8), after_one);

    command(CMD_PLAY);  // pause
    EXPECT_EQ(STATE_RECORD_ARMED, get_transport_state());
    fill_input(1);
    EXPECT_EQ(after_one, file_length());
    command(CMD_PLAY);  // resume
    EXPECT_EQ(STATE_RECORDING, get_transport_state());
    fill_input(1);
    EXPECT_EQ(after_one + record_offset(records, 32) - record_offset(records, 24), file_length());
    command(CMD_STOP);
    EXPECT_EQ(STATE_READY, get_transport_state());
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(window, IDC_SLIDER)));
    EXPECT_EQ(0, scripted_wave_misuse());
}

TEST_F(Program, RecordingInsideAFileAsksFirst) {
    std::vector<TestRecord> records = make_test_stream(FORMAT_NORMAL_TC, 0, 12);
    start();
    set_spdif_mode(0);
    std::vector<uint8_t> pcm = played_pcm(write_stream("source.ac3", records, FORMAT_NORMAL_TC));
    std::string path = write_stream("middle.ac3", records, FORMAT_NORMAL_TC);
    open(path);
    for (int i = 0; i < 4; ++i) {
        command(CMD_STEP_FORWARD);
    }
    int32_t middle = stream_get_position();
    ASSERT_EQ(record_offset(records, 4), middle);

    boxes.answers = {IDNO};
    command(CMD_RECORD);
    ASSERT_EQ(1u, boxes.texts.size());
    EXPECT_EQ("Orvel Digital Recoder Error", boxes.captions[0]);
    EXPECT_NE(std::string::npos, boxes.texts[0].find("permanently erase the remainder"));
    EXPECT_EQ(STATE_READY, get_transport_state());
    EXPECT_EQ(middle, stream_get_position());
    EXPECT_EQ(record_offset(records, 12), file_length());

    boxes.answers = {IDYES};
    command(CMD_RECORD);
    ASSERT_EQ(2u, boxes.texts.size());
    ASSERT_EQ(STATE_RECORD_ARMED, get_transport_state());
    EXPECT_EQ(middle, file_length()) << "the rest of the file is cut off";
    scripted_wave_supply_input(pcm.data(), pcm.size());
    command(CMD_PLAY);
    fill_input(5);
    command(CMD_STOP);
    command(CMD_CLOSE);
    // The first four records stay; the recording follows them.
    std::vector<TestRecord> joined(records.begin(), records.begin() + 4);
    joined.insert(joined.end(), records.begin(), records.end());
    EXPECT_TRUE(stream_file_bytes(joined, FORMAT_NORMAL_TC) == read_file_bytes(path));
}

TEST_F(Program, StreamWithoutTimeCodeIntoATimeCodeFile) {
    std::vector<TestRecord> records = make_test_stream(FORMAT_NORMAL, 0, 16);
    start();
    std::vector<uint8_t> pcm = played_pcm(write_stream("plain.ac3", records, FORMAT_NORMAL));
    set_rec_format(FORMAT_NORMAL_TC);

    set_require_tc(1);
    std::string refused = dir.path("refused.ac3");
    open(refused);
    record(pcm);
    fill_input(4);
    EXPECT_EQ(STATE_READY, get_transport_state()) << "stopped before the message";
    EXPECT_FALSE(scripted_wave_in_open());
    ASSERT_EQ(1u, boxes.texts.size());
    EXPECT_EQ("Input stream does not have time code.", boxes.texts[0]);
    EXPECT_EQ("Orvel Digital Recoder Error", boxes.captions[0]);
    command(CMD_CLOSE);
    EXPECT_EQ(0u, read_file_bytes(refused).size());
    EXPECT_FALSE(file_exists(refused)) << "an empty file is deleted on close";

    set_require_tc(0);
    scripted_wave_reset();  // the rest of the first input is not wanted
    std::string kept = dir.path("kept.ac3");
    open(kept);
    record(pcm);
    fill_input(6);
    EXPECT_EQ(STATE_RECORDING, get_transport_state());
    command(CMD_STOP);
    command(CMD_CLOSE);
    // The first frame goes while the layout is decided; the rest is "Normal".
    std::vector<TestRecord> rest(records.begin() + 1, records.end());
    std::vector<uint8_t> expected = stream_file_bytes(rest, FORMAT_NORMAL);
    std::vector<uint8_t> actual = read_file_bytes(kept);
    EXPECT_EQ(expected.size(), actual.size());
    EXPECT_TRUE(expected == actual) << first_difference(pcm_words(expected), pcm_words(actual));
    EXPECT_EQ(1u, boxes.texts.size());
}

TEST_F(Program, AFailedWriteStopsTheRecordingAndSaysSo) {
    std::vector<TestRecord> records = make_test_stream(FORMAT_NORMAL, 0, 24);
    start();
    std::vector<uint8_t> pcm = played_pcm(write_stream("source.ac3", records, FORMAT_NORMAL));
    set_rec_format(FORMAT_NORMAL);
    std::string path = dir.path("full.ac3");
    open(path);
    record(pcm);
    fill_input(4);  // frames 1 to 8 reach the disk
    int32_t written = file_length();
    ASSERT_EQ(record_offset(records, 8), written);

    failing_files.writes = true;
    fill_input(1);
    EXPECT_EQ(STATE_READY, get_transport_state());
    EXPECT_FALSE(scripted_wave_in_open());
    ASSERT_EQ(1u, boxes.texts.size());
    EXPECT_EQ("Cannot write to the file.", boxes.texts[0]);
    failing_files.writes = false;
    command(CMD_CLOSE);
    std::vector<TestRecord> first(records.begin(), records.begin() + 8);
    EXPECT_TRUE(stream_file_bytes(first, FORMAT_NORMAL) == read_file_bytes(path))
        << "the file keeps everything written before the failure";

    // A stop that cannot cut the file says so, once, also when a failed
    // write brought the stop.
    open(path);
    record();
    failing_files.cuts = true;
    command(CMD_STOP);
    EXPECT_EQ(STATE_READY, get_transport_state());
    ASSERT_EQ(2u, boxes.texts.size());
    EXPECT_EQ("Cannot write to the file.", boxes.texts[1]);
    record();
    failing_files.writes = true;
    fill_input(2);
    EXPECT_EQ(STATE_READY, get_transport_state());
    EXPECT_EQ(3u, boxes.texts.size()) << boxes.texts.back();

    // The cut works but the file can be reopened only for reading: the
    // recording stays playable and the record button goes off.
    failing_files.writes = false;
    record();
    ASSERT_TRUE(IsWindowEnabled(GetDlgItem(window, CMD_RECORD)));
    failing_files.reopens = true;
    command(CMD_STOP);
    failing_files.reopens = false;
    StreamFile file;
    stream_get_file(&file);
    EXPECT_EQ(1, file.read_only);
    EXPECT_EQ(STATE_READY, get_transport_state());
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(window, CMD_RECORD)));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(window, CMD_PLAY)));
}

// Byte offsets are 32-bit: a file of 2 GB is refused, and a recording near the
// limit stops at the last frame that fits, each saying why. The files are
// sparse: a frame, then a hole.
TEST_F(Program, TheTwoGigabyteLimitIsNamed) {
    std::vector<TestRecord> records = make_test_stream(FORMAT_NORMAL, 0, 24);
    start();
    std::vector<uint8_t> pcm = played_pcm(write_stream("source.ac3", records, FORMAT_NORMAL));
    std::string path = write_stream("big.ac3", {records[0]}, FORMAT_NORMAL);
    set_file_size(path, uint64_t{1} << 31);
    open(path);
    EXPECT_EQ(STATE_NO_FILE, get_transport_state());
    ASSERT_EQ(1u, boxes.texts.size());
    EXPECT_EQ("Files of 2 GB or more cannot be opened.", boxes.texts[0]);

    const int32_t frame = static_cast<int32_t>(records[0].frame.size());
    const int32_t room = MAX_FILE_WORDS - 3 * frame - frame / 2;  // three more frames
    set_file_size(path, 2 * static_cast<uint64_t>(room));
    open(path);
    ASSERT_EQ(STATE_READY, get_transport_state());
    record(pcm);
    fill_input(4);
    EXPECT_EQ(STATE_READY, get_transport_state());
    EXPECT_FALSE(scripted_wave_in_open());
    ASSERT_EQ(2u, boxes.texts.size());
    EXPECT_EQ("The file has reached 2 GB, the largest it can be.", boxes.texts[1]);
    command(CMD_CLOSE);
    WIN32_FILE_ATTRIBUTE_DATA data;
    ASSERT_TRUE(GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data));
    EXPECT_EQ(0u, data.nFileSizeHigh);
    EXPECT_EQ(2u * static_cast<DWORD>(room + 3 * frame), data.nFileSizeLow);
}

// A device that refuses to open, and a chosen device that is not present
// while others are (which is never replaced by another): the same message.
TEST_F(Program, MissingDevicesAreReportedAndTheStateStays) {
    std::vector<TestRecord> records = make_test_stream(FORMAT_NORMAL, 0, 4);
    start();
    open(write_stream("one.ac3", records, FORMAT_NORMAL));
    for (bool chosen_by_name : {false, true}) {
        SCOPED_TRACE(chosen_by_name ? "chosen device missing" : "open refused");
        scripted_wave_reset();
        boxes.texts.clear();
        boxes.captions.clear();
        if (chosen_by_name) {
            scripted_wave_list_devices({{"Speakers", false}}, {{"Line In", false}});
            set_play_device("Digital Output");
            set_rec_device("Digital Input");
        } else {
            scripted_wave_refuse(CALL_OUT_OPEN, 1);
            scripted_wave_refuse(CALL_IN_OPEN, 1);
        }
        command(CMD_TO_START);
        command(CMD_PLAY);
        EXPECT_EQ(STATE_READY, get_transport_state());
        command(CMD_TO_END);
        command(CMD_RECORD);
        EXPECT_EQ(STATE_READY, get_transport_state());
        ASSERT_EQ(2u, boxes.texts.size());
        EXPECT_EQ("Cannot open sound card for playback.", boxes.texts[0]);
        EXPECT_EQ("Cannot open sound card for record.", boxes.texts[1]);
        EXPECT_EQ("Orvel Digital Recoder Error", boxes.captions[1]);
        EXPECT_FALSE(scripted_wave_out_open() || scripted_wave_in_open());
        if (chosen_by_name) {
            EXPECT_TRUE(scripted_wave_out_opens().empty() && scripted_wave_in_opens().empty());
        }
    }
    set_play_device("");
    set_rec_device("");
}

// A device that refused to stop is tried again by the next Play or Record,
// which says the sound card cannot be opened while it still refuses; closing
// the program leaves it the buffers it may still own.
TEST_F(Program, ADeviceThatRefusedToStopFailsTheNextStartAndNotTheExit) {
    std::vector<TestRecord> records = make_test_stream(FORMAT_NORMAL, 0, 30);
    start();
    open(write_stream("stuck.ac3", records, FORMAT_NORMAL));
    command(CMD_PLAY);
    scripted_wave_refuse(CALL_OUT_RESET, 1);
    command(CMD_STOP);
    command(CMD_PLAY);
    EXPECT_EQ(STATE_READY, get_transport_state());
    command(CMD_TO_END);
    command(CMD_RECORD);
    EXPECT_EQ(STATE_READY, get_transport_state());
    EXPECT_EQ((std::vector<std::string>{"Cannot open sound card for playback.",
                                        "Cannot open sound card for record."}),
              boxes.texts);

    scripted_wave_refuse(CALL_OUT_RESET, 0);
    command(CMD_RECORD);
    EXPECT_EQ(STATE_RECORD_ARMED, get_transport_state());
    EXPECT_FALSE(scripted_wave_out_open());
    scripted_wave_refuse(CALL_IN_CLOSE, 1);
    command(CMD_EXIT);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_TRUE(quit);
    EXPECT_TRUE(scripted_wave_in_open());
    EXPECT_NE(nullptr, wave_ring().nodes);
    EXPECT_EQ(2u, boxes.texts.size());
    // Where the process would end, the test closes the device and frees the
    // ring for the next start.
    scripted_wave_refuse(CALL_IN_CLOSE, 0);
    EXPECT_EQ(RC_OK, stop_capture());
    free_wave_buffers();
    EXPECT_EQ(0, scripted_wave_misuse());
}

TEST_F(Program, FileCommandsCloseWhatRunsFirst) {
    std::vector<TestRecord> records = make_test_stream(FORMAT_NORMAL, 0, 30);
    start();
    std::string first = write_stream("first.ac3", records, FORMAT_NORMAL);
    std::string second = write_stream("second.ac3", records, FORMAT_NORMAL);
    recent_add_for_window(window, second.c_str());
    recent_add_for_window(window, first.c_str());
    command(CMD_RECENT_FILE_1);
    command(CMD_PLAY);
    ASSERT_EQ(STATE_PLAYING, get_transport_state());

    // A recent file while playing: stop, close, then open the other.
    command(CMD_RECENT_FILE_2);
    EXPECT_EQ(STATE_READY, get_transport_state());
    EXPECT_FALSE(scripted_wave_out_open());
    StreamFile file;
    stream_get_file(&file);
    EXPECT_EQ(second, file.name);
    ASSERT_EQ(1u, seen.events.size());
    EXPECT_EQ("close file, state 2", seen.events[0]);

    // A recent file that cannot be opened leaves no file open.
    command(CMD_TO_END);
    command(CMD_RECORD);
    ASSERT_EQ(STATE_RECORD_ARMED, get_transport_state());
    DeleteFileA(first.c_str());
    CreateDirectoryA(first.c_str(), nullptr);  // the name is now a folder
    command(CMD_RECENT_FILE_2);
    EXPECT_FALSE(scripted_wave_in_open());
    EXPECT_EQ(STATE_NO_FILE, get_transport_state());
    EXPECT_EQ(1u, boxes.texts.size());
    RemoveDirectoryA(first.c_str());

    // Open/Close with a file open is Close; with none it is Open.
    open(second);
    command(CMD_OPEN_CLOSE);
    EXPECT_EQ(STATE_NO_FILE, get_transport_state());

    // Open is not taken while a file is open (the accelerator bypasses the
    // grayed menu item).
    open(second);
    size_t shown = boxes.texts.size();
    command(CMD_OPEN);
    EXPECT_EQ(shown, boxes.texts.size());
    EXPECT_EQ(STATE_READY, get_transport_state());
    stream_get_file(&file);
    EXPECT_EQ(second, file.name);
    EXPECT_EQ(0, scripted_wave_misuse());
}

TEST_F(Program, ExitAndTheCloseBoxCloseTheFileFirstInEveryState) {
    std::vector<TestRecord> records = make_test_stream(FORMAT_NORMAL, 0, 30);
    std::string path = write_stream("exit.ac3", records, FORMAT_NORMAL);
    for (int state : {STATE_READY, STATE_PLAYING, STATE_RECORDING, STATE_RECORD_ARMED}) {
        for (bool by_exit : {true, false}) {
            SCOPED_TRACE("state " + std::to_string(state) + (by_exit ? ", Exit" : ", close box"));
            seen = {};
            quit = false;
            start();
            open(path);
            if (state == STATE_PLAYING) {
                command(CMD_PLAY);
            } else if (state != STATE_READY) {
                command(CMD_TO_END);
                command(CMD_RECORD);
                if (state == STATE_RECORDING) {
                    command(CMD_PLAY);
                }
            }
            ASSERT_EQ(state, get_transport_state());
            if (by_exit) {
                command(CMD_EXIT);
            } else {
                SendMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
                pump();
            }
            EXPECT_FALSE(IsWindow(window));
            EXPECT_TRUE(quit);
            EXPECT_FALSE(scripted_wave_out_open() || scripted_wave_in_open());
            ASSERT_EQ(2u, seen.events.size());
            EXPECT_EQ("close file, state " + std::to_string(state), seen.events[0]);
            EXPECT_EQ("destroy, state 0", seen.events[1]);
            EXPECT_EQ(record_offset(records, 30),
                      static_cast<int32_t>(read_file_bytes(path).size() / 2));
        }
    }
    // With no file open the window goes at once.
    seen = {};
    start();
    command(CMD_EXIT);
    ASSERT_EQ(1u, seen.events.size());
    EXPECT_EQ("destroy, state 0", seen.events[0]);
    EXPECT_EQ(0, scripted_wave_misuse());
}

TEST_F(Program, SettingsAreFoundAgainByTheNextRun) {
    std::vector<TestRecord> records = make_test_stream(FORMAT_NORMAL, 0, 4);
    std::string path = write_stream("remembered.ac3", records, FORMAT_NORMAL);
    start();
    open(path);
    set_spdif_mode(2);
    set_rec_format(FORMAT_PC);
    SetWindowPos(window, nullptr, 123, 87, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    command(CMD_EXIT);
    ASSERT_FALSE(IsWindow(window));
    set_spdif_mode(0);
    set_rec_format(FORMAT_NORMAL_TC);

    start();
    EXPECT_EQ(2, get_spdif_mode());
    EXPECT_EQ(FORMAT_PC, get_rec_format());
    char first[RECENT_PATH_CHARS] = "";
    recent_get(first, 0);
    EXPECT_EQ(path, first);
    RECT place;
    GetWindowRect(window, &place);
    EXPECT_EQ(123, place.left);
    EXPECT_EQ(87, place.top);
    EXPECT_EQ(STATE_NO_FILE, get_transport_state()) << "no file is opened at start";
}

// Each box the program shows hands the focus back to Open/Close when it goes.
TEST_F(Program, BoxesGiveTheFocusBack) {
    start();
    const struct {
        int id, answer;
    } cases[] = {
        {CMD_HELP, IDOK}, {CMD_ABOUT, IDOK}, {CMD_ABOUT, IDCANCEL}, {CMD_PREFERENCES, IDOK}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.id);
        SetFocus(GetDlgItem(window, IDC_TIME_SMPTE));
        boxes.answers = {c.answer};
        command(c.id);
        EXPECT_EQ(GetDlgItem(window, CMD_OPEN_CLOSE), GetFocus());
    }
    EXPECT_EQ(4u, boxes.captions.size());
}

TEST_F(Program, StartsWithoutBuffersWhenMemoryRunsOut) {
    test_memory_fail_alloc_after(0);
    start();
    test_memory_fail_alloc_after(-1);
    ASSERT_EQ(1u, boxes.texts.size());
    EXPECT_EQ("Could not allocate memory.", boxes.texts[0]);
    EXPECT_EQ("Error", boxes.captions[0]) << "the system's default caption";
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_EQ(STATE_NO_FILE, get_transport_state());
    EXPECT_EQ("No file open", status_text(window));

    // Without buffers the devices cannot be used, and the program says so.
    std::vector<TestRecord> records = make_test_stream(FORMAT_NORMAL, 0, 4);
    open(write_stream("nobuffers.ac3", records, FORMAT_NORMAL));
    command(CMD_PLAY);
    EXPECT_EQ(STATE_READY, get_transport_state());
    ASSERT_EQ(2u, boxes.texts.size());
    EXPECT_EQ("Cannot open sound card for playback.", boxes.texts[1]);
}

}  // namespace
