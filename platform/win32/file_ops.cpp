// rand_s draws from the system's random number generator.
#define _CRT_RAND_S
#include "platform/file_ops.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <io.h>

namespace {

constexpr int NAME_TRIES = 100;

HANDLE handle_of(OsFile file) {
    return reinterpret_cast<HANDLE>(file);
}

OsFile file_of(HANDLE h) {
    return h == INVALID_HANDLE_VALUE ? NO_FILE : reinterpret_cast<OsFile>(h);
}

OVERLAPPED at_offset(uint64_t offset) {
    OVERLAPPED o = {};
    o.Offset = static_cast<DWORD>(offset);
    o.OffsetHigh = static_cast<DWORD>(offset >> 32);
    return o;
}

}  // namespace

OsFile os_stdin() {
    _setmode(_fileno(stdin), _O_BINARY);
    return file_of(GetStdHandle(STD_INPUT_HANDLE));
}

// The system's handles are never handed out again as standard ones.
void os_hold_standard_files() {}

bool os_stderr_is_terminal() {
    return _isatty(_fileno(stderr)) != 0;
}

OsFile os_stdout() {
    std::fflush(stdout);
    _setmode(_fileno(stdout), _O_BINARY);
    return file_of(GetStdHandle(STD_OUTPUT_HANDLE));
}

OsFile os_create_temp(const std::string& folder, const std::string& prefix, std::string* path) {
    std::string dir = folder;
    if (dir.empty()) {
        char tmp[MAX_PATH + 1];
        DWORD n = GetTempPathA(sizeof(tmp), tmp);
        if (n == 0 || n > MAX_PATH) {
            return NO_FILE;
        }
        dir.assign(tmp, n);
        while (!dir.empty() && (dir.back() == '\\' || dir.back() == '/')) {
            dir.pop_back();
        }
    }
    for (int i = 0; i < NAME_TRIES; i++) {
        unsigned int noise[2];
        if (rand_s(&noise[0]) != 0 || rand_s(&noise[1]) != 0) {
            return NO_FILE;
        }
        char hex[20];
        std::snprintf(hex, sizeof(hex), "%08x%08x", noise[0], noise[1]);
        std::string name = dir + "\\" + prefix + hex + ".part";
        // Shared for the store's own handle, and for renaming while open.
        HANDLE h = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            *path = name;
            return file_of(h);
        }
        if (GetLastError() != ERROR_FILE_EXISTS) {
            return NO_FILE;
        }
    }
    return NO_FILE;
}

int os_open_target(const char* path, OsFile* file) {
    HANDLE h = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        return OS_FAILED;
    }
    *file = file_of(h);
    return OS_OK;
}

// The system lists no open files by name.
bool os_is_own_file(const char*) {
    return false;
}

OsFile os_open_read(const char* path) {
    return file_of(CreateFileA(path, GENERIC_READ,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

int os_read(OsFile file, void* bytes, size_t count, int, size_t* got) {
    DWORD n = 0;
    DWORD ask = count > 0x40000000 ? 0x40000000 : static_cast<DWORD>(count);
    BOOL ok = ReadFile(handle_of(file), bytes, ask, &n, nullptr);
    *got = n;
    if (ok) {
        return n > 0 ? OS_OK : OS_END;
    }
    // A pipe whose writer has closed it has ended.
    return GetLastError() == ERROR_BROKEN_PIPE ? OS_END : OS_FAILED;
}

int os_write(OsFile file, const void* bytes, size_t count, size_t* done) {
    DWORD put = 0;
    DWORD ask = count > 0x40000000 ? 0x40000000 : static_cast<DWORD>(count);
    BOOL ok = WriteFile(handle_of(file), bytes, ask, &put, nullptr);
    *done = put;
    if (ok) {
        return put > 0 || count == 0 ? OS_OK : OS_FAILED;
    }
    DWORD e = GetLastError();
    return e == ERROR_BROKEN_PIPE || e == ERROR_NO_DATA ? OS_BROKEN_PIPE : OS_FAILED;
}

bool os_write_at(OsFile file, uint64_t offset, const void* bytes, size_t count) {
    OVERLAPPED o = at_offset(offset);
    DWORD put = 0;
    return WriteFile(handle_of(file), bytes, static_cast<DWORD>(count), &put, &o) && put == count;
}

int64_t os_read_at(OsFile file, uint64_t offset, void* bytes, size_t count) {
    OVERLAPPED o = at_offset(offset);
    DWORD got = 0;
    if (!ReadFile(handle_of(file), bytes, static_cast<DWORD>(count), &got, &o)) {
        return GetLastError() == ERROR_HANDLE_EOF ? 0 : -1;
    }
    return got;
}

bool os_sync(OsFile file) {
    return FlushFileBuffers(handle_of(file)) != 0;
}

void os_close(OsFile file) {
    if (file != NO_FILE) {
        CloseHandle(handle_of(file));
    }
}

void os_give_attributes(OsFile, const char*) {}

bool os_rename(const char* from, const char* to) {
    return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING) != 0;
}

bool os_remove(const char* path) {
    return DeleteFileA(path) != 0;
}

bool os_sync_folder(const char*) {
    return true;
}

bool os_names_open_files() {
    return false;
}

std::string os_store_name(OsFile) {
    return "";
}
