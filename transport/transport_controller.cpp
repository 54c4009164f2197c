// The transport controller: every user command and every device notification
// that moves the transport goes through here, on the window's thread.
#include "transport/transport_controller.h"

#include <commctrl.h>
#include <mmsystem.h>
#include <shellapi.h>

#include "audio/capture.h"
#include "audio/playback.h"
#include "audio/wave_ring.h"
#include "bitstream/frame_crc.h"
#include "bitstream/time_code.h"
#include "common/ids.h"
#include "common/result.h"
#include "common/transport_state.h"
#include "settings/prefs.h"
#include "streamfile/stream_file.h"
#include "transport/slider.h"
#include "transport/transport_state.h"
#include "ui/main_display.h"
#include "ui/open_file.h"
#include "ui/preferences_dialog.h"
#include "ui/report_error.h"
#include "ui/resources/resource.h"
#include "ui/status_bar.h"
#include "ui/time_display.h"

namespace {

struct Controller {
    // The last CMD_STOP of a capture could not cut the file and said so.
    bool cut_failure_reported;
    // A refused stop is being said: the buffers the device hands back
    // meanwhile retry it without saying it again.
    bool refusal_on_screen;
};

Controller controller = {};

// The status bar part that shows the transport's status.
constexpr int STATUS_PART_TRANSPORT = 0;

int command_id(WPARAM wparam) {
    return LOWORD(wparam);
}

bool file_is_open() {
    return get_transport_state() != STATE_NO_FILE;
}

bool input_device_runs() {
    int state = get_transport_state();
    return state == STATE_RECORDING || state == STATE_RECORD_ARMED;
}

// Commands to the own window run nested and finish, refresh included, before
// the sender goes on.
void send_command(HWND window, int id) {
    SendMessageA(window, WM_COMMAND, MAKEWPARAM(id, 0), 0);
}

void focus_open_close_button(HWND window) {
    SetFocus(GetDlgItem(window, CMD_OPEN_CLOSE));
}

// The message for a device that cannot be started, naming the one at fault:
// a start fails also on a device of the other direction that refuses to stop.
const char* device_failure_text(int rc) {
    return rc == RC_NO_RECORD_DEVICE || rc == RC_RECORD_CLOSE_FAILED ? TEXT_NO_RECORD_DEVICE
                                                                     : TEXT_NO_PLAYBACK_DEVICE;
}

// After a stop: a device that refused it is still open, and the transport
// shows it in running_state, with the device's message; Stop tries again.
void end_stop(HWND window, int running_state, const char* text) {
    const bool refused = wave_ring().device_open != 0;
    if (refused) {
        set_transport_state(running_state);
    }
    refresh_main_window(window);
    if (refused && !controller.refusal_on_screen) {
        controller.refusal_on_screen = true;
        report_error(window, text);
        controller.refusal_on_screen = false;
    }
}

// A file is open from here on.
void enter_ready(HWND window) {
    set_transport_state(STATE_READY);
    refresh_main_window(window);
}

void play(HWND window) {
    StreamFile file;
    stream_get_file(&file);
    if (stream_get_position() == file.length) {
        send_command(window, CMD_TO_START);
    }
    if (int rc = start_playback(window)) {
        report_error(window, device_failure_text(rc));
        return;
    }
    set_transport_state(STATE_PLAYING);
    refresh_main_window(window);
}

void record(HWND window) {
    StreamFile file;
    stream_get_file(&file);
    int32_t position = stream_get_position();
    if (position != file.length && MessageBoxA(window, TEXT_CONFIRM_ERASE, ERROR_BOX_CAPTION,
                                               MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) == IDNO) {
        return;
    }
    // The file changes only once the device runs: a Record that fails leaves
    // it as it was, for Play to read in its own layout.
    if (int rc = start_capture(window)) {
        report_error(window, device_failure_text(rc));
        return;
    }
    if (position != file.length) {
        stream_cut_at_position();
    }
    if (position == 0) {
        stream_set_new_format(get_rec_format());
    }
    set_transport_state(STATE_RECORD_ARMED);
    refresh_main_window(window);
}

void seek(HWND window, int32_t frames, int mode) {
    stream_seek(frames, mode);
    refresh_main_window(window);
}

LRESULT file_command_handler(HWND window, UINT message, WPARAM wparam, LPARAM) {
    if (message != WM_COMMAND) {
        return 0;
    }
    int id = command_id(wparam);
    switch (id) {
        case CMD_OPEN:
            // The accelerator reaches here although the menu item is grayed while
            // a file is open; a second file must not be opened over the first.
            if (!file_is_open() && open_file_dialog(window) == RC_OK) {
                enter_ready(window);
            }
            focus_open_close_button(window);
            return 1;
        case CMD_CLOSE:
            if (!file_is_open()) {
                return 1;
            }
            if (get_transport_state() != STATE_READY) {
                send_command(window, CMD_STOP);
            }
            close_file();
            reset_to_no_file(window);
            return 1;
        case CMD_RECENT_FILE_1:
        case CMD_RECENT_FILE_2:
        case CMD_RECENT_FILE_3:
        case CMD_RECENT_FILE_4:
            if (file_is_open()) {
                send_command(window, CMD_CLOSE);
            }
            if (open_recent_file(window, id) == RC_OK) {
                enter_ready(window);
            }
            return 1;
        case CMD_OPEN_CLOSE:
            send_command(window, file_is_open() ? CMD_CLOSE : CMD_OPEN);
            return 1;
        default:
            return 0;
    }
}

LRESULT drop_handler(HWND window, UINT message, WPARAM wparam, LPARAM) {
    if (message != WM_DROPFILES) {
        return 0;
    }
    HDROP drop = reinterpret_cast<HDROP>(wparam);
    char path[RECENT_PATH_CHARS];
    // While a box is up the window is disabled and File, Open cannot be
    // chosen: the file the box is about stays open.
    if (IsWindowEnabled(window) && first_dropped_file(drop, path)) {
        open_outside_file(window, path);
    }
    DragFinish(drop);
    return 1;
}

LRESULT transport_button_handler(HWND window, UINT message, WPARAM wparam, LPARAM) {
    if (message != WM_COMMAND) {
        return 0;
    }
    int state = get_transport_state();
    switch (command_id(wparam)) {
        case CMD_STOP:
            // The state is stored before the device closes, so the buffers the
            // reset hands back arrive in STATE_READY and are ignored.
            if (state == STATE_PLAYING) {
                set_transport_state(STATE_READY);
                stop_playback();
                end_stop(window, STATE_PLAYING, TEXT_NO_PLAYBACK_DEVICE);
            } else if (state == STATE_RECORDING || state == STATE_RECORD_ARMED) {
                set_transport_state(STATE_READY);
                // The take ends here whatever the device does; a file that could
                // not be cut would keep stale words after it, so say so.
                controller.cut_failure_reported = stop_capture() == RC_WRITE_FAILED;
                end_stop(window, STATE_RECORD_ARMED, TEXT_NO_RECORD_DEVICE);
                if (controller.cut_failure_reported) {
                    report_error(window, TEXT_WRITE_FAILED);
                }
            }
            return 1;
        case CMD_PLAY:
            if (state == STATE_READY) {
                play(window);
            } else if (state == STATE_RECORDING) {
                set_transport_state(STATE_RECORD_ARMED);
                refresh_main_window(window);
            } else if (state == STATE_RECORD_ARMED && wave_ring().active != 0) {
                // Armed after a refused stop, the take has ended: nothing to record.
                set_transport_state(STATE_RECORDING);
                stream_resume();
                refresh_main_window(window);
            }
            return 1;
        case CMD_RECORD:
            if (state == STATE_READY) {
                record(window);
            }
            return 1;
        case CMD_TO_START:
            seek(window, 0, SEEK_TO_START);
            return 1;
        case CMD_STEP_BACK:
            seek(window, -1, SEEK_BY_FRAMES);
            return 1;
        case CMD_STEP_FORWARD:
            seek(window, 1, SEEK_BY_FRAMES);
            return 1;
        case CMD_TO_END:
            seek(window, 0, SEEK_TO_END);
            return 1;
        default:
            return 0;
    }
}

LRESULT slider_handler(HWND window, UINT message, WPARAM wparam, LPARAM) {
    if (message != WM_HSCROLL) {
        return 0;
    }
    switch (LOWORD(wparam)) {
        case TB_PAGEUP:
        case TB_PAGEDOWN:
            // The trackbar has already moved its thumb by a page.
            seek(window, slider_frame_delta(window), SEEK_BY_FRAMES);
            return 1;
        case TB_THUMBPOSITION:
            stream_seek(slider_frame_delta(window), SEEK_BY_FRAMES);
            set_slider_tracking(1);
            refresh_main_window(window);
            return 1;
        case TB_THUMBTRACK:
            // While the thumb is dragged the refreshes leave it under the mouse.
            set_slider_tracking(0);
            return 1;
        default:
            return 0;
    }
}

LRESULT preferences_command_handler(HWND window, UINT message, WPARAM wparam, LPARAM) {
    if (message != WM_COMMAND || command_id(wparam) != CMD_PREFERENCES) {
        return 0;
    }
    DialogBoxParamA(reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(window, GWLP_HINSTANCE)),
                    PREFERENCES_DIALOG_NAME, window, preferences_dialog_proc, 0);
    focus_open_close_button(window);
    show_transport_state(window);
    return 1;
}

