// The two conversions of the program's UTF-8 texts into Qt strings that the
// windows use everywhere: a literal and a std::string.
#pragma once

#include <QString>
#include <string>

namespace tavrin::gui {

inline QString u(const char* text) {
    return QString::fromUtf8(text);
}

inline QString q(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace tavrin::gui
