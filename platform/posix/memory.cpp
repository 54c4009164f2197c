// Memory blocks on POSIX: plain allocations, which never move, so locking
// hands out the block itself.
#include "platform/memory.h"

#include <cstdlib>

MemBlockHandle memblock_alloc(uint32_t bytes) {
    return std::malloc(bytes == 0 ? 1 : bytes);
}

void* memblock_lock(MemBlockHandle block) {
    return block;
}

void memblock_unlock(MemBlockHandle) {}

void memblock_free(MemBlockHandle block) {
    std::free(block);
}
