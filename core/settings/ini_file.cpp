#include "settings/ini_file.h"

#include <charconv>

#include "base/file_io.h"
#include "base/text.h"

namespace tavrin {

namespace {

std::string_view trim(std::string_view s) {
    const auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (!s.empty() && isSpace(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isSpace(s.back()))
        s.remove_suffix(1);
    return s;
}

// Section name of a "[name]" line, or nothing for other lines.
std::optional<std::string_view> sectionOf(std::string_view line) {
    line = trim(line);
    if (line.empty() || line.front() != '[') return std::nullopt;
    line.remove_prefix(1);
    const auto close = line.find(']');
    if (close != std::string_view::npos) line = line.substr(0, close);
    return trim(line);
}

// Key of a "key=value" line, or nothing.
std::optional<std::string_view> keyOf(std::string_view line) {
    const auto t = trim(line);
    if (t.empty() || t.front() == ';' || t.front() == '[') return std::nullopt;
    const auto eq = line.find('=');
    if (eq == std::string_view::npos) return std::nullopt;
    return trim(line.substr(0, eq));
}

std::string valueOf(std::string_view line) {
    auto v = trim(line.substr(line.find('=') + 1));
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
        v = v.substr(1, v.size() - 2);
    }
    return std::string(v);
}

}  // namespace

IniFile IniFile::parse(ByteSpan bytes) {
    IniFile ini;
    std::string text;
    if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
        ini.encoding_ = Encoding::Utf16Le;
        std::u16string u;
        for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
            u += static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8));
        }
        text = utf16ToUtf8(u);
    } else if (bytes.size() >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) {
        ini.encoding_ = Encoding::Utf8;
        text.assign(bytes.begin() + 3, bytes.end());
    } else {
        ini.encoding_ = Encoding::Cp1251;
        text = cp1251ToUtf8(
            std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    }
    bool sawLf = false;
    bool sawCrlf = false;
    std::size_t start = 0;
    while (start < text.size()) {
        auto nl = text.find('\n', start);
        if (nl == std::string::npos) {
            ini.lines_.push_back(text.substr(start));
            ini.finalNewline_ = false;
            break;
        }
        std::size_t end = nl;
        if (end > start && text[end - 1] == '\r') {
            --end;
            sawCrlf = true;
        } else {
            sawLf = true;
        }
        ini.lines_.push_back(text.substr(start, end - start));
        start = nl + 1;
    }
    ini.crlf_ = sawCrlf || !sawLf;
    return ini;
}

bool IniFile::load(const std::filesystem::path& path) {
    Bytes bytes;
    if (!readWholeFile(path, bytes, nullptr, 16u << 20)) {
        *this = IniFile();
        return false;
    }
    *this = parse(bytes);
    return true;
}

Bytes IniFile::serialize() const {
    std::string text;
    const char* eol = crlf_ ? "\r\n" : "\n";
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        text += lines_[i];
        if (i + 1 < lines_.size() || finalNewline_) text += eol;
    }
    Encoding enc = encoding_;
    if (enc == Encoding::Cp1251 && !fitsCp1251(text)) enc = Encoding::Utf16Le;
    Bytes out;
    switch (enc) {
        case Encoding::Cp1251: {
            const std::string b = utf8ToCp1251(text);
            out.assign(b.begin(), b.end());
            break;
        }
        case Encoding::Utf8:
            out.assign(text.begin(), text.end());
            out.insert(out.begin(), {0xEF, 0xBB, 0xBF});
            break;
        case Encoding::Utf16Le:
            out = {0xFF, 0xFE};
            for (char16_t c : utf8ToUtf16(text)) {
                out.push_back(static_cast<std::uint8_t>(c));
                out.push_back(static_cast<std::uint8_t>(c >> 8));
            }
            break;
    }
    return out;
}

bool IniFile::save(const std::filesystem::path& path, std::string* error) const {
    FileError fe;
    const Bytes bytes = serialize();
    if (writeFileAtomic(path, bytes, &fe)) return true;
    if (error) *error = fe.message;
    return false;
}

