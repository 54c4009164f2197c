#include "tests/ui/main_window.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "bitstream/frame_crc.h"
#include "bitstream/time_code.h"
#include "common/file_format.h"
#include "common/ids.h"
#include "streamfile/stream_file.h"
#include "streamfile/stream_format.h"
#include "tests/support/test_files.h"
#include "tests/support/test_frames.h"
#include "transport/slider.h"
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

void register_class() {
    static bool registered = false;
    if (registered) {
        return;
    }
    InitCommonControls();
    WNDCLASSEXA window_class = {};
    window_class.cbSize = sizeof(window_class);
    window_class.style = CS_HREDRAW | CS_VREDRAW;
    window_class.lpfnWndProc = test_window_proc;
    window_class.cbWndExtra = DLGWINDOWEXTRA;
    window_class.hInstance = GetModuleHandleA(nullptr);
    window_class.hIcon = LoadIconA(window_class.hInstance, "bitdek");
    window_class.hIconSm = LoadIconA(window_class.hInstance, "bitdek");
    window_class.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    window_class.lpszMenuName = "bitdek";
    window_class.lpszClassName = "bitdek";
    registered = RegisterClassExA(&window_class) != 0;
}

void put_word_high_first(std::vector<uint8_t>& bytes, Word word) {
    bytes.push_back(static_cast<uint8_t>(word >> 8));
    bytes.push_back(static_cast<uint8_t>(word & 0xFF));
}

}  // namespace

HWND create_main_window() {
    // One window serves every test of the process: creating and destroying a
    // shown window costs seconds under Wine. Each test gets it back in its
    // start-up look.
    static HWND window = nullptr;
    static RECT bar_rect;
    if (window == nullptr) {
        register_class();
        window = CreateDialogParamA(GetModuleHandleA(nullptr), "bitdek", nullptr, nullptr, 0);
        if (window == nullptr) {
            return nullptr;
        }
        GetWindowRect(GetDlgItem(window, IDC_BUTTON_BAR), &bar_rect);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&bar_rect), 2);
    } else {
        HWND bar = GetDlgItem(window, IDC_BUTTON_BAR);
        MoveWindow(bar, bar_rect.left, bar_rect.top, bar_rect.right - bar_rect.left,
                   bar_rect.bottom - bar_rect.top, FALSE);
        ShowWindow(bar, SW_SHOW);
    }
    create_status_bar(window);
    reset_to_no_file_for_test(window);
    layout_button_bar(window);
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    pump_messages();
    return window;
}

void release_main_window(HWND window) {
    stream_close();
    reset_to_no_file_for_test(window);
    pump_messages();
}

void pump_messages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

void reset_to_no_file_for_test(HWND window) {
    set_transport_state(STATE_NO_FILE);
    reset_frame_info();
    init_parameter_fields(window);
    reset_slider(window);
    reset_time_display(window);
    show_no_file(window);
}

void refresh_for_test(HWND window) {
    show_frame_parameters(window);
    update_slider(window);
    show_time(window);
    show_transport_state(window);
}

