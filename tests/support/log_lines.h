// The lines of an exchange log as UTF-8, with the "HH:MM:SS.mmm " stamps
// taken off (an empty byte line becomes "").
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace tavrin::test {

std::vector<std::string> logLines(const std::filesystem::path& path);

}  // namespace tavrin::test
