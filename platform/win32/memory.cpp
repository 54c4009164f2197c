// Memory blocks on movable, shareable global memory, locked by the caller for
// the block's whole life so that a device can keep its address.
#include "platform/memory.h"

#include <windows.h>

MemBlockHandle memblock_alloc(uint32_t bytes) {
    return GlobalAlloc(GMEM_MOVEABLE | GMEM_SHARE, bytes == 0 ? 1 : bytes);
}

void* memblock_lock(MemBlockHandle block) {
    return block != nullptr ? GlobalLock(block) : nullptr;
}

void memblock_unlock(MemBlockHandle block) {
    if (block != nullptr)
        GlobalUnlock(block);
}

void memblock_free(MemBlockHandle block) {
    if (block != nullptr)
        GlobalFree(block);
}
