#include "support/log_lines.h"

#include <fstream>

#include "base/text.h"

namespace tavrin::test {

std::vector<std::string> logLines(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<std::string> lines;
    std::string text;
    while (std::getline(in, text)) {
        if (text.size() >= 13 && text[2] == ':' && text[5] == ':' && text[8] == '.' &&
            text[12] == ' ') {
            text = text.substr(13);
        }
        lines.push_back(cp1251ToUtf8(text));
    }
    return lines;
}

}  // namespace tavrin::test
