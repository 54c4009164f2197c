#include "tests/test_memory/test_memory.h"

#include <cstdlib>

#include "platform/memory.h"

namespace {

// Allocations and locks still allowed (-1: unlimited), and those held.
int allocs_left = -1, locks_left = -1, live_blocks = 0, live_locks = 0;

// Takes one from a budget; false when it is spent.
bool spend(int& budget) {
    return budget != 0 && (budget < 0 || budget-- > 0);
}

}  // namespace

void test_memory_fail_alloc_after(int n) {
    allocs_left = n;
}

void test_memory_fail_lock_after(int n) {
    locks_left = n;
}

int test_memory_live_blocks() {
    return live_blocks;
}

int test_memory_live_locks() {
    return live_locks;
}

MemBlockHandle memblock_alloc(uint32_t bytes) {
    if (!spend(allocs_left)) {
        return nullptr;
    }
    void* block = std::malloc(bytes == 0 ? 1 : bytes);
    if (block != nullptr) {
        ++live_blocks;
    }
    return block;
}

void* memblock_lock(MemBlockHandle block) {
    if (block == nullptr || !spend(locks_left)) {
        return nullptr;
    }
    ++live_locks;
    return block;
}

void memblock_unlock(MemBlockHandle block) {
    if (block != nullptr) {
        --live_locks;
    }
}

void memblock_free(MemBlockHandle block) {
    if (block != nullptr) {
        --live_blocks;
        std::free(block);
    }
}
