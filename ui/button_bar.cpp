#include "ui/button_bar.h"

#include <cassert>
#include <cstdint>
#include <cstring>
#include <new>

#include "common/ids.h"
#include "ui/resources/resource.h"

namespace {

TransportButton BUTTON_TABLE[BUTTON_COUNT] = {
    {CMD_STOP, IDB_STOP, 19001, 0, 0, 1},
    {CMD_PLAY, IDB_PLAY, 19002, 0, 0, 1},
    {CMD_RECORD, IDB_RECORD, 19004, 0, 0, 1},
    {0, 0, 0, 0, 0, 0},
    {CMD_TO_START, IDB_TO_START, 19005, 0, 0, 1},
    {CMD_STEP_BACK, IDB_STEP_BACK, 19006, 0, 0, 1},
    {CMD_STEP_FORWARD, IDB_STEP_FORWARD, 19007, 0, 0, 1},
    {CMD_TO_END, IDB_TO_END, 19008, 0, 0, 1},
};

// The pictures' palette colours (0xRRGGBB) that follow the system's colours.
struct ColorMapping {
    uint32_t rgb;
    int system_color;
};
constexpr ColorMapping SYS_COLOR_MAP[] = {
    {0x000000, COLOR_BTNTEXT},
    {0x808080, COLOR_BTNSHADOW},
    {0xC0C0C0, COLOR_BTNFACE},
    {0xFFFFFF, COLOR_BTNHIGHLIGHT},
};

constexpr int PALETTE_ENTRIES = 16;
constexpr int PALETTE_ENTRY_BYTES = 4;  // blue, green, red, 0
constexpr uint32_t WHITE_RGB = 0xFFFFFF;
constexpr uint32_t BLACK_RGB = 0x000000;

// A palette entry as the number 0xRRGGBB; on disk its bytes are blue, green, red, 0.
uint32_t read_palette_entry(const uint8_t* entry) {
    return (static_cast<uint32_t>(entry[2]) << 16) | (static_cast<uint32_t>(entry[1]) << 8) |
           entry[0];
}

void write_palette_entry(uint8_t* entry, uint32_t rgb) {
    entry[0] = static_cast<uint8_t>(rgb & 0xFF);
    entry[1] = static_cast<uint8_t>((rgb >> 8) & 0xFF);
    entry[2] = static_cast<uint8_t>((rgb >> 16) & 0xFF);
    entry[3] = 0;
}

uint32_t colorref_to_rgb(COLORREF color) {
    return (static_cast<uint32_t>(GetRValue(color)) << 16) |
           (static_cast<uint32_t>(GetGValue(color)) << 8) | GetBValue(color);
}

void recolor_palette(uint8_t* palette, int enabled) {
    for (int i = 0; i < PALETTE_ENTRIES; ++i) {
        uint8_t* entry = palette + i * PALETTE_ENTRY_BYTES;
        const uint32_t rgb = read_palette_entry(entry);
        if (!enabled) {
            if (rgb != BLACK_RGB) {
                write_palette_entry(entry, WHITE_RGB);
            }
            continue;
        }
        for (const ColorMapping& mapping : SYS_COLOR_MAP) {
            if (mapping.rgb == rgb) {
                write_palette_entry(entry, colorref_to_rgb(GetSysColor(mapping.system_color)));
                break;
            }
        }
    }
}

// Pictures are drawn for 96 DPI; from one and a half times that on they are
// drawn at the nearest whole multiple.
int picture_scale(HDC screen) {
    constexpr int BASE_DPI = 96;
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    return dpi > BASE_DPI ? (dpi + BASE_DPI / 2) / BASE_DPI : 1;
}

}  // namespace

void layout_button_bar(HWND window) {
    assert(window != nullptr);
    int total_units = 0;
    for (const TransportButton& button : BUTTON_TABLE) {
        total_units += button.control_id != 0 ? BUTTON_SLOT_UNITS : GAP_UNITS;
    }
    HWND bar = GetDlgItem(window, IDC_BUTTON_BAR);
    if (bar == nullptr) {
        return;
    }
    RECT client;
    GetClientRect(bar, &client);
    const int height = client.bottom - client.top;
    const float scale = static_cast<float>(client.right - client.left) / total_units;
    RECT frame;
    GetWindowRect(bar, &frame);
    POINT origin = {frame.left, frame.top};
    ScreenToClient(window, &origin);

    const int width = static_cast<int>(scale * BUTTON_WIDTH_UNITS);
    int units = 0;
    for (const TransportButton& button : BUTTON_TABLE) {
        if (button.control_id == 0) {
            units += GAP_UNITS;
            continue;
        }
        const int left = static_cast<int>(origin.x + units * scale);
        MoveWindow(GetDlgItem(window, button.control_id), left, origin.y, width, height, FALSE);
        units += BUTTON_SLOT_UNITS;
        set_button_pressed(window, button.control_id, button.pressed);
        set_button_enabled(window, button.control_id, button.enabled);
        set_button_visible(window, button.control_id, button.visible);
    }
    ShowWindow(bar, SW_HIDE);
}

void set_button_pressed(HWND window, int control_id, int value) {
    const int index = find_button(control_id);
    if (index < 0) {
        return;
    }
    BUTTON_TABLE[index].pressed = value;
    update_button_image(window, index);
}

