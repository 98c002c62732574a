// Prompter backed by QMessageBox. A call from a worker thread (a device
// operation asking a question) is carried to the user-interface thread and
// waits there for the answer.
#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

#include "base/seams.h"

namespace tavrin::gui {

class GuiPrompter : public QObject, public Prompter {
    Q_OBJECT
  public:
    explicit GuiPrompter(QObject* parent = nullptr) : QObject(parent) {}
    void setParentWidget(QWidget* w) { parentWidget_ = w; }
    PromptAnswer ask(const std::string& text, const std::string& title, PromptIcon icon,
                     PromptButtons buttons) override;
    // The box gets one more button that runs `action` and keeps the box open.
    PromptAnswer askWithAction(const std::string& text, const std::string& title, PromptIcon icon,
                               PromptButtons buttons, const std::string& actionText,
                               const std::function<void()>& action) override;

  private:
    PromptAnswer show(const std::string& text, const std::string& title, PromptIcon icon,
                      PromptButtons buttons, const std::string& actionText = {},
                      const std::function<void()>& action = {});
    QPointer<QWidget> parentWidget_;
};

}  // namespace tavrin::gui
