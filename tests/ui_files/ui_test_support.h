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

// The main window, created hidden on the first call: one per process, as in
// the program (the recent list rebuilds the menu it last built).
HWND test_main_window();
// The same window shown, with its status bar and laid-out button bar, in the
// no-file look.
HWND create_main_window();
// Closes any open file and gives the window the no-file look.
void release_main_window(HWND window);

// A stream file of count frames of shape; with FORMAT_NORMAL_TC each frame is
// preceded by a time code packet counting from 01:00:00:00 at 25 fps.
void write_stream_file(const std::string& path,
                       int count,
                       int format = FORMAT_NORMAL,
                       FrameSpec shape = {});
// Opens path with the store and puts the window into state (refreshing it).
void open_in_state(HWND window, const std::string& path, int state, int read_only = 0);

// Each dialog or message box activated from now on is passed once to handler
// while its modal loop runs; with an empty handler none is answered.
void set_dialog_handler(std::function<void(HWND dialog)> handler);
void click_button(HWND dialog, int id);  // through the button, as a click does
std::string window_text(HWND window);
// The File menu ("-" a separator), the recent list and the working directory.
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
