// The file window cannot be allocated or locked: this process links the
// memory layer that refuses on demand.
#include <cstdio>

#include "tests/streamfile/store_test_util.h"
#include "tests/test_memory/test_memory.h"

TEST_F(StoreTest, NoWindowNoOpenFile) {
    std::string path = make_file("old.ac3", frames_file_bytes(FORMAT_NORMAL, distinct_frames(2)));
    for (auto fail : {test_memory_fail_alloc_after, test_memory_fail_lock_after}) {
        fail(0);
        EXPECT_EQ(Rc(RC_OPEN_FAILED), Rc(stream_open(path.c_str(), 0)));
        // Its handle is closed: the file may move (Windows refuses while it is open).
        const std::string moved = path + "m";
        EXPECT_EQ(0, std::rename(path.c_str(), moved.c_str()));
        path = moved;
        EXPECT_EQ(Rc(RC_OPEN_FAILED), Rc(stream_open(dir.path("new.ac3").c_str(), 0)));
        EXPECT_FALSE(file_exists(dir.path("new.ac3")));
        EXPECT_EQ(0, test_memory_live_blocks());
        fail(-1);
    }
    EXPECT_EQ(Rc(RC_OK), Rc(stream_open(path.c_str(), 0)));
    EXPECT_EQ(2, file().frame_count);
    stream_close();
    EXPECT_EQ(0, test_memory_live_blocks());
    EXPECT_EQ(0, test_memory_live_locks());
}
