// Saves pictures of the main window in its main looks (no file, a file ready,
// playing, armed for recording) for a person to look at. The test command
// turns them into PNGs.
#include "common/file_format.h"
#include "settings/prefs.h"
#include "streamfile/stream_file.h"
#include "tests/ui/main_window.h"
#include "transport/transport_state.h"
#include "ui/resources/resource.h"
#include "ui/status_bar.h"

#ifndef SCREENSHOT_DIR
#error "SCREENSHOT_DIR names the folder for the pictures"
#endif

namespace {

void save(HWND window, const char* name) {
    pump_messages();
    RedrawWindow(window, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    pump_messages();
    Sleep(0);
    const std::string path = std::string(SCREENSHOT_DIR) + "/" + name + ".bmp";
    EXPECT_TRUE(save_window_picture(window, path)) << path;
}

TEST(Screenshots, MainWindowInEachLook) {
    CreateDirectoryA(SCREENSHOT_DIR, nullptr);
    set_time_display_mode(0);
    HWND window = create_main_window();
    ASSERT_NE(nullptr, window);
    SetForegroundWindow(window);
    save(window, "no_file");

    TempDir dir;
    FrameSpec shape;
    shape.frmsizecod = 30;
    shape.acmod = 7;
    shape.lfeon = 1;
    shape.dialnorm = 31;
    const std::string path = dir.path("concert.ac3");
    write_stream_file(path, 300, FORMAT_NORMAL_TC, shape);
    open_in_state(window, path, STATE_READY);
    stream_seek(120, SEEK_BY_FRAMES);
    refresh_for_test(window);
    save(window, "ready");

    set_transport_state(STATE_PLAYING);
    refresh_for_test(window);
    save(window, "playing");

    set_transport_state(STATE_READY);
    refresh_for_test(window);
    stream_seek(0, SEEK_TO_END);
    set_transport_state(STATE_RECORD_ARMED);
    refresh_for_test(window);
    // What the controller shows after the first captured buffer.
    set_status_text_id(window, 0, IDS_PRESS_PLAY_TO_RECORD);
    save(window, "record_armed");
    release_main_window(window);
}

}  // namespace