LRESULT reset_errors_handler(HWND window, UINT message, WPARAM wparam, LPARAM) {
    if (message != WM_COMMAND || command_id(wparam) != CMD_RESET_ERRORS) {
        return 0;
    }
    reset_frame_errors();
    refresh_main_window(window);
    return 1;
}

void on_input_buffer(HWND window) {
    int state = get_transport_state();
    switch (on_input_buffer_filled(state)) {
        case RC_NO_TIME_CODE:
            send_command(window, CMD_STOP);
            report_error(window, TEXT_NO_TIME_CODE);
            break;
        case RC_WRITE_FAILED:
            // Stopped like a stream without time code: the file keeps what
            // reached the disk.
            send_command(window, CMD_STOP);
            if (!controller.cut_failure_reported) {
                report_error(window, TEXT_WRITE_FAILED);
            }
            break;
        case RC_FILE_TOO_LARGE:
            // Everything up to the limit is on disk: stopped as after a failed
            // write, with its own reason.
            send_command(window, CMD_STOP);
            if (!controller.cut_failure_reported) {
                report_error(window, TEXT_FILE_FULL);
            }
            break;
        case RC_NO_DATA:
            set_status_text_id(window, STATUS_PART_TRANSPORT, IDS_WAITING_FOR_DATA);
            break;
        default:
            set_status_text_id(window, STATUS_PART_TRANSPORT,
                               state == STATE_RECORDING ? IDS_RECORDING : IDS_PRESS_PLAY_TO_RECORD);
            break;
    }
    refresh_main_window(window);
}

}  // namespace

