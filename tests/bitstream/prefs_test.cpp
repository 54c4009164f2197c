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

TEST(Prefs, SettersStoreAnyValueUnchanged) {
    set_spdif_mode(7);
    EXPECT_EQ(7, get_spdif_mode());
    set_rec_format(-3);
    EXPECT_EQ(-3, get_rec_format());
    set_time_display_mode(2);
    EXPECT_EQ(2, get_time_display_mode());
    set_spdif_mode(0);
    set_rec_format(0);
    set_time_display_mode(0);
}

}  // namespace
