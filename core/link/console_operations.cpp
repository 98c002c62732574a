#include "link/console_operations.h"

#include "link/dbase.h"

namespace tavrin {

const char* compareKindText(int lcp, CompareKind kind) {
    if (lcp == 0) return "Ключи пульта";
    switch (kind) {
        case CompareKind::Devices:
            return "АУ";
        case CompareKind::Objects:
            return "Объекты";
        case CompareKind::Keys:
            return "Ключи";
    }
    return "";
}

const char* compareStateText(CompareState state) {
    switch (state) {
        case CompareState::Equal:
            return "Совпадает";
        case CompareState::Different:
            return "Отличается";
        case CompareState::OnlyComputer:
            return "Нет в приборе";
        case CompareState::OnlyConsole:
            return "Нет в базе";
        case CompareState::NoLink:
            return "Нет связи с LCP";
        case CompareState::NotAsked:
            return "Не сравнивалось";
    }
    return "";
}

ConsoleOperations* consoleOperations(DBase& db) {
    return dynamic_cast<ConsoleOperations*>(&db);
}

const ConsoleOperations* consoleOperations(const DBase& db) {
    return dynamic_cast<const ConsoleOperations*>(&db);
}

}  // namespace tavrin
