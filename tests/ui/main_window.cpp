#include "tests/ui/main_window.h"

#include <commctrl.h>

#include <cstdio>
#include <cstring>

#include "bitstream/time_code.h"
#include "common/file_format.h"
#include "common/ids.h"
#include "streamfile/stream_file.h"
#include "streamfile/stream_format.h"
#include "transport/slider.h"
#include "transport/transport_controller.h"
#include "transport/transport_state.h"
#include "ui/button_bar.h"
#include "ui/main_display.h"
#include "ui/status_bar.h"
#include "ui/time_display.h"

namespace {

// Routes what the program's handler chain would route to the displays.
LRESULT CALLBACK test_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (on_time_display_command(window, message, wparam, lparam)) {
        return 1;
    }
    button_bar_handler(window, message, wparam, lparam);
    if (status_bar_handler(window, message, wparam, lparam)) {
        return 1;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

}  // namespace

HWND create_main_window() {
    // One window serves every test of the process: creating and destroying a
    // shown window costs seconds under Wine.
    static HWND window = nullptr;
    static RECT bar_rect;
    HINSTANCE instance = GetModuleHandleA(nullptr);
    if (window == nullptr) {
        InitCommonControls();
        WNDCLASSEXA window_class = {};
        window_class.cbSize = sizeof(window_class);
        window_class.style = CS_HREDRAW | CS_VREDRAW;
        window_class.lpfnWndProc = test_window_proc;
        window_class.cbWndExtra = DLGWINDOWEXTRA;
        window_class.hInstance = instance;
        window_class.hIcon = window_class.hIconSm = LoadIconA(instance, "bitdek");
        window_class.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        window_class.lpszMenuName = window_class.lpszClassName = "bitdek";
        RegisterClassExA(&window_class);
        window = CreateDialogParamA(instance, "bitdek", nullptr, nullptr, 0);
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
    std::vector<uint8_t> bytes;
    auto put = [&bytes](const std::vector<Word>& words) {
        for (Word w : words) {  // high byte first, as the bitstream is
            bytes.push_back(static_cast<uint8_t>(w >> 8));
            bytes.push_back(static_cast<uint8_t>(w & 0xFF));
        }
    };
    const std::vector<Word> frame = make_frame(shape);
    for (int i = 0; i < count; ++i) {
        if (format == FORMAT_NORMAL_TC) {
            std::vector<Word> packet = make_time_code_packet(1, 0, i / 25, i % 25, 0, 3, 0);
            packet_to_file_order(packet.data());
            put(packet);
        }
        put(frame);
    }
    write_file_bytes(path, bytes);
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

std::string window_text(HWND window) {
    char text[512] = "";
    GetWindowTextA(window, text, sizeof(text));
    return text;
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
