#include "journal/journal_view.h"

#include <filesystem>

namespace tavrin {

bool openJournalForView(const std::string& path, int capacity, Prompter& prompter,
                        JournalFile& out) {
    out = JournalFile{};
    std::error_code ec;
    if (!std::filesystem::is_regular_file(pathFromUtf8(path), ec)) {
        prompter.message("Файл не найден!", "Просмотр журнала", PromptIcon::Error);
        return false;
    }
    return readJournalFile(path, capacity, prompter, out);
}

std::string journalWindowTitle(const std::string& path) {
    return std::string("Журнал событий ") + " (Файл " + pathToUtf8(pathFromUtf8(path).filename());
}

std::vector<FileFilter> journalOpenFilters() {
    return {{"Журнал Талвира К2", "*.tvj"},
            {"Журнал Ордиса Р7", "*.odj"},
            {"Журнал Версана С5", "*.vsj"},
            {"Все файлы", "*.*"}};
}

FileFilter journalSaveFilter(int familyCode) {
    switch (familyCode) {
        case 1:
            return {"Журнал Ордиса Р7", "*.odj"};
        case 3:
            return {"Журнал Версана С5", "*.vsj"};
        default:
            return {"Журнал Талвира К2", "*.tvj"};
    }
}

std::string journalSaveExtension(int familyCode, bool activeEvents) {
    if (activeEvents) return familyCode == 1 ? "orj" : "tlj";
    switch (familyCode) {
        case 1:
            return "odj";
        case 3:
            return "vsj";
        default:
            return "tvj";
    }
}

}  // namespace tavrin
