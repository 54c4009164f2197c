// The file window cannot be allocated: this process brings a memory layer of
// its own that refuses on demand.
#include <cstdio>
#include <cstdlib>

#include "platform/memory.h"
#include "tests/streamfile/store_test_util.h"

namespace {
bool refuse = false;
}  // namespace

MemBlockHandle memblock_alloc(uint32_t bytes) {
    return refuse ? nullptr : std::malloc(bytes);
}
void* memblock_lock(MemBlockHandle block) {
    return block;
}
void memblock_unlock(MemBlockHandle) {}
void memblock_free(MemBlockHandle block) {
    std::free(block);
}

TEST_F(StoreTest, NoWindowNoOpenFile) {
    std::vector<uint8_t> bytes = file_bytes(FORMAT_NORMAL, make_frames(2));
    std::string old_path = make_file("old.ac3", bytes), moved = old_path + ".moved";
    refuse = true;
    EXPECT_EQ(Rc(RC_OPEN_FAILED), Rc(stream_open(old_path.c_str(), 0)));
    // Its handle is closed: the file may move (Windows refuses while it is open).
    EXPECT_EQ(0, std::rename(old_path.c_str(), moved.c_str()));
    EXPECT_EQ(Rc(RC_OPEN_FAILED), Rc(stream_open(dir.path("new.ac3").c_str(), 0)));
    EXPECT_FALSE(file_exists(dir.path("new.ac3")));
    refuse = false;
    EXPECT_EQ(Rc(RC_OK), Rc(stream_open(moved.c_str(), 0)));
    EXPECT_EQ(2, file().frame_count);
}