IniFile::Found IniFile::find(std::string_view section, std::string_view key) const {
    Found f;
    bool inSection = false;
    for (int i = 0; i < static_cast<int>(lines_.size()); ++i) {
        const std::string& line = lines_[i];
        if (auto s = sectionOf(line)) {
            if (inSection) break;  // the first matching section only
            if (equalsIgnoreCase(*s, section)) {
                inSection = true;
                f.sectionLine = i;
                f.sectionEnd = i + 1;
            }
            continue;
        }
        if (!inSection) continue;
        const auto k = keyOf(line);
        if (k) f.sectionEnd = i + 1;  // a new key goes after the section's last key
        if (f.keyLine < 0 && k && equalsIgnoreCase(*k, key)) f.keyLine = i;
    }
    return f;
}

std::optional<std::string> IniFile::value(std::string_view section, std::string_view key) const {
    const Found f = find(section, key);
    if (f.keyLine < 0) return std::nullopt;
    return valueOf(lines_[f.keyLine]);
}

std::string IniFile::getString(std::string_view section, std::string_view key,
                               std::string_view defaultValue, std::size_t capacity) const {
    const auto v = value(section, key);
    const std::string s = v ? *v : std::string(defaultValue);
    return capacity == 0 ? std::string() : utf8Prefix(s, capacity - 1);
}

int IniFile::getInt(std::string_view section, std::string_view key, int defaultValue) const {
    const auto v = value(section, key);
    if (!v) return defaultValue;
    std::string_view s = *v;
    long long n = 0;
    bool negative = false;
    std::size_t i = 0;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) negative = s[i++] == '-';
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
        n = n * 10 + (s[i] - '0');
        if (n > 0xFFFFFFFFLL) n = 0xFFFFFFFFLL;
    }
    return static_cast<int>(static_cast<unsigned>(negative ? -n : n));
}

bool IniFile::storable(std::string_view section, std::string_view key, std::string_view value) {
    const auto breaksLine = [](std::string_view s) {
        return s.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
    };
    if (breaksLine(section) || breaksLine(key) || breaksLine(value)) return false;
    if (trim(section).empty() || section.find(']') != std::string_view::npos) return false;
    const auto k = trim(key);
    return !k.empty() && k.front() != '[' && k.front() != ';' &&
           key.find('=') == std::string_view::npos;
}

std::string IniFile::quoted(std::string_view value) {
    const auto needsQuotes = [](char c) { return c == ' ' || c == '\t' || c == '"' || c == '\''; };
    if (!value.empty() && (needsQuotes(value.front()) || needsQuotes(value.back())))
        return "\"" + std::string(value) + "\"";
    return std::string(value);
}

bool IniFile::set(std::string_view section, std::string_view key, std::string_view value) {
    if (!storable(section, key, value)) return false;
    const std::string line = std::string(key) + "=" + std::string(value);
    const Found f = find(section, key);
    if (f.keyLine >= 0) {
        lines_[f.keyLine] = line;
    } else if (f.sectionLine >= 0) {
        lines_.insert(lines_.begin() + f.sectionEnd, line);
    } else {
        if (!lines_.empty() && !trim(lines_.back()).empty()) lines_.emplace_back();
        lines_.push_back("[" + std::string(section) + "]");
        lines_.push_back(line);
        finalNewline_ = true;
    }
    return true;
}

void IniFile::setInt(std::string_view section, std::string_view key, int value) {
    set(section, key, std::to_string(value));
}

void IniFile::remove(std::string_view section, std::string_view key) {
    // Take every copy, so that a later duplicate does not come to light.
    for (Found f = find(section, key); f.keyLine >= 0; f = find(section, key))
        lines_.erase(lines_.begin() + f.keyLine);
}

std::string readProfileString(const std::filesystem::path& file, std::string_view section,
                              std::string_view key, std::string_view defaultValue,
                              std::size_t capacity) {
    IniFile ini;
    ini.load(file);
    return ini.getString(section, key, defaultValue, capacity);
}

int readProfileInt(const std::filesystem::path& file, std::string_view section,
                   std::string_view key, int defaultValue) {
    IniFile ini;
    ini.load(file);
    return ini.getInt(section, key, defaultValue);
}

bool writeProfileString(const std::filesystem::path& file, std::string_view section,
                        std::string_view key, std::string_view value) {
    IniFile ini;
    ini.load(file);
    return ini.set(section, key, value) && ini.save(file);
}

}  // namespace tavrin
