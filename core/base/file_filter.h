// One entry of an open or save dialog's filter list, shared by the main
// window's dialogs and the viewers' dialogs. Texts are UTF-8.
#pragma once

#include <string>

namespace tavrin {

struct FileFilter {
    std::string name;     // "БД Талвира К2", "Журнал Талвира К2"
    std::string pattern;  // "*.bta;*.tlv", "*.tvj"
};

}  // namespace tavrin
