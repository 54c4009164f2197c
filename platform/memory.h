// Locked memory blocks for buffers that a device reads or writes
// asynchronously. Win32: GlobalAlloc(GMEM_MOVEABLE | GMEM_SHARE) and
// GlobalLock for the block's life; POSIX: plain allocation.
#pragma once

#include <cstdint>

typedef void* MemBlockHandle;  // null: no block

// Allocates a block of bytes (contents undefined). Null on failure.
MemBlockHandle memblock_alloc(uint32_t bytes);

// Locks the block at a fixed address and returns it; null on failure.
void* memblock_lock(MemBlockHandle block);

// Undoes one memblock_lock.
void memblock_unlock(MemBlockHandle block);

// Frees the block (null is ignored). Unlock it first.
void memblock_free(MemBlockHandle block);
