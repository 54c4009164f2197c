#include "tests/support/test_files.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>

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
