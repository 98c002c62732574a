// The general settings of section "Общее" of "Tavrin.ini" and the password
// scrambling. The per-family port keys are read and written by DBase.
#pragma once

#include <filesystem>
#include <string>

#include "base/family.h"
#include "settings/ini_file.h"

namespace tavrin {

inline constexpr const char* kSettingsFileName = "Tavrin.ini";
inline constexpr const char* kGeneralSection = "Общее";
inline constexpr std::size_t kPasswordMaxChars = 19;
inline constexpr std::size_t kFolderMaxChars = 199;

struct GeneralSettings {
    int device = familyCode(Family::K2);  // "Прибор": a family code
    int top = 0;                          // "Верх"
    int left = 0;                         // "Слева"
    int width = 0;                        // "Ширина"
    int height = 0;                       // "Высота"
    int maximized = 0;                    // "Состояние"
    int splitter = 0;                     // "Ширина1"
    bool askSaveParameters = false;       // "Запрашивать_сохр_парам"
    bool askSaveDatabase = true;          // "Запрашивать_сохр_базы"
    bool passwordOn = false;              // "А"
    bool extendedPortParameters = false;  // "Параметры_СОМ"
    std::u16string password;              // "Парам", unscrambled, at most 19 characters
    std::string folder;                   // "Папка", at most 199 characters (UTF-8)

    // Missing keys keep the defaults above.
    void load(const IniFile& ini);
    // Writes every key of "Общее" (the password scrambled).
    void store(IniFile& ini) const;
};

// Character i of the password is stored as its code + i; reading subtracts i.
std::u16string scramblePassword(std::u16string_view plain);
std::u16string unscramblePassword(std::u16string_view stored);
// The value of "Парам": the scrambled password, in double quotes when it
// begins or ends with a blank or a quote character. The reader takes off
// blanks around a value and one pair of enclosing quotes, so the quotes keep
// such a password whole; values written by earlier versions (never quoted)
// read as before, and earlier versions read the quoted form the same way.
std::string storedPasswordValue(std::u16string_view plain);
// False when the password's scrambled form is not text that a settings line
// can hold: a control character, a code that would pass U+FFFF, or a
// surrogate left unpaired by the scrambling.
bool passwordStorable(std::u16string_view plain);

// The family that the first document gets from "Прибор": 1 gives "Ордис Р7",
// 3 "Версан С5", every other value "Талвир К2".
Family startupFamily(int deviceSetting);

}  // namespace tavrin
