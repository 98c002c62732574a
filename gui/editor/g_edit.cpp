#include "editor/g_edit.h"

#include <QKeyEvent>

namespace tavrin::gui {

GEdit::GEdit(QWidget* parent) : QLineEdit(parent) {
    setObjectName("GEdit");
    setFrame(false);
    connect(this, &QLineEdit::textEdited, this, [this] { dropNonHex(); });
}

void GEdit::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        emit enterPressed();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void GEdit::dropNonHex() {
    if (!hex_) return;
    const QString t = text();
    QString kept;
    kept.reserve(t.size());
    for (QChar c : t) {
        if ((c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F'))
            kept.append(c);
    }
    if (kept == t) return;
    const int cursor = cursorPosition() - static_cast<int>(t.size() - kept.size());
    setText(kept);
    setCursorPosition(std::max(0, cursor));
}

}  // namespace tavrin::gui
