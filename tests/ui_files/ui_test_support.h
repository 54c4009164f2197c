// A hidden main window built from the program's "bitdek" template, and the
// answering of modal dialogs from inside their modal loops: a CBT hook notices
// each dialog as it is activated and the main window's test procedure hands it
// to the handler, so every answer is driven by messages, never by timing.
#pragma once

#include <windows.h>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

// Registers the class "bitdek" with the test procedure (once), which also routes
// what the program routes to the displays, and creates the window.
HWND create_test_main_window();
// Each dialog or message box activated from now on is passed once to handler
// while its modal loop runs. An empty handler removes the hook.
void set_dialog_handler(std::function<void(HWND dialog)> handler);
// Runs step from the main window's message processing, hops posted messages later.
void post_step(HWND main_window, std::function<void()> step, int hops);
std::string window_text(HWND window);
// Presses button id the way a click does: through the button itself.
void click_button(HWND dialog, int id);

// Open dialogs take the next answer: the name typed, OK (else Cancel), and the
// read-only box set to 0 or 1 before OK (-1 leaves it). Message boxes are
// recorded and answered with OK.
struct OpenAnswer {
    std::string name;
    bool ok = true;
    int read_only = -1;
};
struct OpenSeen {
    std::string folder;  // where the dialog started
    bool read_only_checked;
};
struct BoxSeen {
    std::string caption, text;
};
void script_dialogs(std::vector<OpenAnswer> answers);
extern std::vector<OpenSeen> opens_seen;
extern std::vector<BoxSeen> boxes_seen;

// The File menu as text ("-" a separator), the recent list and the working directory.
std::vector<std::string> file_menu(HWND window);
std::vector<std::string> recent_list();
std::string working_directory();
// A "Normal" stream file of distinct frames.
void write_stream_file(const std::string& path, int frames);

// The five preferences and the time display mode, compared and printed whole.
struct Prefs {
    int spdif, rec, err, tc, ro, time;
    bool operator==(const Prefs&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Prefs& p);
Prefs current_prefs();
void set_prefs(const Prefs& p);
