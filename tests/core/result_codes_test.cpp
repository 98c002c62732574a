#include <gtest/gtest.h>

#include "link/result_codes.h"
#include "registry/family_registry.h"
#include "settings/settings.h"
#include "support/recording_prompter.h"
#include "support/temp_dir.h"

namespace tavrin {
namespace {

TEST(DescribeResult, EveryCode) {
    const char* texts[] = {
        "Команда выполнена",
        "Неизвестная ошибка!",
        "Неизвестная ошибка прибора!",
        "Порт не открыт!",
        "Прибор не отвечает!",
        "Передано не все!",
        "Ошибка CRC конфигуратора!",
        "Отказ прибора выполнить команду(crc или ошибка в команде)",
        "Переполнение базы!",
        "Некорректная длина данных!",
        "Неверная команда к прибору!",
        "Нет прав на выполнение команды!",
        "Получена не та запись базы!",
        "Неизвестное сообщение от прибора",
        "Нет связи с прибором",
        "Ошибка в ответе от прибора",
        "Нет связи с целевым устройством",
        "Ошибка КС в строке БД",
        "Отмена",
        "Ошибка в исходном файле.",
        "Ошибка записи ПО прибора.",
        "Команда отменена пользователем.",
        "Прерывание сеанса связи прибором.",
        "Неудачный обмен, КС не совпадают.",
    };
    for (int code = 0; code <= 23; ++code) {
        const bool closed = code != 0 && code != 16;
        const std::string expected =
            std::string(texts[code]) + (closed ? "  Сеанс обмена закрыт." : "");
        EXPECT_EQ(describeResult(code, false, 0), expected) << code;
    }
    // An operation a family does not have yet: its own text, no session.
    EXPECT_EQ(describeResult(24, false, 0), "Операция не реализована для этого прибора");
    EXPECT_EQ(describeResult(24, true, 0), "Адрес=1. Операция не реализована для этого прибора");
    // A write the read-back did not confirm.
    EXPECT_EQ(describeResult(25, true, 3), "Адрес=3. Запись не подтверждена  Сеанс обмена закрыт.");
    EXPECT_EQ(describeResult(26, false, 0), "Неизвестная ошибка!  Сеанс обмена закрыт.");
    EXPECT_EQ(describeResult(-1, false, 0), "Неизвестная ошибка!  Сеанс обмена закрыт.");
}

TEST(DescribeResult, SecondFamilyShowsTheAddress) {
    EXPECT_EQ(describeResult(4, true, 0), "Адрес=1. Прибор не отвечает!  Сеанс обмена закрыт.");
    EXPECT_EQ(describeResult(0, true, 7), "Адрес=7. Команда выполнена");
    EXPECT_EQ(describeResult(16, true, 3), "Адрес=3. Нет связи с целевым устройством");
}

TEST(DescribeResult, Code14ShowsItsMessageBox) {
    test::TempDir dir;
    test::RecordingPrompter prompter;
    AppContext ctx = makeAppContext(dir.path());
    ctx.prompter = &prompter;
    auto db = CreateDatabase(Family::K2, 0, ctx);
    EXPECT_EQ(db->DescribeResult(14), "Нет связи с прибором  Сеанс обмена закрыт.");
    ASSERT_EQ(prompter.calls.size(), 1u);
    EXPECT_EQ(prompter.calls[0].text, "Нет связи с прибором. Проверьте номер COM-порта");
    EXPECT_EQ(prompter.calls[0].title, "Обмен с прибором");
    EXPECT_EQ(prompter.calls[0].icon, PromptIcon::Error);
    db->DescribeResult(4);
    EXPECT_EQ(prompter.calls.size(), 1u);
}

TEST(WindowTitle, CapacityRules) {
    test::TempDir dir;
    AppContext ctx = makeAppContext(dir.path());
    auto db = CreateDatabase(Family::K2, 0, ctx);
    EXPECT_EQ(db->WindowTitle(100), "Конфигуратор Талвир К2");
    db->filePath = "C:\\Базы\\объект.bta";
    EXPECT_EQ(db->WindowTitle(100), "Конфигуратор Талвир К2 - C:\\Базы\\объект.bta");
    // title 22 + path 18 + 5 = 45 characters.
    EXPECT_EQ(db->WindowTitle(45), "Конфигуратор Талвир К2 - C:\\Базы\\объект.bta");
    EXPECT_EQ(db->WindowTitle(44), "");
    db->filePath.clear();
    EXPECT_EQ(db->WindowTitle(23), "Конфигуратор Талвир К2");
    EXPECT_EQ(db->WindowTitle(22), "");
}

TEST(FamilyTable, FactoryByCode) {
    test::TempDir dir;
    AppContext ctx = makeAppContext(dir.path());
    struct Case {
        Family code;
        const char* title;
        const char* section;
    } cases[] = {
        {Family::R7, "Конфигуратор Ордис Р7", "Ордис_Р7"},
        {Family::K2, "Конфигуратор Талвир К2", "Талвир_К2"},
        {Family::S5, "Конфигуратор Версан С5", "Версан_С5"},
    };
    for (const auto& c : cases) {
        auto db = CreateDatabase(c.code, 1, ctx);
        ASSERT_TRUE(db);
        EXPECT_EQ(db->familyCode, familyCode(c.code));
        EXPECT_EQ(db->family(), c.code);
        EXPECT_EQ(db->title, c.title);
        EXPECT_EQ(db->sectionName, c.section);
        EXPECT_EQ(db->role, 1);
        EXPECT_EQ(db->firmwareVersion, -1);
        EXPECT_FALSE(db->IsPortOpen());
    }
    EXPECT_FALSE(familyDescriptor(0));
    EXPECT_FALSE(familyDescriptor(4));
}

}  // namespace
}  // namespace tavrin
