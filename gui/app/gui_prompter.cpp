#include "app/gui_prompter.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QThread>

namespace tavrin::gui {

PromptAnswer GuiPrompter::ask(const std::string& text, const std::string& title, PromptIcon icon,
                              PromptButtons buttons) {
    if (QThread::currentThread() == thread()) return show(text, title, icon, buttons);
    PromptAnswer answer = PromptAnswer::Cancel;
    QMetaObject::invokeMethod(
        this, [&] { answer = show(text, title, icon, buttons); }, Qt::BlockingQueuedConnection);
    return answer;
}

PromptAnswer GuiPrompter::askWithAction(const std::string& text, const std::string& title,
                                        PromptIcon icon, PromptButtons buttons,
                                        const std::string& actionText,
                                        const std::function<void()>& action) {
    if (QThread::currentThread() == thread())
        return show(text, title, icon, buttons, actionText, action);
    PromptAnswer answer = PromptAnswer::Cancel;
    QMetaObject::invokeMethod(
        this, [&] { answer = show(text, title, icon, buttons, actionText, action); },
        Qt::BlockingQueuedConnection);
    return answer;
}

PromptAnswer GuiPrompter::show(const std::string& text, const std::string& title, PromptIcon icon,
                               PromptButtons buttons, const std::string& actionText,
                               const std::function<void()>& action) {
    QMessageBox box(parentWidget_);
    // A message without its own title is captioned with the program's name
    // in Russian, never with the system's English default.
    box.setWindowTitle(title.empty() ? QStringLiteral("Конфигуратор")
                                     : QString::fromStdString(title));
    box.setText(QString::fromStdString(text));
    switch (icon) {
        case PromptIcon::Information:
            box.setIcon(QMessageBox::Information);
            break;
        case PromptIcon::Warning:
            box.setIcon(QMessageBox::Warning);
            break;
        case PromptIcon::Error:
            box.setIcon(QMessageBox::Critical);
            break;
        case PromptIcon::Question:
            box.setIcon(QMessageBox::Question);
            break;
        case PromptIcon::None:
            break;
    }
    switch (buttons) {
        case PromptButtons::Ok:
            box.setStandardButtons(QMessageBox::Ok);
            break;
        case PromptButtons::OkCancel:
            box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
            break;
        case PromptButtons::YesNo:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            break;
        case PromptButtons::YesNoCancel:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
            break;
        case PromptButtons::YesNoDefaultNo:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            box.setDefaultButton(QMessageBox::No);
            box.setEscapeButton(QMessageBox::No);
            break;
    }
    if (action) {
        // The extra button runs its action and leaves the question open: its
        // click is taken from the box, which would close on it otherwise.
        QPushButton* extra =
            box.addButton(QString::fromStdString(actionText), QMessageBox::ActionRole);
        QObject::disconnect(extra, &QAbstractButton::clicked, nullptr, nullptr);
        QObject::connect(extra, &QAbstractButton::clicked, &box, [&action] { action(); });
    }
    // A message shown during a device operation must take input while the
    // wait cursor is set.
    const bool overridden = QApplication::overrideCursor() != nullptr;
    if (overridden) QApplication::setOverrideCursor(Qt::ArrowCursor);
    const int r = box.exec();
    if (overridden) QApplication::restoreOverrideCursor();
    switch (r) {
        case QMessageBox::Ok:
            return PromptAnswer::Ok;
        case QMessageBox::Yes:
            return PromptAnswer::Yes;
        case QMessageBox::No:
            return PromptAnswer::No;
        default:
            return buttons == PromptButtons::YesNo ? PromptAnswer::No : PromptAnswer::Cancel;
    }
}

}  // namespace tavrin::gui
