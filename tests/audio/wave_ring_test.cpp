#include <gtest/gtest.h>

#include <set>

#include "audio/wave_ring.h"
#include "tests/scripted_wave/scripted_wave.h"
#include "tests/test_memory/test_memory.h"

namespace {

class WaveRing : public testing::Test {
protected:
    void SetUp() override {
        test_memory_fail_alloc_after(-1);
        test_memory_fail_lock_after(-1);
        scripted_wave_reset();
    }
    void TearDown() override {
        free_wave_buffers();
        test_memory_fail_alloc_after(-1);
        test_memory_fail_lock_after(-1);
    }
};

TEST_F(WaveRing, AllocatesThreeLinkedBuffersAndReleasesAll) {
    ASSERT_EQ(0, allocate_wave_buffers());
    WaveBufferRing& ring = wave_ring();
    ASSERT_NE(nullptr, ring.nodes);
    EXPECT_EQ(&ring.nodes[0], ring.current);
    EXPECT_EQ(0, ring.active);
    EXPECT_NE(nullptr, ring.scratch);
    std::set<const void*> distinct;
    const WaveBufferNode* node = ring.current;
    for (int i = 0; i < WAVE_BUFFER_COUNT; ++i, node = node->next) {
        EXPECT_EQ(&ring.nodes[(i + 1) % 3], node->next);
        distinct.insert(node->buffer);
        distinct.insert(node->header);
    }
    EXPECT_EQ(6u, distinct.size());
    // Three buffers, three headers, the nodes and the scratch, all locked.
    EXPECT_EQ(8, test_memory_live_blocks());
    EXPECT_EQ(8, test_memory_live_locks());
    // The whole of every block is usable (ASan checks the sizes).
    ring.scratch[SCRATCH_WORDS - 1] = 1;
    ring.nodes[2].buffer[WAVE_BUFFER_BYTES - 1] = 1;

    free_wave_buffers();
    EXPECT_EQ(0, test_memory_live_blocks());
    EXPECT_EQ(0, test_memory_live_locks());
    EXPECT_EQ(nullptr, wave_ring().nodes);
    free_wave_buffers();  // a second release does nothing
    EXPECT_EQ(0, test_memory_live_blocks());
}

// Any allocation or lock that fails, first to last, leaves nothing behind;
// a later release does nothing and a later allocation can succeed.
TEST_F(WaveRing, EveryFailureReleasesEverything) {
    for (bool lock : {false, true}) {
        for (int n = 0; n < 8; ++n) {
            SCOPED_TRACE(testing::Message() << (lock ? "lock " : "alloc ") << n);
            if (lock) {
                test_memory_fail_lock_after(n);
            } else {
                test_memory_fail_alloc_after(n);
            }
            EXPECT_EQ(1, allocate_wave_buffers());
            EXPECT_EQ(0, test_memory_live_blocks());
            EXPECT_EQ(0, test_memory_live_locks());
            EXPECT_EQ(nullptr, wave_ring().nodes);
            EXPECT_EQ(0, count_done_buffers());
            free_wave_buffers();
            EXPECT_EQ(0, test_memory_live_blocks());
            test_memory_fail_alloc_after(-1);
            test_memory_fail_lock_after(-1);
        }
    }
    EXPECT_EQ(0, allocate_wave_buffers());
}

TEST_F(WaveRing, PreparationClearsDoneAndCountingFollowsTheDevice) {
    ASSERT_EQ(0, allocate_wave_buffers());
    WaveBufferRing& ring = wave_ring();
    WaveFormat format{1, 2, 48000, 192000, 4, 16};
    WaveOutHandle out = nullptr;
    ASSERT_EQ(0, wave_out_open(&out, &format, nullptr));
    WaveBufferNode* start = ring.current;
    for (int i = 0; i < WAVE_BUFFER_COUNT; ++i) {
        prepare_output_header(ring.current->header, ring.current->buffer, out);
        wave_out_write(out, ring.current->header);
        ring.current = ring.current->next;
    }
    EXPECT_EQ(start, ring.current);
    EXPECT_EQ(0, count_done_buffers());
    for (int returned = 1; returned <= 3; ++returned) {
        scripted_wave_return_output(1);
        EXPECT_EQ(returned, count_done_buffers());
    }
    // A returned buffer prepared again no longer counts as done.
    wave_out_unprepare(out, ring.current->header);
    prepare_output_header(ring.current->header, ring.current->buffer, out);
    EXPECT_EQ(2, count_done_buffers());
    for (int i = 0; i < WAVE_BUFFER_COUNT; ++i) {
        wave_out_unprepare(out, ring.nodes[i].header);
    }
    EXPECT_EQ(0, wave_out_close(out));
    EXPECT_EQ(0, scripted_wave_misuse());
}

}  // namespace
