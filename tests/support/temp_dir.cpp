#include "support/temp_dir.h"

#include <atomic>
#include <chrono>
#include <random>

#include "base/file_io.h"

namespace tavrin::test {

TempDir::TempDir() {
    static std::atomic<int> counter{0};
    std::random_device rd;
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    path_ = std::filesystem::temp_directory_path() /
            ("tavrin-test-" + std::to_string(rd()) + "-" + std::to_string(stamp) + "-" +
             std::to_string(counter++));
    std::filesystem::create_directories(path_);
}

std::filesystem::path TempDir::operator/(const std::string& name) const {
    return path_ / pathFromUtf8(name);
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

}  // namespace tavrin::test
