#include "link/console_operations.h"

#include <cstdio>

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

ComparisonRows comparisonRows(const ConsoleOperations& console) {
    const auto hex = [](bool known, std::uint16_t value) {
        if (!known) return std::string();
        char text[8];
        std::snprintf(text, sizeof text, "%04X", static_cast<unsigned>(value));
        return std::string(text);
    };
    ComparisonRows rows;
    for (const CompareEntry& e : console.comparison()) {
        ComparisonRow r;
        r.path = (e.lcp == 0 ? std::string("Пульт") : "LCP " + std::to_string(e.lcp)) + " / " +
                 compareKindText(e.lcp, e.kind);
        r.row = e.record;
        r.ours = hex(e.computerKnown, e.computer);
        r.theirs = hex(e.consoleKnown, e.console);
        r.same = e.state == CompareState::Equal;
        r.verdict = compareStateText(e.state);
        r.item = console.itemOfCompareEntry(e);
        rows.push_back(std::move(r));
    }
    return rows;
}

ConsoleOperations* consoleOperations(DBase& db) {
    return dynamic_cast<ConsoleOperations*>(&db);
}

const ConsoleOperations* consoleOperations(const DBase& db) {
    return dynamic_cast<const ConsoleOperations*>(&db);
}

}  // namespace tavrin
