// Temporary folders and whole-file helpers for tests that use real files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A fresh, empty folder under the system's temporary folder, removed with its
// contents when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    // The full path of name inside the folder.
    std::string path(const std::string& name) const;
    const std::string& dir() const { return dir_; }

private:
    std::string dir_;
};

std::vector<uint8_t> read_file_bytes(const std::string& path);
void write_file_bytes(const std::string& path, const std::vector<uint8_t>& bytes);
bool file_exists(const std::string& path);
// Sets the size of an existing file; what it grows by is a hole that costs no
// disk space, so tests can have files of gigabytes.
void set_file_size(const std::string& path, uint64_t bytes);

#ifdef _WIN32
// The message of a dialog or message box (a window handle): its longest static text.
std::string box_text(void* box);
#endif
