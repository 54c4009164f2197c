// The end-to-end tests' hands inside Wine: builds known stream files, checks
// what the virtual sound card received or what a recording wrote, and talks
// to the running program's main window (found by its class) from outside.
//
//   make-stream PATH FORMAT FSCOD FRAMES      write a known stream file
//   check-output RAW FORMAT FSCOD FRAMES MODE the card's output file is exactly
//                                             what playing that stream must send
//   check-stream PATH FORMAT FSCOD FRAMES     a recorded file equals the stream
//   stream-bytes FORMAT FSCOD FRAMES          prints the stream file's size
//   wait-window SECONDS                       the main window is visible
//   wait-gone SECONDS                         the main window has gone
//   post ID                                   posts WM_COMMAND ID to it
//   wait-state STATE SECONDS                  nofile, ready, playing or capturing
//   wait-box CAPTION SECONDS [ANSWER]         a dialog or message box with this
//                                             caption shows; prints its text;
//                                             ANSWER (a command id) closes it
//   wait-no-box CAPTION SECONDS               that box has gone
//   title                                     prints the main window's title
//   focus                                     prints the id of the focused control
//   out-devices                               prints the output devices' names,
//                                             one a line, in the system's order
//   controls [CAPTION]                        prints the main window's (or that
//                                             box's) client area ("client L T R
//                                             B 0"), then each visible control:
//                                             ID CLASS STYLE L T R B, on the screen,
//                                             and its text's height wrapped to its width
//
// Exit status 0 when the check holds or the wait ended in time, 1 otherwise.
#include <windows.h>
#include <mmsystem.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "common/ids.h"
#include "tests/support/test_files.h"
#include "tests/support/test_frames.h"

