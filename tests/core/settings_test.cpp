#include <gtest/gtest.h>

#include "base/file_io.h"
#include "base/text.h"
#include "registry/family_registry.h"
#include "settings/ini_file.h"
#include "settings/settings.h"
#include "support/recording_prompter.h"
#include "support/strict_prompter.h"
#include "support/temp_dir.h"

namespace tavrin {
namespace {

Bytes toBytes(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

std::string cp1251(const std::string& utf8) {
    return utf8ToCp1251(utf8);
}

TEST(IniFile, ReadsLikeTheProfileFunctions) {
    const IniFile ini = IniFile::parse(toBytes(cp1251(
        "; comment\r\n[Общее]\r\n  Прибор = 1 \r\nПапка=\"C:\\Work\"\r\nШирина=12px\r\nВерх=-5\r\n"
        "Пусто=\r\n[Талвир_К2]\r\nCOM=COM12345\r\n")));
    EXPECT_EQ(ini.getInt("общее", "ПРИБОР", 2), 1);  // case-insensitive, Cyrillic too
    EXPECT_EQ(ini.getString("Общее", "Папка", "", 200), "C:\\Work");  // quotes dropped
    EXPECT_EQ(ini.getInt("Общее", "Ширина", 7), 12);                  // leading number
    EXPECT_EQ(ini.getInt("Общее", "Верх", 0), -5);
    EXPECT_EQ(ini.getInt("Общее", "Пусто", 7), 0);                     // present but not a number
    EXPECT_EQ(ini.getInt("Общее", "Нет", 7), 7);                       // absent: default
    EXPECT_EQ(ini.getString("Талвир_К2", "COM", "COM3", 6), "COM12");  // capacity 6
    EXPECT_EQ(ini.getString("Ордис_Р7", "COM", "COM3", 6), "COM3");
    EXPECT_FALSE(ini.value("Талвир_К2", "Прибор"));  // keys belong to their section
}

TEST(IniFile, WritingOneKeyKeepsEverythingElse) {
    const std::string original =
        "; settings\r\n[Общее]\r\nПрибор=2\r\n\r\n; port\r\n[Талвир_К2]\r\nCOM=COM1\r\nЛог=нет\r\n";
    IniFile ini = IniFile::parse(toBytes(cp1251(original)));
    ini.set("ОБЩЕЕ", "прибор", "1");     // replaced in place
    ini.set("Общее", "А", "0");          // added at the end of its section
    ini.set("Ордис_Р7", "COM", "COM4");  // new section at the end
    const std::string expected =
        "; settings\r\n[Общее]\r\nприбор=1\r\nА=0\r\n\r\n; port\r\n[Талвир_К2]\r\nCOM=COM1\r\n"
        "Лог=нет\r\n\r\n[Ордис_Р7]\r\nCOM=COM4\r\n";
    const Bytes out = ini.serialize();
    EXPECT_EQ(cp1251ToUtf8(std::string(out.begin(), out.end())), expected);
}

TEST(IniFile, KeepsItsEncoding) {
    struct Case {
        const char* name;
        Bytes prefix;
        IniFile::Encoding encoding;
    } cases[] = {
        {"1251", {}, IniFile::Encoding::Cp1251},
        {"utf8", {0xEF, 0xBB, 0xBF}, IniFile::Encoding::Utf8},
        {"utf16", {0xFF, 0xFE}, IniFile::Encoding::Utf16Le},
    };
    const std::string text = "[Общее]\r\nПапка=Д:\\Ёлка\r\n";
    for (const auto& c : cases) {
        Bytes file = c.prefix;
        if (c.encoding == IniFile::Encoding::Utf16Le) {
            for (char16_t ch : utf8ToUtf16(text)) {
                file.push_back(static_cast<std::uint8_t>(ch));
                file.push_back(static_cast<std::uint8_t>(ch >> 8));
            }
        } else if (c.encoding == IniFile::Encoding::Utf8) {
            file.insert(file.end(), text.begin(), text.end());
        } else {
            const std::string b = cp1251(text);
            file.insert(file.end(), b.begin(), b.end());
        }
        IniFile ini = IniFile::parse(file);
        EXPECT_EQ(ini.encoding(), c.encoding) << c.name;
        EXPECT_EQ(ini.getString("общее", "папка", "", 200), "Д:\\Ёлка") << c.name;
        EXPECT_EQ(ini.serialize(), file) << c.name;  // unchanged file, same bytes
        ini.set("Общее", "Прибор", "1");
        const IniFile again = IniFile::parse(ini.serialize());
        EXPECT_EQ(again.encoding(), c.encoding) << c.name;
        EXPECT_EQ(again.getInt("Общее", "Прибор", 0), 1) << c.name;
    }
}

TEST(IniFile, TextThatWindows1251CannotHoldIsNotLost) {
    IniFile ini;
    ini.set("Общее", "Папка", "C:\\数据");
    const IniFile again = IniFile::parse(ini.serialize());
    EXPECT_EQ(again.encoding(), IniFile::Encoding::Utf16Le);
    EXPECT_EQ(again.getString("Общее", "Папка", "", 200), "C:\\数据");
}

TEST(IniFile, MissingFileGivesDefaultsAndSaveCreatesIt) {
    test::TempDir dir;
    IniFile ini;
    EXPECT_FALSE(ini.load(dir / "Tavrin.ini"));
    EXPECT_EQ(ini.getInt("Общее", "Прибор", 2), 2);
    EXPECT_TRUE(writeProfileString(dir / "Tavrin.ini", "Общее", "Прибор", "1"));
    EXPECT_EQ(readProfileInt(dir / "Tavrin.ini", "Общее", "Прибор", 2), 1);
    Bytes raw;
    ASSERT_TRUE(readWholeFile(dir / "Tavrin.ini", raw));
    EXPECT_EQ(std::string(raw.begin(), raw.end()), cp1251("[Общее]\r\nПрибор=1\r\n"));
}

TEST(Password, ScrambledByPosition) {
    EXPECT_EQ(scramblePassword(u"aaa"), u"abc");
    EXPECT_EQ(scramblePassword(u""), u"");
    EXPECT_EQ(unscramblePassword(u"abc"), u"aaa");
    const std::u16string p = u"Пароль-123";
    EXPECT_EQ(unscramblePassword(scramblePassword(p)), p);
    // At most 19 characters are kept.
    EXPECT_EQ(scramblePassword(std::u16string(25, u'x')).size(), 19u);
}

// Every password that can be set comes back unchanged from the settings
// file, whatever its blanks and quotes, in both encodings of the file.
TEST(Password, AwkwardPasswordsSurviveASaveAndReload) {
    const std::u16string passwords[] = {u" abc",  u"abc ",
                                        u"  ",    u" ",
                                        u"\"!",   u"\"",
                                        u"'",     u"\"abc\"",
                                        u"'x'",   u"a\"b",
                                        u"\"a",   u"!\"",
                                        u"a=b;c", u"[x]",
                                        u"; x",   u" Пароль ",
                                        u"\t-x",  u"1234567890123456789",
                                        u"😀x",    u"ЯЯЯЯЯЯЯЯЯЯЯЯЯЯЯЯЯЯЯ"};
    for (const IniFile::Encoding encoding :
         {IniFile::Encoding::Cp1251, IniFile::Encoding::Utf16Le}) {
        for (const std::u16string& p : passwords) {
            SCOPED_TRACE(utf16ToUtf8(p));
            if (!passwordStorable(p)) {
                // Only the tab of this table is refused (a control character).
                EXPECT_EQ(p, u"\t-x");
                continue;
            }
            GeneralSettings s;
            s.password = p;
            s.passwordOn = true;
            IniFile ini;
            ini.setEncoding(encoding);
            ini.set("Общее", "Прибор", "2");
            s.store(ini);
            GeneralSettings back;
            back.load(IniFile::parse(ini.serialize()));
            EXPECT_EQ(back.password, p);
        }
    }
    // An ordinary password is written as before: the scrambled text alone.
    EXPECT_EQ(storedPasswordValue(u"Ключ7"), utf16ToUtf8(scramblePassword(u"Ключ7")));
    EXPECT_EQ(storedPasswordValue(u" abc"), "\" bdf\"");
    // Values written by earlier versions read as they did.
    GeneralSettings old;
    old.load(IniFile::parse(toBytes(cp1251("[Общее]\r\nПарам=abe\r\n"))));
    EXPECT_EQ(old.password, u"aac");
    old.load(IniFile::parse(toBytes(cp1251("[Общее]\r\nПарам=\r\n"))));
    EXPECT_EQ(old.password, u"");
    // Characters that no settings line can keep are refused.
    EXPECT_FALSE(passwordStorable(u"a\nb"));
    EXPECT_FALSE(passwordStorable(std::u16string(u"x") + char16_t(0xFFFF)));
    EXPECT_FALSE(passwordStorable(std::u16string(1, char16_t(0xD7FF)) + u"x" + char16_t(0xD7FF)));
    EXPECT_TRUE(passwordStorable(u""));
}

TEST(GeneralSettings, DefaultsAndRoundTrip) {
    GeneralSettings s;
    s.load(IniFile());
    EXPECT_EQ(s.device, 2);
    EXPECT_TRUE(s.askSaveDatabase);
    EXPECT_FALSE(s.askSaveParameters);
    EXPECT_FALSE(s.passwordOn);
    EXPECT_FALSE(s.extendedPortParameters);

    s.device = 1;
    s.passwordOn = true;
    s.password = u"Ключ7";
    s.folder = "/home/инженер";
    s.width = 800;
    IniFile ini;
    s.store(ini);
    EXPECT_EQ(*ini.value("Общее", "Парам"), utf16ToUtf8(scramblePassword(u"Ключ7")));
    EXPECT_EQ(*ini.value("Общее", "А"), "1");
    GeneralSettings back;
    back.load(IniFile::parse(ini.serialize()));
    EXPECT_EQ(back.device, 1);
    EXPECT_EQ(back.password, u"Ключ7");
    EXPECT_EQ(back.folder, "/home/инженер");
    EXPECT_EQ(back.width, 800);
    EXPECT_TRUE(back.passwordOn);
}

TEST(GeneralSettings, StartupFamily) {
    EXPECT_EQ(startupFamily(1), Family::R7);
    EXPECT_EQ(startupFamily(2), Family::K2);
    EXPECT_EQ(startupFamily(3), Family::S5);
    EXPECT_EQ(startupFamily(7), Family::K2);
    EXPECT_EQ(startupFamily(0), Family::K2);
}

// A hostile file with duplicate sections and keys reads as the profile
// functions read it: the first section, the first key; writing and removing
// work on the same copy and never bring a later one to light.
TEST(IniFile, DuplicatesReadTheFirstCopy) {
    IniFile ini = IniFile::parse(
        toBytes(cp1251("[Общее]\r\nА=0\r\nА=1\r\nПарам=first\r\n[Талвир_К2]\r\nCOM=COM1\r\n"
                       "[общее]\r\nА=1\r\nПарам=second\r\nПапка=/x\r\n")));
    EXPECT_EQ(ini.getInt("Общее", "А", 7), 0);
    EXPECT_EQ(ini.value("Общее", "Парам"), "first");
    EXPECT_FALSE(ini.value("Общее", "Папка"));  // only in the second copy
    GeneralSettings g;
    g.load(ini);
    EXPECT_FALSE(g.passwordOn);

    ini.set("Общее", "Парам", "mine");
    EXPECT_EQ(ini.value("Общее", "Парам"), "mine");
    ini.remove("Общее", "А");  // both copies of the first section
    EXPECT_FALSE(ini.value("Общее", "А"));
    ini.setInt("Общее", "А", 0);
    EXPECT_EQ(ini.getInt("Общее", "А", 7), 0);
}

// No section, key or value may break a line of the file: such a write is
// refused and the file stays as it was; blanks and quotes at the ends of a
// value survive through quoting.
TEST(IniFile, WritesThatWouldBreakALineAreRefused) {
    const std::string original = "[Общее]\r\nА=0\r\n";
    struct Case {
        const char* what;
        std::string section, key, value;
    };
    const Case refused[] = {
        {"LF in a value", "Талвир_К2", "БД1", "a\n[Общее]\nА=1\nПарам=x.bta"},
        {"CR in a value", "Талвир_К2", "БД1", "a\r[Общее]\rА=1"},
        {"CR LF in a value", "Талвир_К2", "БД1", "a\r\n[Общее]\r\nА=1"},
        {"NUL in a value", "Талвир_К2", "БД1", std::string("a\0b", 3)},
        {"LF in a key", "Общее", "X\nА", "1"},
        {"= in a key", "Общее", "А=1;", "1"},
        {"section line as a key", "Общее", "[Общее]", "1"},
        {"comment as a key", "Общее", ";x", "1"},
        {"empty key", "Общее", "", "1"},
        {"] in a section", "x]\nА", "А", "1"},
        {"empty section", "", "А", "1"},
    };
    for (const Case& c : refused) {
        IniFile ini = IniFile::parse(toBytes(cp1251(original)));
        EXPECT_FALSE(ini.set(c.section, c.key, c.value)) << c.what;
        const Bytes out = ini.serialize();
        EXPECT_EQ(std::string(out.begin(), out.end()), cp1251(original)) << c.what;
    }

    test::TempDir dir;
    const auto path = dir / "Tavrin.ini";
    EXPECT_FALSE(writeProfileString(path, "Общее", "Папка", "x\nА=1"));
    EXPECT_EQ(readProfileInt(path, "Общее", "А", 7), 7);

    for (const std::string v : {" lead", "trail\t", "\"q\"", "'", "\"", "mid \"q\" dle", ""}) {
        ASSERT_TRUE(writeProfileString(path, "Талвир_К2", "БД1", IniFile::quoted(v)));
        EXPECT_EQ(readProfileString(path, "Талвир_К2", "БД1", "-", 300), v) << v;
    }
}

class PortKeys : public ::testing::Test {
  protected:
    test::TempDir dir;
    test::StrictPrompter prompter;
    AppContext ctx = [this] {
        AppContext c = makeAppContext(dir.path());
        c.prompter = &prompter;
        return c;
    }();
    void writeIni(const std::string& text) {
        const std::string b = utf8ToCp1251(text);
        ASSERT_TRUE(writeFileAtomic(ctx.settingsPath, Bytes(b.begin(), b.end())));
    }
};

TEST_F(PortKeys, DefaultsWhenAbsent) {
    auto db = CreateDatabase(Family::K2, 0, ctx);
    EXPECT_EQ(db->baudRate, 128000);
    EXPECT_EQ(db->portName, "COM3");
    EXPECT_EQ(db->parity, 0);
    EXPECT_EQ(db->stopBits, 0);
    EXPECT_FALSE(db->logEnabled);
    EXPECT_FALSE(db->simulation);
    EXPECT_EQ(CreateDatabase(Family::R7, 0, ctx)->baudRate, 9600);
}

TEST_F(PortKeys, WordsAreComparedExactly) {
    writeIni(
        "[Талвир_К2]\nСкорость=57600\nCOM=COM7\nСтопбит=1.5\nЧетность=всегда0\nЛог=да\nИмитация="
        "Да\n");
    auto db = CreateDatabase(Family::K2, 0, ctx);
    EXPECT_EQ(db->baudRate, 57600);
    EXPECT_EQ(db->portName, "COM7");
    EXPECT_EQ(db->stopBits, 1);
    EXPECT_EQ(db->parity, 4);
    EXPECT_TRUE(db->logEnabled);
    EXPECT_FALSE(db->simulation);  // only exactly "да" enables

    // An unknown word leaves the field as it was.
    writeIni("[Талвир_К2]\nСтопбит=3\nЧетность=Нет\n");
    db->LoadPortSettings();
    EXPECT_EQ(db->stopBits, 1);
    EXPECT_EQ(db->parity, 4);
}

TEST_F(PortKeys, DevicePathIsReadWhole) {
    writeIni("[Ордис_Р7]\nCOM=/dev/serial/by-id/usb-adapter-port0\n");
    auto db = CreateDatabase(Family::R7, 0, ctx);
    EXPECT_EQ(db->portName, "/dev/serial/by-id/usb-adapter-port0");
}

TEST_F(PortKeys, SaveWritesEveryWordAndReadsBack) {
    auto db = CreateDatabase(Family::K2, 0, ctx);
    db->baudRate = 115200;
    db->portName = "COM9";
    db->stopBits = 2;
    db->parity = 1;
    db->logEnabled = true;
    db->simulation = true;
    db->SavePortSettings();
    IniFile ini;
    ASSERT_TRUE(ini.load(ctx.settingsPath));
    EXPECT_EQ(*ini.value("Талвир_К2", "Скорость"), "115200");
    EXPECT_EQ(*ini.value("Талвир_К2", "Стопбит"), "2");
    EXPECT_EQ(*ini.value("Талвир_К2", "Четность"), "нечет");
    EXPECT_EQ(*ini.value("Талвир_К2", "Лог"), "да");
    EXPECT_EQ(*ini.value("Талвир_К2", "Имитация"), "да");
    auto again = CreateDatabase(Family::K2, 0, ctx);
    EXPECT_EQ(again->baudRate, 115200);
    EXPECT_EQ(again->portName, "COM9");
    EXPECT_EQ(again->parity, 1);
    EXPECT_EQ(again->stopBits, 2);
}

}  // namespace
}  // namespace tavrin
