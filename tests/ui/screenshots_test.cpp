// Saves pictures of the main window in its main looks (no file, a file ready,
// playing, armed for recording) for a person to look at. The test command
// turns them into PNGs.
#include <gtest/gtest.h>

#include <cstring>

#include "settings/prefs.h"
#include "streamfile/stream_file.h"
#include "tests/support/test_files.h"
#include "tests/ui_files/ui_test_support.h"
#include "transport/transport_controller.h"
#include "transport/transport_state.h"
#include "ui/resources/resource.h"
#include "ui/status_bar.h"

#ifndef SCREENSHOT_DIR
#error "SCREENSHOT_DIR names the folder for the pictures"
#endif

namespace {

// The window, frame and all, as a 24-bit .bmp (rows bottom first).
void save(HWND window, const char* name) {
    RedrawWindow(window, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    pump_messages();
    RECT frame;
    GetWindowRect(window, &frame);
    const int width = frame.right - frame.left, height = frame.bottom - frame.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP picture = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, picture);
    BitBlt(memory, 0, 0, width, height, screen, frame.left, frame.top, SRCCOPY);
    SelectObject(memory, old);
    const DWORD bytes = static_cast<DWORD>((width * 3 + 3) & ~3) * height;
    BITMAPFILEHEADER header = {0x4D42, 0, 0, 0, sizeof(header) + sizeof(BITMAPINFOHEADER)};  // "BM"
    BITMAPINFOHEADER info = {sizeof(info), width, height, 1, 24, BI_RGB, bytes, 0, 0, 0, 0};
    header.bfSize = header.bfOffBits + bytes;
    std::vector<uint8_t> file(header.bfSize);
    std::memcpy(file.data(), &header, sizeof header);
    std::memcpy(&file[sizeof header], &info, sizeof info);
    GetDIBits(memory, picture, 0, height, &file[header.bfOffBits],
              reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
    DeleteObject(picture);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    write_file_bytes(std::string(SCREENSHOT_DIR) + "/" + name + ".bmp", file);
}

TEST(Screenshots, MainWindowInEachLook) {
    CreateDirectoryA(SCREENSHOT_DIR, nullptr);
    set_time_display_mode(0);
    HWND window = create_main_window();
    ASSERT_NE(nullptr, window);
    SetForegroundWindow(window);
    save(window, "no_file");

    TempDir dir;
    const std::string path = dir.path("concert.ac3");
    write_stream_file(path, 300, FORMAT_NORMAL_TC, FrameSpec{0, 30, 8, 0, 7, 1, 31});
    open_in_state(window, path, STATE_READY);
    stream_seek(120, SEEK_BY_FRAMES);
    refresh_main_window(window);
    save(window, "ready");

    set_transport_state(STATE_PLAYING);
    refresh_main_window(window);
    save(window, "playing");

    set_transport_state(STATE_READY);
    refresh_main_window(window);
    stream_seek(0, SEEK_TO_END);
    set_transport_state(STATE_RECORD_ARMED);
    refresh_main_window(window);
    // What the controller shows after the first captured buffer.
    set_status_text_id(window, 0, IDS_PRESS_PLAY_TO_RECORD);
    save(window, "record_armed");
    release_main_window(window);
}

}  // namespace
