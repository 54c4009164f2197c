#include <gtest/gtest.h>

#include "settings/prefs.h"

namespace {

TEST(PrefsDefaults, BeforeAnythingIsLoaded) {
    EXPECT_EQ(0, get_spdif_mode());
    EXPECT_EQ(0, get_rec_format());
    EXPECT_EQ(1, get_err_check());
    EXPECT_EQ(1, get_require_tc());
    EXPECT_EQ(0, get_read_only());
    EXPECT_EQ(0, get_time_display_mode());
}

}  // namespace
