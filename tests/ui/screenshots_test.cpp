// Saves pictures of the main window in its main looks (no file, a file ready,
// playing, armed for recording) for a person to look at. The test command
// turns them into PNGs.
#include <gtest/gtest.h>

#include <cstdio>

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

// The window, frame and all, as a 24-bit .bmp.
void save(HWND window, const char* name) {
    pump_messages();
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
    // Bottom row first, as a .bmp stores it.
    std::vector<uint8_t> bits(static_cast<size_t>((width * 3 + 3) & ~3) * height);
    BITMAPINFOHEADER info = {
        sizeof(info), width, height, 1, 24, BI_RGB, static_cast<DWORD>(bits.size()), 0, 0, 0, 0};
    GetDIBits(memory, picture, 0, height, bits.data(), reinterpret_cast<BITMAPINFO*>(&info),
              DIB_RGB_COLORS);
    DeleteObject(picture);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);

    BITMAPFILEHEADER header = {0x4D42, 0, 0, 0, sizeof(header) + sizeof(info)};  // "BM"
    header.bfSize = header.bfOffBits + info.biSizeImage;
    const std::string path = std::string(SCREENSHOT_DIR) + "/" + name + ".bmp";
    FILE* out = std::fopen(path.c_str(), "wb");
    ASSERT_NE(nullptr, out) << path;
    EXPECT_TRUE(std::fwrite(&header, sizeof(header), 1, out) == 1 &&
                std::fwrite(&info, sizeof(info), 1, out) == 1 &&
                std::fwrite(bits.data(), bits.size(), 1, out) == 1 && std::fclose(out) == 0)
        << path;
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
