#include "tests/ui/main_window.h"
#include "tests/ui_files/ui_test_support.h"

#include <commctrl.h>

#include <cstdio>

#include "common/ids.h"
#include "streamfile/stream_file.h"
#include "transport/slider.h"
#include "transport/transport_controller.h"
#include "transport/transport_state.h"
#include "ui/button_bar.h"
#include "ui/main_display.h"
#include "ui/status_bar.h"

HWND create_main_window() {
    // One window serves every test of the process: creating and destroying a
    // shown window costs seconds under Wine.
    static HWND window = nullptr;
    static RECT bar_rect;
    if (window == nullptr) {
        window = create_test_main_window();
        if (window == nullptr) {
            return nullptr;
        }
        GetWindowRect(GetDlgItem(window, IDC_BUTTON_BAR), &bar_rect);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&bar_rect), 2);
    } else {  // a test may have moved the bar or hidden it
        HWND bar = GetDlgItem(window, IDC_BUTTON_BAR);
        MoveWindow(bar, bar_rect.left, bar_rect.top, bar_rect.right - bar_rect.left,
                   bar_rect.bottom - bar_rect.top, FALSE);
        ShowWindow(bar, SW_SHOW);
    }
    create_status_bar(window);
    reset_to_no_file(window);
    layout_button_bar(window);
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    pump_messages();
    return window;
}

void release_main_window(HWND window) {
    stream_close();
    reset_to_no_file(window);
    pump_messages();
}

void pump_messages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

void refresh_for_test(HWND window) {
    refresh_main_window(window);
}

void write_stream_file(const std::string& path, int count, int format, const FrameSpec& shape) {
    write_file_bytes(
        path, frames_file_bytes(format, std::vector<std::vector<Word>>(static_cast<size_t>(count),
                                                                       make_frame(shape))));
}

void open_in_state(HWND window, const std::string& path, int state, int read_only) {
    ASSERT_EQ(Rc(RC_OK), Rc(stream_open(path.c_str(), read_only)));
    set_transport_state(STATE_READY);
    refresh_for_test(window);
    if (state != STATE_READY) {
        set_transport_state(state);
        refresh_for_test(window);
    }
}

std::string list_text(HWND window, int id, int index) {
    char text[512] = "";
    if (SendDlgItemMessageA(window, id, LB_GETTEXTLEN, index, 0) == LB_ERR) {
        return "<none>";
    }
    SendDlgItemMessageA(window, id, LB_GETTEXT, index, reinterpret_cast<LPARAM>(text));
    return text;
}

std::string shown_entry(HWND window, int id) {
    // A one-line list shows its top entry; the display keeps the current entry there.
    return list_text(window, id,
                     static_cast<int>(SendDlgItemMessageA(window, id, LB_GETTOPINDEX, 0, 0)));
}

bool is_enabled(HWND window, int id) {
    return IsWindowEnabled(GetDlgItem(window, id)) != FALSE;
}

HWND status_bar(HWND window) {
    return GetDlgItem(window, IDC_STATUS_BAR);
}

std::string status_text(HWND window, int part) {
    char text[512] = "";
    SendMessageA(status_bar(window), SB_GETTEXTA, part, reinterpret_cast<LPARAM>(text));
    return text;
}

uint32_t bitmap_pixel(HBITMAP bitmap, int x, int y) {
    BITMAP info;
    if (bitmap == nullptr || GetObjectA(bitmap, sizeof(info), &info) == 0) {
        return 0xFFFFFFFF;
    }
    BITMAPINFO request = {
        {sizeof(BITMAPINFOHEADER), info.bmWidth, -info.bmHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0}, {}};
    std::vector<uint32_t> pixels(static_cast<size_t>(info.bmWidth) * info.bmHeight);
    HDC screen = GetDC(nullptr);
    GetDIBits(screen, bitmap, 0, info.bmHeight, pixels.data(), &request, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    return pixels[static_cast<size_t>(y) * info.bmWidth + x] & 0xFFFFFF;  // top row first
}

HBITMAP button_image(HWND window, int id) {
    return reinterpret_cast<HBITMAP>(SendDlgItemMessageA(window, id, BM_GETIMAGE, IMAGE_BITMAP, 0));
}

bool save_window_picture(HWND window, const std::string& path) {
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
    FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr) {
        return false;
    }
    const bool ok = std::fwrite(&header, sizeof(header), 1, out) == 1 &&
                    std::fwrite(&info, sizeof(info), 1, out) == 1 &&
                    std::fwrite(bits.data(), bits.size(), 1, out) == 1;
    return std::fclose(out) == 0 && ok;
}
