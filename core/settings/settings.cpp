#include "settings/settings.h"

#include "base/text.h"

namespace tavrin {

void GeneralSettings::load(const IniFile& ini) {
    const auto s = kGeneralSection;
    device = ini.getInt(s, "Прибор", familyCode(Family::K2));
    top = ini.getInt(s, "Верх", 0);
    left = ini.getInt(s, "Слева", 0);
    width = ini.getInt(s, "Ширина", 0);
    height = ini.getInt(s, "Высота", 0);
    maximized = ini.getInt(s, "Состояние", 0);
    splitter = ini.getInt(s, "Ширина1", 0);
    askSaveParameters = ini.getInt(s, "Запрашивать_сохр_парам", 0) != 0;
    askSaveDatabase = ini.getInt(s, "Запрашивать_сохр_базы", 1) != 0;
    passwordOn = ini.getInt(s, "А", 0) != 0;
    extendedPortParameters = ini.getInt(s, "Параметры_СОМ", 0) != 0;
    password =
        unscramblePassword(utf8ToUtf16(ini.getString(s, "Парам", "", kPasswordMaxChars + 1)));
    folder = ini.getString(s, "Папка", "", kFolderMaxChars + 1);
}

void GeneralSettings::store(IniFile& ini) const {
    const auto s = kGeneralSection;
    ini.setInt(s, "Прибор", device);
    ini.setInt(s, "Верх", top);
    ini.setInt(s, "Слева", left);
    ini.setInt(s, "Ширина", width);
    ini.setInt(s, "Высота", height);
    ini.setInt(s, "Состояние", maximized);
    ini.setInt(s, "Ширина1", splitter);
    ini.set(s, "Запрашивать_сохр_парам", askSaveParameters ? "1" : "0");
    ini.set(s, "Запрашивать_сохр_базы", askSaveDatabase ? "1" : "0");
    ini.set(s, "А", passwordOn ? "1" : "0");
    ini.set(s, "Параметры_СОМ", extendedPortParameters ? "1" : "0");
    ini.set(s, "Парам", storedPasswordValue(password));
    ini.set(s, "Папка", IniFile::quoted(utf8Prefix(folder, kFolderMaxChars)));
}

std::u16string scramblePassword(std::u16string_view plain) {
    std::u16string out(plain.substr(0, kPasswordMaxChars));
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<char16_t>(out[i] + i);
    return out;
}

std::u16string unscramblePassword(std::u16string_view stored) {
    std::u16string out(stored.substr(0, kPasswordMaxChars));
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<char16_t>(out[i] - i);
    return out;
}

std::string storedPasswordValue(std::u16string_view plain) {
    const std::u16string scrambled = scramblePassword(plain);
    const auto needsQuotes = [](char16_t c) {
        return c == u' ' || c == u'\t' || c == u'"' || c == u'\'';
    };
    const std::string text = utf16ToUtf8(scrambled);
    if (!scrambled.empty() && (needsQuotes(scrambled.front()) || needsQuotes(scrambled.back()))) {
        return "\"" + text + "\"";
    }
    return text;
}

bool passwordStorable(std::u16string_view plain) {
    const std::u16string_view p = plain.substr(0, kPasswordMaxChars);
    std::u16string scrambled;
    for (std::size_t i = 0; i < p.size(); ++i) {
        if (p[i] < 0x20 || p[i] + i > 0xFFFF) return false;
        scrambled.push_back(static_cast<char16_t>(p[i] + i));
    }
    for (std::size_t i = 0; i < scrambled.size(); ++i) {
        const char16_t c = scrambled[i];
        if (c >= 0xD800 && c < 0xDC00) {
            if (i + 1 >= scrambled.size() || scrambled[i + 1] < 0xDC00 ||
                scrambled[i + 1] >= 0xE000)
                return false;
            ++i;
        } else if (c >= 0xDC00 && c < 0xE000) {
            return false;
        }
    }
    return true;
}

Family startupFamily(int deviceSetting) {
    return familyFromCode(deviceSetting).value_or(Family::K2);
}

}  // namespace tavrin