namespace {

constexpr int POLL_MS = 50;

HWND main_window() {
    return FindWindowA("bitdek", nullptr);
}

bool enabled(HWND window, int id) {
    return IsWindowEnabled(GetDlgItem(window, id)) != FALSE;
}

// The transport state as the window shows it: the record button is disabled
// while playing, the slider while the input device runs.
std::string shown_state(HWND window) {
    if (window == nullptr) {
        return "gone";
    }
    if (!enabled(window, CMD_PLAY)) {
        return "nofile";
    }
    if (!enabled(window, IDC_SLIDER)) {
        return "capturing";
    }
    if (!enabled(window, CMD_RECORD)) {
        return "playing";
    }
    return "ready";
}

template <typename Condition>
bool wait_for(double seconds, Condition condition) {
    DWORD end = GetTickCount() + static_cast<DWORD>(seconds * 1000);
    for (;;) {
        if (condition()) {
            return true;
        }
        if (static_cast<LONG>(GetTickCount() - end) > 0) {
            return false;
        }
        Sleep(POLL_MS);
    }
}

int compare(const std::vector<Word>& expected, const std::vector<Word>& actual, const char* what) {
    if (expected == actual) {
        std::printf("%s: %zu words as expected\n", what, actual.size());
        return 0;
    }
    size_t at =
        std::mismatch(expected.begin(), expected.end(), actual.begin(), actual.end()).first -
        expected.begin();
    std::printf("%s differs from word %zu on (%zu words, %zu expected)\n", what, at, actual.size(),
                expected.size());
    return 1;
}

void print_rect(const std::string& name, const RECT& r, long text_height = 0) {
    std::printf("%s %ld %ld %ld %ld %ld\n", name.c_str(), r.left, r.top, r.right, r.bottom,
                text_height);
}

int run(int argc, char** argv) {
    std::string verb = argc > 1 ? argv[1] : "";
    auto arg = [&](int i) { return i < argc ? std::atoi(argv[i]) : 0; };
    // The frames of FSCOD FRAMES given from argument i on, all of one size
    // (160 kbit/s), and their file in layout FORMAT (argument i - 1).
    auto frames = [&](int i) { return distinct_frames(arg(i + 1), arg(i), 18); };
    auto file = [&](int i) { return frames_file_bytes(arg(i - 1), frames(i)); };
    if (verb == "make-stream" && argc == 6) {
        write_file_bytes(argv[2], file(4));
        return 0;
    }
    if (verb == "stream-bytes" && argc == 5) {
        std::printf("%zu\n", file(3).size());
        return 0;
    }
    if (verb == "check-output" && argc == 7) {
        std::vector<Word> expected = played_words(arg(6), arg(3), frames(4));
        std::vector<Word> output = pcm_words(read_file_bytes(argv[2]));
        // Wine's driver may play silence of its own after the last buffer
        // on a loaded machine; the program sends whole buffers only.
        const size_t more = output.size() - std::min(output.size(), expected.size());
        if (more > 0 && more < 8 * 3072 &&
            std::all_of(output.end() - more, output.end(), [](Word w) { return w == 0; })) {
            std::printf("%zu words of the driver's silence after the end\n", more);
            output.resize(expected.size());
        }
        return compare(expected, output, "output");
    }
    if (verb == "check-stream" && argc == 6) {
        return compare(pcm_words(file(4)), pcm_words(read_file_bytes(argv[2])), "recording");
    }
    if (verb == "wait-window" && argc == 3) {
        return wait_for(std::atof(argv[2]), [] { return IsWindowVisible(main_window()) != FALSE; })
                   ? 0
                   : 1;
    }
    if (verb == "wait-gone" && argc == 3) {
        return wait_for(std::atof(argv[2]), [] { return main_window() == nullptr; }) ? 0 : 1;
    }
    if (verb == "post" && argc == 3) {
        return PostMessageA(main_window(), WM_COMMAND, MAKEWPARAM(arg(2), 0), 0) ? 0 : 1;
    }
    if (verb == "wait-state" && argc == 4) {
        std::string wanted = argv[2];
        bool ok =
            wait_for(std::atof(argv[3]), [&] { return shown_state(main_window()) == wanted; });
        if (!ok) {
            std::printf("state %s, not %s\n", shown_state(main_window()).c_str(), wanted.c_str());
        }
        return ok ? 0 : 1;
    }
    if (verb == "wait-box" && (argc == 4 || argc == 5)) {
        HWND box = nullptr;
        bool ok = wait_for(std::atof(argv[3]), [&] {
            box = FindWindowA("#32770", argv[2]);
            return box != nullptr && IsWindowVisible(box);
        });
        if (!ok) {
            std::printf("no box \"%s\"\n", argv[2]);
            return 1;
        }
        std::printf("%s\n", box_text(box).c_str());
        if (argc == 5) {
            PostMessageA(box, WM_COMMAND, MAKEWPARAM(arg(4), BN_CLICKED), 0);
        }
        return 0;
    }
    if (verb == "wait-no-box" && argc == 4) {
        return wait_for(std::atof(argv[3]),
                        [&] { return FindWindowA("#32770", argv[2]) == nullptr; })
                   ? 0
                   : 1;
    }
    if (verb == "title" && argc == 2) {
        char text[512] = "";
        GetWindowTextA(main_window(), text, sizeof text);
        std::printf("%s\n", text);
        return main_window() != nullptr ? 0 : 1;
    }
    if (verb == "focus" && argc == 2) {
        HWND window = main_window();
        GUITHREADINFO info = {};
        info.cbSize = sizeof(info);
        if (window == nullptr ||
            !GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info)) {
            return 1;
        }
        std::printf("%d\n", info.hwndFocus != nullptr ? GetDlgCtrlID(info.hwndFocus) : 0);
        return 0;
    }
    if (verb == "out-devices" && argc == 2) {
        for (UINT id = 0; id < waveOutGetNumDevs(); ++id) {
            WAVEOUTCAPSA caps = {};
            if (waveOutGetDevCapsA(id, &caps, sizeof caps) == MMSYSERR_NOERROR) {
                std::printf("%.*s\n", static_cast<int>(sizeof caps.szPname), caps.szPname);
            }
        }
        return 0;
    }
    if (verb == "controls" && (argc == 2 || argc == 3)) {
        HWND window = argc == 3 ? FindWindowA("#32770", argv[2]) : main_window();
        RECT r;
        if (window == nullptr || !GetClientRect(window, &r)) {
            return 1;
        }
        MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&r), 2);
        print_rect("client", r);
        for (HWND c = GetWindow(window, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
            char name[32] = "";
            GetClassNameA(c, name, sizeof name);
            if (IsWindowVisible(c) && GetWindowRect(c, &r)) {
                char text[256] = "";
                RECT need = {0, 0, r.right - r.left, 0};
                // In the windows' font (another process's font handle is no use here).
                HDC dc = GetDC(c);
                HGDIOBJ font =
                    SelectObject(dc, CreateFontA(-MulDiv(8, GetDeviceCaps(dc, LOGPIXELSY), 72), 0,
                                                 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, "MS Sans Serif"));
                DrawTextA(dc, text, GetWindowTextA(c, text, sizeof text), &need,
                          DT_CALCRECT | DT_WORDBREAK);
                DeleteObject(SelectObject(dc, font));
                ReleaseDC(c, dc);
                print_rect(std::to_string(GetDlgCtrlID(c)) + " " + name + " " +
                               std::to_string(static_cast<DWORD>(GetWindowLongA(c, GWL_STYLE))),
                           r, need.bottom);
            }
        }
        return 0;
    }
    std::fprintf(stderr, "usage: see the comment at the top of e2e_helper.cpp\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    // Places and sizes as the screen has them, also at a high DPI.
    SetProcessDPIAware();
    int result = run(argc, argv);
    std::fflush(stdout);
    return result;
}
