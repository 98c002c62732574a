// A fresh temporary folder for one test, removed with its contents at the end.
#pragma once

#include <filesystem>
#include <string>

namespace tavrin::test {

class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // `name` is UTF-8, as core's paths are (a plain std::string would take
    // the ANSI code page on Windows).
    std::filesystem::path operator/(const std::string& name) const;

  private:
    std::filesystem::path path_;
};

}  // namespace tavrin::test
