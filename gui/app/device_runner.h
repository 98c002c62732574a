// Running a device operation: the operation runs on a worker thread while the
// user-interface thread shows the wait cursor and the status-bar progress,
// keeps painting, answers the operation's questions (GuiPrompter) and shows
// the cancel window when the operation asks for it. Input to the main window
// is held back until the operation ends.
//
// Threading: GuiProgress and GuiCancelWindow are called from the worker;
// every widget change is posted to the user-interface thread. The progress
// position is kept in an atomic so that the worker can read it back.
#pragma once

#include <QDialog>
#include <QPointer>
#include <QProgressBar>
#include <atomic>
#include <functional>

#include "base/seams.h"

class QLabel;

class QPushButton;

namespace tavrin::gui {

// The status-bar progress bar as the Progress of a device operation.
class GuiProgress : public Progress {
  public:
    explicit GuiProgress(QProgressBar* bar) : bar_(bar) {}
    void setRange(int low, int high) override;
    void setPosition(int position) override;
    int position() const override { return position_.load(); }
    void setVisible(bool visible) override;
    void keepAlive() override {}

  private:
    QPointer<QProgressBar> bar_;
    std::atomic<int> position_{0};
};

// CCancelOb: the centred operation title (preset "Обмен с прибором") and the
// button "Остановить"; the button and Esc clear the exchange-active flag.
class CCancelOb : public QDialog {
    Q_OBJECT
  public:
    explicit CCancelOb(QWidget* parent = nullptr);
    void start(const QString& title, CancelToken* token);
    // The window the dialog opens over (centred on it), not the screen's middle.
    void setAnchor(QWidget* window) { anchor_ = window; }
    QLabel* titleLabel() const { return label_; }
    QPushButton* stopButton() const { return stop_; }

  public slots:
    void reject() override;

  private:
    QPointer<QWidget> anchor_;
    QLabel* label_;
    QPushButton* stop_;
    CancelToken* token_ = nullptr;
};

// The CancelWindow seam over one CCancelOb owned by the main window.
class GuiCancelWindow : public CancelWindow {
  public:
    explicit GuiCancelWindow(CCancelOb* dialog) : dialog_(dialog) {}
    void show(const std::string& title, CancelToken& token) override;
    void hide() override;

  private:
    QPointer<CCancelOb> dialog_;
};

// Runs one operation as described above and returns its result code.
int runOnWorker(QWidget* mainWindow, QProgressBar* bar,
                const std::function<int(Progress&)>& operation);

}  // namespace tavrin::gui
