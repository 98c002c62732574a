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
    // One blank before the file and the parenthesis closed.
    return "Журнал событий (Файл " + pathToUtf8(pathFromUtf8(path).filename()) + ")";
}

}  // namespace tavrin