void set_button_enabled(HWND window, int control_id, int value) {
    const int index = find_button(control_id);
    if (index < 0) {
        return;
    }
    BUTTON_TABLE[index].enabled = value;
    update_button_image(window, index);
    EnableWindow(GetDlgItem(window, control_id), value);
}

void set_button_visible(HWND window, int control_id, int value) {
    const int index = find_button(control_id);
    if (index < 0) {
        return;
    }
    BUTTON_TABLE[index].visible = value;
    ShowWindow(GetDlgItem(window, control_id), value ? SW_SHOW : SW_HIDE);
}

int find_button(int control_id) {
    // A gap entry is never a button, so looking up 0 finds nothing.
    if (control_id == 0) {
        return -1;
    }
    for (int i = 0; i < BUTTON_COUNT; ++i) {
        if (BUTTON_TABLE[i].control_id == control_id) {
            return i;
        }
    }
    return -1;
}

void update_button_image(HWND window, int index) {
    assert(index >= 0 && index < BUTTON_COUNT && BUTTON_TABLE[index].control_id != 0);
    const TransportButton& button = BUTTON_TABLE[index];
    const int picture = button.pressed && button.enabled ? button.bitmap_id + 1 : button.bitmap_id;
    HBITMAP bitmap = load_button_bitmap(GetModuleHandleA(nullptr), picture, button.enabled);
    HGDIOBJ previous = reinterpret_cast<HGDIOBJ>(SendDlgItemMessageA(
        window, button.control_id, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap)));
    if (previous != nullptr && previous != bitmap) {
        DeleteObject(previous);
    }
}

HBITMAP load_button_bitmap(HINSTANCE instance, int bitmap_id, int enabled) {
    // Resource type 2 is RT_BITMAP, spelled for the ANSI call whatever UNICODE says.
    HRSRC found = FindResourceA(instance, MAKEINTRESOURCEA(bitmap_id), MAKEINTRESOURCEA(2));
    if (found == nullptr) {
        return nullptr;
    }
    HGLOBAL loaded = LoadResource(instance, found);
    if (loaded == nullptr) {
        return nullptr;
    }
    const auto* resource = static_cast<const uint8_t*>(LockResource(loaded));
    const DWORD resource_bytes = SizeofResource(instance, found);
    if (resource == nullptr || resource_bytes < sizeof(BITMAPINFOHEADER)) {
        FreeResource(loaded);
        return nullptr;
    }
    BITMAPINFOHEADER header;
    std::memcpy(&header, resource, sizeof(header));
    const int palette_entries = header.biBitCount <= 8 ? 1 << header.biBitCount : 0;
    const DWORD bits_offset = header.biSize + palette_entries * PALETTE_ENTRY_BYTES;
    const DWORD info_bytes = header.biSize + PALETTE_ENTRIES * PALETTE_ENTRY_BYTES;
    const int64_t row_bytes = ((static_cast<int64_t>(header.biWidth) * 4 + 31) / 32) * 4;
    const int64_t rows =
        header.biHeight < 0 ? -static_cast<int64_t>(header.biHeight) : header.biHeight;
    // Only 16-colour pictures carry the palette that is recoloured below, and
    // the pixel rows must lie within the resource.
    if (header.biBitCount != 4 || header.biCompression != BI_RGB || header.biWidth <= 0 ||
        rows == 0 || info_bytes > resource_bytes ||
        bits_offset + row_bytes * rows > static_cast<int64_t>(resource_bytes)) {
        FreeResource(loaded);
        return nullptr;
    }
    auto* info = new (std::nothrow) uint8_t[info_bytes];
    if (info == nullptr) {
        FreeResource(loaded);
        return nullptr;
    }
    std::memcpy(info, resource, info_bytes);
    recolor_palette(info + header.biSize, enabled);

    const int width = header.biWidth;
    const int height = static_cast<int>(rows);
    HDC screen = GetDC(nullptr);
    // The buttons grow with the screen's DPI, and so do their pictures.
    const int scale = picture_scale(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width * scale, height * scale);
    if (bitmap != nullptr) {
        HDC memory = CreateCompatibleDC(screen);
        HGDIOBJ old = SelectObject(memory, bitmap);
        // Whole pixels: every picture pixel becomes a square block, so the
        // outlines stay sharp and even.
        SetStretchBltMode(memory, COLORONCOLOR);
        StretchDIBits(memory, 0, 0, width * scale, height * scale, 0, 0, width, height,
                      resource + bits_offset, reinterpret_cast<const BITMAPINFO*>(info),
                      DIB_RGB_COLORS, SRCCOPY);
        SelectObject(memory, old);
        DeleteDC(memory);
    }
    ReleaseDC(nullptr, screen);
    delete[] info;
    FreeResource(loaded);
    return bitmap;
}

int button_bar_handler(HWND window, UINT message, WPARAM /*wparam*/, LPARAM /*lparam*/) {
    if (message == WM_SYSCOLORCHANGE) {
        for (int i = 0; i < BUTTON_COUNT; ++i) {
            if (BUTTON_TABLE[i].control_id != 0) {
                update_button_image(window, i);
            }
        }
    }
    return 0;
}
