#include <gtest/gtest.h>

#include <string>

#include "settings/prefs.h"

namespace {

// The defaults; a name longer than a stored name is cut.
TEST(Prefs, DefaultsAndLongDeviceNames) {
    EXPECT_EQ(0, get_spdif_mode());
    EXPECT_EQ(0, get_rec_format());
    EXPECT_EQ(1, get_err_check());
    EXPECT_EQ(1, get_require_tc());
    EXPECT_EQ(0, get_read_only());
    EXPECT_EQ(0, get_time_display_mode());
    set_play_device(std::string(DEVICE_NAME_CHARS + 5, 'x').c_str());
    char name[DEVICE_NAME_CHARS + 8];
    get_play_device(name);
    EXPECT_EQ(std::string(DEVICE_NAME_CHARS - 1, 'x'), name);
}

}  // namespace
