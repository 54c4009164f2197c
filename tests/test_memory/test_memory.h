// A test implementation of platform/memory.h (link bitdek_test_memory instead
// of bitdek_platform_memory) that can be told to fail, and counts what is held.
#pragma once

// The next n allocations succeed and every one after fails; -1: none fails.
void test_memory_fail_alloc_after(int n);

// The same for locks.
void test_memory_fail_lock_after(int n);

// Blocks allocated and not yet freed; locks not yet undone.
int test_memory_live_blocks();
int test_memory_live_locks();
