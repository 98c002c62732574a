// Settings file of the Windows profile kind: "[section]" lines and
// "key=value" lines. Sections and keys are compared without regard to letter
// case (Latin and Cyrillic). When a section or a key appears more than once,
// the first one is read and written; the later copies are kept as they are. A file in Windows-1251
// (no BOM), UTF-16LE or UTF-8 (each with its BOM) is read, and written back in the encoding it had;
// a new file is Windows-1251. Writing one key keeps every other line, comment
// and the order. Texts in and out of this class are UTF-8.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "base/bytes.h"

namespace tavrin {

class IniFile {
  public:
    enum class Encoding { Cp1251, Utf16Le, Utf8 };

    IniFile() = default;

    // Parses the bytes of a settings file (any of the three encodings).
    static IniFile parse(ByteSpan bytes);
    // Reads the file; a missing or unreadable file gives an empty settings
    // file (every key then yields its default) and returns false.
    bool load(const std::filesystem::path& path);
    // The bytes of the file in its encoding. A Windows-1251 file holding a
    // character that Windows-1251 cannot store is written as UTF-16LE
    // instead, so that no setting is lost.
    Bytes serialize() const;
    // Replaces the file atomically.
    bool save(const std::filesystem::path& path, std::string* error = nullptr) const;

    Encoding encoding() const { return encoding_; }
    void setEncoding(Encoding e) { encoding_ = e; }

    // The value of a key (surrounding spaces removed; a value in matching
    // double or single quotes loses them), or nothing when absent.
    std::optional<std::string> value(std::string_view section, std::string_view key) const;
    // As the profile-string function: at most capacity-1 UTF-16 characters
    // of the value, or the default when the key is absent.
    std::string getString(std::string_view section, std::string_view key,
                          std::string_view defaultValue, std::size_t capacity) const;
    // As the profile-int function: the leading decimal number of the value
    // (a sign allowed), 0 when it has none, the default when absent.
    int getInt(std::string_view section, std::string_view key, int defaultValue) const;

    // Sets a key: replaces its line in place, or adds it at the end of its
    // section, or adds the section at the end of the file. A section, key or
    // value that a line cannot hold (see storable) is refused: nothing
    // changes and the result is false.
    bool set(std::string_view section, std::string_view key, std::string_view value);
    void setInt(std::string_view section, std::string_view key, int value);
    // Removes a key's lines (every copy of it in the section that is read);
    // nothing when absent.
    void remove(std::string_view section, std::string_view key);

    // False when writing these would break the file's lines or be read back
    // as something else: a CR, LF or NUL anywhere; a key that is empty,
    // holds "=" or begins with "[" or ";"; a section that is empty or holds
    // "]".
    static bool storable(std::string_view section, std::string_view key, std::string_view value);
    // A value as written so that it reads back whole: in double quotes when
    // it begins or ends with a blank or a quote character (the reader takes
    // off blanks and one pair of enclosing quotes), else unchanged.
    static std::string quoted(std::string_view value);

    const std::vector<std::string>& lines() const { return lines_; }

  private:
    struct Found {
        int sectionLine = -1;  // index of the "[section]" line
        int sectionEnd = -1;   // index after the section's last key line
        int keyLine = -1;
    };
    Found find(std::string_view section, std::string_view key) const;

    std::vector<std::string> lines_;
    Encoding encoding_ = Encoding::Cp1251;
    bool crlf_ = true;
    bool finalNewline_ = true;
};

// One-call helpers in the manner of the profile functions: each reads (and
// writes) the file anew.
std::string readProfileString(const std::filesystem::path& file, std::string_view section,
                              std::string_view key, std::string_view defaultValue,
                              std::size_t capacity);
int readProfileInt(const std::filesystem::path& file, std::string_view section,
                   std::string_view key, int defaultValue);
// False when the value is refused (see IniFile::storable) or the file cannot
// be written.
bool writeProfileString(const std::filesystem::path& file, std::string_view section,
                        std::string_view key, std::string_view value);

}  // namespace tavrin
