#include "editor/g_combo_box.h"

#include <QKeyEvent>
#include <QLineEdit>

namespace tavrin::gui {

GComboBox::GComboBox(QWidget* parent) : QComboBox(parent) {
    setObjectName("GComboBox");
    setMaxVisibleItems(16);
    setInsertPolicy(QComboBox::NoInsert);
}

void GComboBox::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        emit enterPressed();
        return;
    }
    QComboBox::keyPressEvent(event);
}

// The editable list's line edit sees the keys first.
bool GComboBox::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lineEdit() && event->type() == QEvent::KeyPress) {
        const auto* k = static_cast<QKeyEvent*>(event);
        if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) {
            emit enterPressed();
            return true;
        }
    }
    return QComboBox::eventFilter(watched, event);
}

}  // namespace tavrin::gui
