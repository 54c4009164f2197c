// The file window cannot be allocated: this process brings its own memory
// layer, which refuses on demand.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "common/file_format.h"
#include "platform/memory.h"
#include "tests/streamfile/store_test_util.h"

namespace {
bool refuse_memory = false;
}  // namespace

MemBlockHandle memblock_alloc(uint32_t bytes) {
    return refuse_memory ? nullptr : std::malloc(bytes);
}
void* memblock_lock(MemBlockHandle block) {
    return block;
}
void memblock_unlock(MemBlockHandle) {}
void memblock_free(MemBlockHandle block) {
    std::free(block);
}

namespace {

TEST_F(StoreTest, NoWindowNoOpenFile) {
    std::vector<uint8_t> bytes = file_bytes(FORMAT_NORMAL, make_frames(2));
    std::string existing = make_file("old.ac3", bytes);
    std::string fresh = dir.path("new.ac3");

    refuse_memory = true;
    EXPECT_EQ(Rc(RC_OPEN_FAILED), Rc(stream_open(existing.c_str(), 0)));
    // Its handle was closed: the file can go (Windows refuses while it is open).
    EXPECT_EQ(0, std::rename(existing.c_str(), (existing + ".moved").c_str()));
    EXPECT_EQ(bytes, read_file_bytes(existing + ".moved"));
    EXPECT_EQ(Rc(RC_OPEN_FAILED), Rc(stream_open(fresh.c_str(), 0)));
    EXPECT_FALSE(file_exists(fresh));

    refuse_memory = false;
    EXPECT_EQ(Rc(RC_OK), Rc(stream_open((existing + ".moved").c_str(), 0)));
    EXPECT_EQ(2, file().frame_count);
}

}  // namespace
