// The program's main window for the UI tests, built from its "bitdek" template
// with a test procedure that routes what the program routes to the displays,
// and the answering of modal dialogs from inside their modal loops: a CBT hook
// notices each dialog as it is activated and the main window's test procedure
// hands it to the handler, so every answer is driven by messages, never by
// timing.
#pragma once

#include <windows.h>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "common/file_format.h"
#include "tests/support/test_frames.h"

// A hidden main window (the class registered once).
HWND create_test_main_window();
// The shown main window with its status bar and laid-out button bar, created
// once per process (a shown window costs seconds under Wine), in the no-file look.
HWND create_main_window();
// Closes any open file and gives the window the no-file look.
void release_main_window(HWND window);
void pump_messages();

// A stream file of count frames of shape; with FORMAT_NORMAL_TC each frame is
// preceded by a time code packet counting from 01:00:00:00 at 25 fps.
void write_stream_file(const std::string& path,
                       int count,
                       int format = FORMAT_NORMAL,
                       const FrameSpec& shape = {});
// Opens path with the store and puts the window into state (refreshing it).
void open_in_state(HWND window, const std::string& path, int state, int read_only = 0);

std::string window_text(HWND window);

// Each dialog or message box activated from now on is passed once to handler
// while its modal loop runs. An empty handler removes the hook.
void set_dialog_handler(std::function<void(HWND dialog)> handler);
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
void script_dialogs(std::vector<OpenAnswer> answers);
extern std::vector<OpenSeen> opens_seen;
extern std::vector<std::string> box_texts;  // each box's caption checked as the error box's

// The File menu as text ("-" a separator), the recent list and the working directory.
std::vector<std::string> file_menu(HWND window);
std::vector<std::string> recent_list();
std::string working_directory();

// The preferences, the time display mode and the chosen devices, compared and printed whole.
struct Prefs {
    int spdif, rec, err, tc, ro, time;
    std::string play_device = "", rec_device = "";
    bool operator==(const Prefs&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Prefs& p);
Prefs current_prefs();
void set_prefs(const Prefs& p);
