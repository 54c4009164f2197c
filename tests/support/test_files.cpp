#include "tests/support/test_files.h"

#ifdef _WIN32
#include <windows.h>
#endif

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace fs = std::filesystem;

TempDir::TempDir() {
    static std::atomic<int> counter{0};
    auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    fs::path p = fs::temp_directory_path() /
                 ("bitdek-test-" + std::to_string(stamp) + "-" + std::to_string(counter++));
    fs::create_directories(p);
    dir_ = p.string();
}

TempDir::~TempDir() {
    std::error_code ec;
    fs::remove_all(dir_, ec);
}

std::string TempDir::path(const std::string& name) const {
    return (fs::path(dir_) / name).string();
}

std::vector<uint8_t> read_file_bytes(const std::string& path) {
    // In one read: byte by byte, the sweep's megabytes of PCM take seconds
    // in the unoptimised test build.
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    std::vector<uint8_t> bytes(in ? static_cast<size_t>(in.tellg()) : 0);
    in.seekg(0);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return bytes;
}

void write_file_bytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

bool file_exists(const std::string& path) {
    std::error_code ec;
    return fs::exists(path, ec);
}

void set_file_size(const std::string& path, uint64_t bytes) {
#ifdef _WIN32
    // The C runtime's size change writes zeros; the end of file set directly
    // leaves a hole.
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(bytes);
    bool ok = h != INVALID_HANDLE_VALUE && SetFilePointerEx(h, at, nullptr, FILE_BEGIN) &&
              SetEndOfFile(h);
    if (h != INVALID_HANDLE_VALUE)
        CloseHandle(h);
    if (!ok)
        throw std::runtime_error("cannot set the size of " + path);
#else
    fs::resize_file(path, bytes);
#endif
}

#ifdef _WIN32
namespace {
BOOL CALLBACK keep_longest_static(HWND child, LPARAM lparam) {
    char name[32] = "";
    char text[512] = "";
    GetClassNameA(child, name, sizeof name);
    GetWindowTextA(child, text, sizeof text);
    std::string* longest = reinterpret_cast<std::string*>(lparam);
    if (lstrcmpiA(name, "Static") == 0 && std::string(text).size() > longest->size())
        *longest = text;
    return TRUE;
}
}  // namespace

std::string box_text(void* box) {
    std::string text;
    EnumChildWindows(static_cast<HWND>(box), keep_longest_static, reinterpret_cast<LPARAM>(&text));
    return text;
}
#endif
