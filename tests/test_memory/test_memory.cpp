#include "tests/test_memory/test_memory.h"

#include <cstdlib>

#include "platform/memory.h"

namespace {

struct TestMemory {
    int allocs_left;  // -1: unlimited
    int locks_left;
    int live_blocks;
    int live_locks;
};

TestMemory memory = {-1, -1, 0, 0};

// Takes one from a budget; false when it is spent.
bool spend(int* budget) {
    if (*budget == 0) {
        return false;
    }
    if (*budget > 0) {
        --*budget;
    }
    return true;
}

}  // namespace

void test_memory_fail_alloc_after(int n) {
    memory.allocs_left = n;
}

void test_memory_fail_lock_after(int n) {
    memory.locks_left = n;
}

int test_memory_live_blocks() {
    return memory.live_blocks;
}

int test_memory_live_locks() {
    return memory.live_locks;
}

MemBlockHandle memblock_alloc(uint32_t bytes) {
    if (!spend(&memory.allocs_left)) {
        return nullptr;
    }
    void* block = std::malloc(bytes == 0 ? 1 : bytes);
    if (block != nullptr) {
        ++memory.live_blocks;
    }
    return block;
}

void* memblock_lock(MemBlockHandle block) {
    if (block == nullptr || !spend(&memory.locks_left)) {
        return nullptr;
    }
    ++memory.live_locks;
    return block;
}

void memblock_unlock(MemBlockHandle block) {
    if (block != nullptr) {
        --memory.live_locks;
    }
}

void memblock_free(MemBlockHandle block) {
    if (block != nullptr) {
        --memory.live_blocks;
        std::free(block);
    }
}
