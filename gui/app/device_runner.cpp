#include "app/device_runner.h"

#include <QWindow>

#include <QApplication>
#include <QEventLoop>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <thread>

namespace tavrin::gui {

void GuiProgress::setRange(int low, int high) {
    QMetaObject::invokeMethod(bar_, [bar = bar_, low, high] {
        if (bar) bar->setRange(low, high);
    });
}

void GuiProgress::setPosition(int position) {
    position_.store(position);
    QMetaObject::invokeMethod(bar_, [bar = bar_, position] {
        if (bar) bar->setValue(position);
    });
}

void GuiProgress::setVisible(bool visible) {
    QMetaObject::invokeMethod(bar_, [bar = bar_, visible] {
        if (bar) bar->setVisible(visible);
    });
}

CCancelOb::CCancelOb(QWidget* parent) : QDialog(parent) {
    setObjectName("CCancelOb");
    setWindowTitle(QString::fromUtf8("Обмен с прибором"));
    setWindowModality(Qt::ApplicationModal);
    label_ = new QLabel(QString::fromUtf8("Обмен с прибором"), this);
    label_->setAlignment(Qt::AlignCenter);
    label_->setMinimumWidth(260);
    stop_ = new QPushButton(QString::fromUtf8("&Остановить"), this);
    connect(stop_, &QPushButton::clicked, this, &CCancelOb::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label_);
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(stop_);
    row->addStretch();
    layout->addLayout(row);
}

void CCancelOb::start(const QString& title, CancelToken* token) {
    token_ = token;
    label_->setText(title.isEmpty() ? QString::fromUtf8("Обмен с прибором") : title);
    adjustSize();
    if (anchor_ && anchor_->isVisible()) {
        QRect r(QPoint(0, 0), sizeHint().expandedTo(size()));
        r.moveCenter(anchor_->frameGeometry().center());
        move(r.topLeft());
    }
    show();
    if (anchor_ && windowHandle() && anchor_->windowHandle())
        windowHandle()->setTransientParent(anchor_->windowHandle());
    raise();
}

void CCancelOb::reject() {
    if (token_) token_->cancel();
    token_ = nullptr;
    hide();
    setResult(QDialog::Rejected);
}

void GuiCancelWindow::show(const std::string& title, CancelToken& token) {
    const QString text = QString::fromStdString(title);
    CancelToken* t = &token;
    QMetaObject::invokeMethod(dialog_, [d = dialog_, text, t] {
        if (d) d->start(text, t);
    });
}

void GuiCancelWindow::hide() {
    QMetaObject::invokeMethod(dialog_, [d = dialog_] {
        if (d) d->hide();
    });
}

namespace {

// Holds back mouse and keyboard input meant for the main window.
class InputBlocker : public QObject {
  public:
    explicit InputBlocker(QWidget* window) : window_(window) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonRelease:
            case QEvent::MouseButtonDblClick:
            case QEvent::KeyPress:
            case QEvent::KeyRelease:
            case QEvent::Wheel:
            case QEvent::Shortcut:
            case QEvent::ShortcutOverride:
            case QEvent::Close:
                if (auto* w = qobject_cast<QWidget*>(watched); w && w->window() == window_) {
                    event->ignore();
                    return true;
                }
                return false;
            default:
                return false;
        }
    }

  private:
    QWidget* window_;
};

}  // namespace

int runOnWorker(QWidget* mainWindow, QProgressBar* bar,
                const std::function<int(Progress&)>& operation) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    InputBlocker blocker(mainWindow);
    qApp->installEventFilter(&blocker);
    GuiProgress progress(bar);
    QEventLoop loop;
    int code = 0;
    std::thread worker([&] {
        code = operation(progress);
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec();
    worker.join();
    // Let the widget updates posted by the worker arrive before the bar is hidden.
    QCoreApplication::processEvents();
    qApp->removeEventFilter(&blocker);
    if (bar) bar->setVisible(false);
    QApplication::restoreOverrideCursor();
    return code;
}

}  // namespace tavrin::gui
