#include "transport/slider.h"

#include <commctrl.h>

#include "common/ids.h"
#include "streamfile/stream_file.h"
#include "transport/transport_state.h"

namespace {

int slider_tracking = 1;

// "Rounded" in this module: add one half and drop the fraction.
int rounded(double value) {
    return static_cast<int>(value + 0.5);
}

// The frame at position p of a file of length words and count frames.
int current_frame(int32_t length, int32_t count, int32_t position) {
    if (length <= 0) {
        return 0;
    }
    return rounded(static_cast<double>(position) / length * count);
}

}  // namespace

void reset_slider(HWND window) {
    EnableWindow(GetDlgItem(window, IDC_SLIDER), FALSE);
    SendDlgItemMessageA(window, IDC_SLIDER, TBM_SETPOS, TRUE, 0);
    SendDlgItemMessageA(window, IDC_SLIDER, TBM_SETRANGE, TRUE, MAKELPARAM(0, SLIDER_MAX));
    slider_tracking = 1;
}

void update_slider(HWND window) {
    const int state = get_transport_state();
    const bool capturing = state == STATE_RECORDING || state == STATE_RECORD_ARMED;
    EnableWindow(GetDlgItem(window, IDC_SLIDER), capturing ? FALSE : TRUE);
    if (slider_tracking == 0) {
        return;
    }
    StreamFile file;
    stream_get_file(&file);
    int32_t position = stream_get_position();
    int thumb = 0;
    if (file.frame_count > 0) {
        if (file.length <= 0) {
            // A length not yet known: the file ends at the position.
            stream_cut_at_position();
            stream_get_file(&file);
            position = stream_get_position();
        }
        if (file.length > 0 && file.frame_count > 0) {
            const int frame = current_frame(file.length, file.frame_count, position);
            thumb = rounded(static_cast<double>(frame) * SLIDER_MAX / file.frame_count);
        }
    }
    SendDlgItemMessageA(window, IDC_SLIDER, TBM_SETPOS, TRUE, thumb);
}

int slider_frame_delta(HWND window) {
    StreamFile file;
    stream_get_file(&file);
    const int32_t position = stream_get_position();
    const int frame = current_frame(file.length, file.frame_count, position);
    const LRESULT thumb = SendDlgItemMessageA(window, IDC_SLIDER, TBM_GETPOS, 0, 0);
    const int target = rounded(static_cast<double>(thumb) * file.frame_count / SLIDER_MAX);
    return target - frame;
}

void set_slider_tracking(int flag) {
    slider_tracking = flag;
}
