// What the journal dialog and the active-events view need around their
// models: opening the file they show, their window title and the filters of
// their open and save dialogs.
#pragma once

#include <string>
#include <vector>

#include "base/file_filter.h"
#include "files/journal_file.h"

namespace tavrin {

// Opens the file a viewer starts with: a missing file shows "Файл не
// найден!" titled "Просмотр журнала" and leaves `out` empty; otherwise the
// file is read as readJournalFile does (capacity check and its message).
bool openJournalForView(const std::string& path, int capacity, Prompter& prompter,
                        JournalFile& out);

// "Журнал событий " + " (Файл " + the file's name (without its folders).
std::string journalWindowTitle(const std::string& path);

constexpr const char* kJournalOpenTitle = "Открытие журнала";
constexpr const char* kJournalSaveTitle = "Сохранение журнала";

}  // namespace tavrin