void write_stream_file(const std::string& path,
                       const std::vector<std::vector<Word>>& frames,
                       int format) {
    std::vector<uint8_t> bytes;
    int count = 0;
    for (const std::vector<Word>& frame : frames) {
        if (format == FORMAT_NORMAL_TC) {
            std::vector<Word> packet = make_time_code_packet(1, 0, count / 25, count % 25, 0, 3, 0);
            packet_to_file_order(packet.data());
            for (Word w : packet) {
                put_word_high_first(bytes, w);
            }
        }
        for (Word w : frame) {
            put_word_high_first(bytes, w);
        }
        ++count;
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

void close_for_test(HWND window) {
    stream_close();
    reset_to_no_file_for_test(window);
}

std::string list_text(HWND window, int id, int index) {
    const LRESULT length = SendDlgItemMessageA(window, id, LB_GETTEXTLEN, index, 0);
    if (length == LB_ERR) {
        return "<none>";
    }
    std::string text(static_cast<size_t>(length) + 1, '\0');
    SendDlgItemMessageA(window, id, LB_GETTEXT, index, reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(length));
    return text;
}

std::string shown_entry(HWND window, int id) {
    // A one-line list shows its top entry; the display keeps the current entry there.
    const LRESULT top = SendDlgItemMessageA(window, id, LB_GETTOPINDEX, 0, 0);
    return list_text(window, id, static_cast<int>(top));
}

int list_count(HWND window, int id) {
    return static_cast<int>(SendDlgItemMessageA(window, id, LB_GETCOUNT, 0, 0));
}

int current_entry(HWND window, int id) {
    return static_cast<int>(SendDlgItemMessageA(window, id, LB_GETCURSEL, 0, 0));
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
    HWND bar = status_bar(window);
    const LRESULT length = SendMessageA(bar, SB_GETTEXTLENGTHA, part, 0);
    std::string text(LOWORD(length) + 1, '\0');
    SendMessageA(bar, SB_GETTEXTA, part, reinterpret_cast<LPARAM>(text.data()));
    text.resize(std::strlen(text.c_str()));
    return text;
}

UINT menu_state(HWND window, int command) {
    return GetMenuState(GetMenu(window), command, MF_BYCOMMAND);
}

uint32_t bitmap_pixel(HBITMAP bitmap, int x, int y) {
    BITMAP info;
    if (bitmap == nullptr || GetObjectA(bitmap, sizeof(info), &info) == 0) {
        return 0xFFFFFFFF;
    }
    BITMAPINFO request = {};
    request.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    request.bmiHeader.biWidth = info.bmWidth;
    request.bmiHeader.biHeight = -info.bmHeight;  // top row first
    request.bmiHeader.biPlanes = 1;
    request.bmiHeader.biBitCount = 32;
    request.bmiHeader.biCompression = BI_RGB;
    std::vector<uint8_t> pixels(static_cast<size_t>(info.bmWidth) * info.bmHeight * 4);
    HDC screen = GetDC(nullptr);
    GetDIBits(screen, bitmap, 0, info.bmHeight, pixels.data(), &request, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    // Each pixel as blue, green, red, unused.
    const uint8_t* p = &pixels[(static_cast<size_t>(y) * info.bmWidth + x) * 4];
    return (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[1]) << 8) | p[0];
}

HBITMAP button_image(HWND window, int id) {
    return reinterpret_cast<HBITMAP>(SendDlgItemMessageA(window, id, BM_GETIMAGE, IMAGE_BITMAP, 0));
}

bool save_window_picture(HWND window, const std::string& path) {
    RECT frame;
    GetWindowRect(window, &frame);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP picture = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, picture);
    BitBlt(memory, 0, 0, width, height, screen, frame.left, frame.top, SRCCOPY);
    SelectObject(memory, old);

    BITMAPINFOHEADER header = {};
    header.biSize = sizeof(header);
    header.biWidth = width;
    header.biHeight = height;  // bottom row first, as a .bmp stores it
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    const int row_bytes = (width * 3 + 3) & ~3;
    std::vector<uint8_t> bits(static_cast<size_t>(row_bytes) * height);
    GetDIBits(memory, picture, 0, height, bits.data(), reinterpret_cast<BITMAPINFO*>(&header),
              DIB_RGB_COLORS);
    DeleteObject(picture);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);

    // The file header, little-endian: "BM", file size, two reserved words,
    // offset of the pixels.
    std::vector<uint8_t> bytes;
    auto put16 = [&bytes](uint32_t v) {
        bytes.push_back(static_cast<uint8_t>(v & 0xFF));
        bytes.push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
    };
    auto put32 = [&put16](uint32_t v) {
        put16(v & 0xFFFF);
        put16(v >> 16);
    };
    const uint32_t offset = 14 + 40;
    put16(0x4D42);
    put32(offset + static_cast<uint32_t>(bits.size()));
    put32(0);
    put32(offset);
    // The info header, little-endian.
    put32(40);
    put32(static_cast<uint32_t>(width));
    put32(static_cast<uint32_t>(height));
    put16(1);
    put16(24);
    put32(BI_RGB);
    put32(static_cast<uint32_t>(bits.size()));
    put32(0);
    put32(0);
    put32(0);
    put32(0);
    bytes.insert(bytes.end(), bits.begin(), bits.end());
    FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr) {
        return false;
    }
    const bool ok = std::fwrite(bytes.data(), bytes.size(), 1, out) == 1;
    return std::fclose(out) == 0 && ok;
}
