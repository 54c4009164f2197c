#include "ui/time_display.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "bitstream/frame_parser.h"
#include "bitstream/time_code.h"
#include "common/ids.h"
#include "common/texts.h"
#include "settings/prefs.h"
#include "streamfile/stream_file.h"
#include "transport/transport_state.h"
#include "ui/main_display.h"
#include "ui/resources/resource.h"

namespace {

enum TimeDisplayMode : int {
    MODE_SMPTE = 0,
    MODE_ELAPSED = 1,
    MODE_FRAMES = 2,
};

constexpr int MODE_BUTTONS[] = {IDC_TIME_SMPTE, IDC_TIME_ELAPSED, IDC_TIME_FRAMES};

// Samples in one AC-3 frame.
constexpr int64_t SAMPLES_PER_FRAME = 1536;
constexpr int64_t DEFAULT_SAMPLE_RATE_HZ = 48000;

// Rate codes 1 to 9 have a suffix text (9: " - Unknown"); the ids past the
// last one belong to other texts, so codes 10 to 15 show none.
constexpr int LAST_SUFFIX_RATE_CODE = 9;

// Long enough for "hh:mm:ss:ff", a rate suffix and the drop-frame mark.
constexpr int TIME_TEXT_CHARS = 3 * TEXT_BUFFER_CHARS;

// The position counted in frames, rounded to the nearest frame.
int frame_index(const FrameInfo& info, const StreamFile& file, int32_t position) {
    const double words = words_per_record(file);
    if (info.frame_words <= 0 || words <= 0.0) {
        return 0;
    }
    return static_cast<int>(position / words + 0.5);
}

void format_smpte(HWND /*window*/, const StreamFile& file, int32_t position, char* text) {
    TimeCode code;
    get_time_code(&code);
    if (code.valid == 0) {
        std::snprintf(text, TIME_TEXT_CHARS, "%s", BLANK_TEXT);
        return;
    }
    // Stopped at the end of a file, the display shows where the file ends
    // rather than the last frame's packet.
    if (position == file.length && file.length != 0 && get_transport_state() == STATE_READY) {
        stream_end_time_code();
        get_time_code(&code);
    }
    char rate[TEXT_BUFFER_CHARS] = "";
    if (code.rate_code > 0 && code.rate_code <= LAST_SUFFIX_RATE_CODE) {
        load_text(IDS_FRAME_RATE_BASE + code.rate_code, rate, TEXT_BUFFER_CHARS);
    }
    char drop[TEXT_BUFFER_CHARS] = "";
    if (code.drop_frame != 0) {
        load_text(IDS_DROP_FRAME, drop, TEXT_BUFFER_CHARS);
    }
    std::snprintf(text, TIME_TEXT_CHARS, "%02d:%02d:%02d:%02d%s%s", code.hours, code.minutes,
                  code.seconds, code.frames, rate, drop);
}

void format_elapsed(const FrameInfo& info, const StreamFile& file, int frames, char* text) {
    if (file.frame_count <= 0) {
        load_text(IDS_ZERO_ELAPSED, text, TEXT_BUFFER_CHARS);
        return;
    }
    const int64_t rate = info.fscod >= 0 && info.fscod < FSCOD_COUNT ? SAMPLE_RATE_HZ[info.fscod]
                                                                     : DEFAULT_SAMPLE_RATE_HZ;
    // Tenths of a second counted on integers: in floating point an exact
    // boundary such as 735 frames at 44.1 kHz (25.6 s) falls a tenth short.
    const int64_t tenths = static_cast<int64_t>(frames) * SAMPLES_PER_FRAME * 10 / rate;
    const int64_t seconds = tenths / 10;
    std::snprintf(text, TIME_TEXT_CHARS, "%.2d:%.2d:%.2d.%d", static_cast<int>(seconds / 3600),
                  static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60),
                  static_cast<int>(tenths % 10));
}

}  // namespace

void reset_time_display(HWND window) {
    clear_number_field(window, IDC_TIME);
    for (int id : MODE_BUTTONS) {
        clear_radio(window, id);
    }
    const int mode = get_time_display_mode();
    if (mode >= MODE_SMPTE && mode <= MODE_FRAMES) {
        set_checked(window, MODE_BUTTONS[mode], 1);
    }
}

void show_time(HWND window) {
    FrameInfo info;
    get_frame_info(&info);
    StreamFile file;
    stream_get_file(&file);
    const int32_t position = stream_get_position();
    const int frames = frame_index(info, file, position);

    char text[TIME_TEXT_CHARS];
    int mode;
    if (is_checked(window, IDC_TIME_SMPTE)) {
        format_smpte(window, file, position, text);
        mode = MODE_SMPTE;
    } else if (is_checked(window, IDC_TIME_ELAPSED)) {
        format_elapsed(info, file, frames, text);
        mode = MODE_ELAPSED;
    } else {
        std::snprintf(text, TIME_TEXT_CHARS, "%d", frames);
        mode = MODE_FRAMES;
    }
    show_text(window, IDC_TIME, text, 1);
    set_time_display_mode(mode);
}

int on_time_display_command(HWND window, UINT message, WPARAM wparam, LPARAM /*lparam*/) {
    if (message != WM_COMMAND) {
        return 0;
    }
    const int id = LOWORD(wparam);
    if (id != IDC_TIME_SMPTE && id != IDC_TIME_ELAPSED && id != IDC_TIME_FRAMES) {
        return 0;
    }
    for (int button : MODE_BUTTONS) {
        set_checked(window, button, button == id ? 1 : 0);
    }
    show_time(window);
    return 1;
}
