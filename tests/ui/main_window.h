// The main window as the program builds it, for the display tests: a window of
// class "bitdek" created from the template, whose test procedure routes the
// messages the displays handle, with its status bar and laid-out button bar;
// the stream files the tests open, and read-backs of what the user sees.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "common/words.h"
#include "tests/support/test_files.h"
#include "tests/support/test_frames.h"

// The main window (created once per process, as the dialog tests create theirs),
// reset to the no-file look and shown.
HWND create_main_window();
// Closes any open file and resets the window (the no-file look).
void release_main_window(HWND window);
void pump_messages();
// The controller's refresh after every change.
void refresh_for_test(HWND window);

// A stream file of count frames of shape; with FORMAT_NORMAL_TC each frame is
// preceded by a time code packet counting from 01:00:00:00 at 25 fps.
void write_stream_file(const std::string& path, int count, int format, const FrameSpec& shape = {});
// Opens path with the store and puts the window into state (refreshing it).
void open_in_state(HWND window, const std::string& path, int state, int read_only = 0);

// What the user sees.
std::string list_text(HWND window, int id, int index);
std::string shown_entry(HWND window, int id);  // the current entry's text
bool is_enabled(HWND window, int id);
std::string window_text(HWND window);
std::string status_text(HWND window, int part);
HWND status_bar(HWND window);
// The colour (0xRRGGBB) of pixel (x, y) of a bitmap, and the picture a button shows.
uint32_t bitmap_pixel(HBITMAP bitmap, int x, int y);
HBITMAP button_image(HWND window, int id);
// Saves the window, frame and all, as a 24-bit .bmp; false on failure.
bool save_window_picture(HWND window, const std::string& path);

// A test on the shown main window, handing it back reset.
class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        window = create_main_window();
        ASSERT_NE(nullptr, window);
    }
    void TearDown() override { release_main_window(window); }
    // A stream file of count frames (none: a new file) opened in state.
    std::string open(int format, int count, int state, FrameSpec shape = {}, int read_only = 0) {
        const std::string path = dir.path("t" + std::to_string(++files) + ".ac3");
        if (count > 0) {
            write_stream_file(path, count, format, shape);
        }
        open_in_state(window, path, state, read_only);
        return path;
    }
    void close() { release_main_window(window); }
    HWND window = nullptr;
    TempDir dir;
    int files = 0;
};
