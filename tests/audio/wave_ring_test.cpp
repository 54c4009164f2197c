#include <gtest/gtest.h>

#include "audio/wave_ring.h"
#include "tests/test_memory/test_memory.h"

namespace {

// Any allocation or lock that fails, first to last, leaves nothing behind; a
// later release does nothing; a whole ring holds eight locked blocks in a
// fixed circle and gives them all back.
TEST(WaveRing, AllocationAndRelease) {
    for (bool lock : {false, true}) {
        for (int n = 0; n < 8; ++n) {
            SCOPED_TRACE(testing::Message() << (lock ? "lock " : "alloc ") << n);
            (lock ? test_memory_fail_lock_after : test_memory_fail_alloc_after)(n);
            EXPECT_EQ(1, allocate_wave_buffers());
            EXPECT_EQ(0, test_memory_live_blocks());
            EXPECT_EQ(0, test_memory_live_locks());
            EXPECT_EQ(0, count_done_buffers());
            free_wave_buffers();
            test_memory_fail_alloc_after(-1);
            test_memory_fail_lock_after(-1);
        }
    }
    ASSERT_EQ(0, allocate_wave_buffers());
    WaveBufferRing& ring = wave_ring();
    EXPECT_EQ(8, test_memory_live_blocks());
    EXPECT_EQ(8, test_memory_live_locks());
    EXPECT_EQ(&ring.nodes[0], ring.current);
    for (int i = 0; i < WAVE_BUFFER_COUNT; ++i) {
        EXPECT_EQ(&ring.nodes[(i + 1) % 3], ring.nodes[i].next);
        ring.nodes[i].buffer[WAVE_BUFFER_BYTES - 1] = 1;  // ASan checks the sizes
    }
    ring.scratch[SCRATCH_WORDS - 1] = 1;
    free_wave_buffers();
    free_wave_buffers();
    EXPECT_EQ(0, test_memory_live_blocks());
    EXPECT_EQ(0, test_memory_live_locks());
}

}  // namespace
