// A small command-line parser: positional arguments, "--name value" options
// and "--flag" switches. The cli's commands declare which names take a value.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace tavrin::cli {

class Args {
  public:
    // `valued` lists the options that take a value ("--port", "-o", ...);
    // every other name starting with '-' is a switch. An option given twice
    // keeps the last value, except those in `repeatable`, which keep all.
    Args(const std::vector<std::string>& argv, const std::set<std::string>& valued,
         const std::set<std::string>& repeatable = {});

    const std::vector<std::string>& positional() const { return positional_; }
    bool has(const std::string& name) const;
    std::optional<std::string> value(const std::string& name) const;
    std::vector<std::string> values(const std::string& name) const;
    // The first problem found ("--port needs a value"), or empty.
    const std::string& error() const { return error_; }

  private:
    std::vector<std::string> positional_;
    std::multimap<std::string, std::string> options_;
    std::set<std::string> switches_;
    std::string error_;
};

}  // namespace tavrin::cli
