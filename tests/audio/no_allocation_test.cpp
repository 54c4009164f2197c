// The audio paths allocate nothing while audio streams: every allocation
// through operator new is counted while a notification is handled.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

#include "tests/audio/engine_test_util.h"
#include "tests/scripted_wave/scripted_wave.h"

namespace {

bool counting = false;
int allocations = 0;

void* counted_alloc(std::size_t size) {
    if (counting)
        ++allocations;
    void* p = std::malloc(size == 0 ? 1 : size);
    if (p == nullptr)
        throw std::bad_alloc();
    return p;
}

}  // namespace

void* operator new(std::size_t size) {
    return counted_alloc(size);
}
void* operator new[](std::size_t size) {
    return counted_alloc(size);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}

namespace {

class NoAllocation : public EngineTest {};

TEST_F(NoAllocation, WhileNotificationsAreHandled) {
    scripted_wave_keep_output(false);
    open_stream("play.ac3", stream_file_bytes(FORMAT_NORMAL_TC, make_records(FrameSpec{}, 20)));
    ASSERT_EQ(Rc(RC_OK), Rc(start_playback(nullptr)));
    int rc = RC_OK;
    for (int n = 0; n < 16 && rc != RC_PLAYBACK_DRAINED; ++n) {
        scripted_wave_return_output(1);
        counting = true;
        rc = on_output_buffer_done();
        counting = false;
    }
    EXPECT_EQ(Rc(RC_PLAYBACK_DRAINED), Rc(rc));
    EXPECT_EQ(0, allocations) << "during playback";
    ASSERT_EQ(Rc(RC_OK), Rc(stop_playback()));

    // Record what the same file gives, into a new file.
    std::vector<uint8_t> pcm(2 * 24576);
    stream_seek(0, SEEK_TO_START);
    for (int k = 0; k < 3; ++k) {
        fill_output_buffer(pcm.data(), wave_ring().scratch);
        scripted_wave_supply_input(pcm.data(), pcm.size());
    }
    stream_close();
    ASSERT_EQ(Rc(RC_OK), Rc(stream_open(dir.path("rec.ac3").c_str(), 0)));
    stream_set_new_format(FORMAT_NORMAL_TC);
    stream_resume();
    ASSERT_EQ(Rc(RC_OK), Rc(start_capture(nullptr)));
    int data = 0;
    while (scripted_wave_input_left() > 0) {
        scripted_wave_fill_input(1);
        counting = true;
        data += on_input_buffer_filled(STATE_RECORDING) == RC_DATA;
        counting = false;
    }
    EXPECT_EQ(0, allocations) << "during capture";
    EXPECT_EQ(3, data);
    StreamFile file;
    stream_get_file(&file);
    EXPECT_EQ(20, file.frame_count);
}

}  // namespace