void reset_to_no_file(HWND window) {
    set_transport_state(STATE_NO_FILE);
    reset_frame_info();
    init_parameter_fields(window);
    reset_slider(window);
    reset_time_display(window);
    show_no_file(window);
}

void open_outside_file(HWND window, const char* path) {
    // File, Open is not taken while the input device runs, and neither is
    // this: a name from outside never ends a take.
    if (input_device_runs()) {
        return;
    }
    if (file_is_open()) {
        send_command(window, CMD_CLOSE);
    }
    if (open_named_file(window, path) == RC_OK) {
        enter_ready(window);
    }
    focus_open_close_button(window);
}

void refresh_main_window(HWND window) {
    show_frame_parameters(window);
    update_slider(window);
    show_time(window);
    show_transport_state(window);
}

LRESULT audio_notification_handler(HWND window, UINT message, WPARAM, LPARAM lparam) {
    switch (message) {
        case MM_WOM_DONE:
            // A notification a stopped device left behind names a buffer the
            // engine does not wait for: it is dropped.
            if (get_transport_state() == STATE_PLAYING &&
                ring_notification_due(reinterpret_cast<const void*>(lparam))) {
                if (on_output_buffer_done() == RC_PLAYBACK_DRAINED) {
                    send_command(window, CMD_STOP);
                }
                refresh_main_window(window);
            }
            return 1;
        case MM_WIM_DATA:
            if (input_device_runs() &&
                ring_notification_due(reinterpret_cast<const void*>(lparam))) {
                on_input_buffer(window);
            }
            return 1;
        default:
            return 0;
    }
}

LRESULT transport_command_handler(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    return file_command_handler(window, message, wparam, lparam) ||
           drop_handler(window, message, wparam, lparam) ||
           transport_button_handler(window, message, wparam, lparam) ||
           slider_handler(window, message, wparam, lparam) ||
           preferences_command_handler(window, message, wparam, lparam) ||
           on_time_display_command(window, message, wparam, lparam) ||
           reset_errors_handler(window, message, wparam, lparam);
}
