#include "tests/program/failing_writes.h"

#include "platform/file_io.h"

// The platform's own write, renamed when its file layer is built into this library.
int32_t platform_mmfile_write(MmFileHandle file, const void* buffer, int32_t bytes);

namespace {
int failing = 0;
}

void fail_file_writes(int fail) {
    failing = fail;
}

int32_t mmfile_write(MmFileHandle file, const void* buffer, int32_t bytes) {
    // A full disk takes nothing; the store must not count the words as written.
    if (failing) {
        return 0;
    }
    return platform_mmfile_write(file, buffer, bytes);
}
