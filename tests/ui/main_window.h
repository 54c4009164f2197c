// The main window as the program builds it, for the display tests: a window of
// class "bitdek" created from the template, whose test procedure routes the
// messages the displays handle, with its status bar and laid-out button bar.
// Also the stream files the tests open and small read-backs of what the user
// sees.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "common/words.h"

// The main window (created once per process, registering the class), with a
// fresh status bar and button bar, reset to the no-file look and shown.
HWND create_main_window();
// Closes any open file and resets the window at the end of a test.
void release_main_window(HWND window);

// Dispatches every queued message.
void pump_messages();

// The controller's two composite steps: the full reset with no file open, and
// the refresh after every change.
void reset_to_no_file_for_test(HWND window);
void refresh_for_test(HWND window);

// A stream file of the given layout (FORMAT_NORMAL_TC, FORMAT_NORMAL) holding
// frames; for FORMAT_NORMAL_TC each frame is preceded by a time code packet
// counting frames from 01:00:00:00 at 25 fps.
void write_stream_file(const std::string& path,
                       const std::vector<std::vector<Word>>& frames,
                       int format);

// Opens path with the store and puts the window into state (refreshing it);
// fails the test when the store refuses the file.
void open_in_state(HWND window, const std::string& path, int state, int read_only = 0);
// Closes the file and resets the window.
void close_for_test(HWND window);

// What the user sees.
std::string list_text(HWND window, int id, int index);
std::string shown_entry(HWND window, int id);  // the current entry's text
int list_count(HWND window, int id);
int current_entry(HWND window, int id);
bool is_enabled(HWND window, int id);
std::string window_text(HWND window);
std::string status_text(HWND window, int part);
HWND status_bar(HWND window);
UINT menu_state(HWND window, int command);  // MF_GRAYED etc.

// The colour (0xRRGGBB) of pixel (x, y) of a bitmap.
uint32_t bitmap_pixel(HBITMAP bitmap, int x, int y);
// The picture a button shows.
HBITMAP button_image(HWND window, int id);

// Saves the window, frame and all, as a 24-bit .bmp; false on failure.
bool save_window_picture(HWND window, const std::string& path);
