// Menu shape per family and the refusals of the command table.
#include <gtest/gtest.h>

#include "app/commands.h"
#include "settings/settings.h"

namespace tavrin {
namespace {

TEST(MenuBar, ItemsFollowTheFamily) {
    struct Row {
        int id;
        bool k2, r7, s5;
    } rows[] = {
        {kCmdReadActiveEvents, true, false, false}, {kCmdActiveEvents, true, false, false},
        {kCmdReadDustiness, true, false, true},     {kCmdDustiness, true, false, true},
        {kCmdTwoBases, true, false, false},         {kCmdReadTime, false, true, true},
        {kCmdFirmware, false, true, true},          {kCmdUpdateFromSd, false, false, true},
        {kCmdCompare, false, false, true},          {kCmdReadArchiveList, false, false, true},
        {kCmdArchive, false, false, true},          {kCmdReadDatabase, true, true, false},
        {kCmdWriteDatabase, true, true, false},     {kCmdReadAll, false, false, true},
        {kCmdWriteLcp, false, false, true},         {kCmdFamilyS5, true, true, true},
        {kCmdFamilyK2, true, true, true},           {kCmdOpen, true, true, true},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(findMenuItem(buildMenuBar(Family::K2), r.id) != nullptr, r.k2) << r.id;
        EXPECT_EQ(findMenuItem(buildMenuBar(Family::R7), r.id) != nullptr, r.r7) << r.id;
        EXPECT_EQ(findMenuItem(buildMenuBar(Family::S5), r.id) != nullptr, r.s5) << r.id;
    }
    EXPECT_EQ(findMenuItem(buildMenuBar(Family::R7), kCmdFirmware)->text,
              "Обновить программу прибора");
    EXPECT_EQ(findMenuItem(buildMenuBar(Family::S5), kCmdFirmware)->text,
              "Записать ПО прибора на SD карту");
    EXPECT_FALSE(findMenuItem(buildMenuBar(Family::S5), kCmdReadTime)->enabled);
    EXPECT_TRUE(findMenuItem(buildMenuBar(Family::R7), kCmdReadTime)->enabled);
}

TEST(MenuBar, ReadTimeOfTheSecondFamilyIsInService) {
    const auto bar = buildMenuBar(Family::R7);
    const auto service =
        std::find_if(bar.begin(), bar.end(), [](const MenuNode& n) { return n.text == "Сервис"; });
    ASSERT_NE(service, bar.end());
    EXPECT_NE(findMenuItem(service->children, kCmdReadTime), nullptr);
}

TEST(CommandChecks, RefusalsOfTheTable) {
    struct Case {
        int command;
        Family family;
        bool valid;
        const char* text;  // nullptr: runs
        const char* title;
    } cases[] = {
        {kCmdReadActiveEvents, Family::R7, true, "Функция прибором не реализована",
         "Активные события"},
        {kCmdReadActiveEvents, Family::K2, false,
         "Сначала нужно загрузить базу из файла или прибора", "Загрузка журнала"},
        {kCmdReadActiveEvents, Family::K2, true, nullptr, nullptr},
        {kCmdReadDustiness, Family::R7, true, "Функция прибором не реализована",
         "Загрузка запыленности"},
        {kCmdReadDustiness, Family::S5, false, "Сначала нужно загрузить базу из файла или прибора",
         "Загрузка запыленности"},
        {kCmdReadJournal, Family::S5, false, "Сначала нужно загрузить базу из файла или прибора",
         "Загрузка журнала"},
        {kCmdReadJournal, Family::K2, false, nullptr, nullptr},
        {kCmdFirmware, Family::K2, true, "Функция прибором не реализована", "Запись ПО"},
        {kCmdFirmware, Family::R7, false, nullptr, nullptr},
        {kCmdReadTime, Family::K2, true, "Команда не поддерживается!", "Прочитать время"},
        {kCmdActiveEvents, Family::S5, true, "Функция прибором не реализована",
         "Просмотр активных событий"},
        {kCmdDustiness, Family::R7, true, "Функция не реализована", "Загрузка запыленности"},
        {kCmdPrint, Family::R7, true, nullptr, nullptr},
        {kCmdPrint, Family::S5, true, nullptr, nullptr},
        {kCmdExportCsv, Family::R7, true, "Функция не реализована", "Вывод базы"},
        {kCmdTwoBases, Family::R7, true, "Функция не реализована", "Вывод базы"},
        {kCmdReadAll, Family::K2, true, "Функция не поддерживается", "Конфигуратор"},
        {kCmdS5Extra1 + 2, Family::R7, true, "Функция не поддерживается", "Конфигуратор"},
        {kCmdReadAll, Family::S5, true, nullptr, nullptr},
    };
    for (const auto& c : cases) {
        const auto refusal = checkCommand(c.command, c.family, c.valid);
        if (!c.text) {
            EXPECT_FALSE(refusal) << c.command;
            continue;
        }
        ASSERT_TRUE(refusal) << c.command;
        EXPECT_EQ(refusal->text, c.text);
        EXPECT_EQ(refusal->title, c.title);
    }
}

}  // namespace
}  // namespace tavrin
