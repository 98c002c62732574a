// CMainFrame: the main window of the configurator.
#pragma once

#include <QMainWindow>
#include <memory>

#include "link/app_context.h"
#include "link/dbase.h"

namespace tavrin::gui {

class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    explicit CMainFrame(const AppContext& context, QWidget* parent = nullptr);
    ~CMainFrame() override;

    DBase* database() const { return main_.get(); }
    // Sets the caption from the main database's window title.
    void updateCaption(std::size_t capacity);

private:
    const AppContext& ctx_;
    std::unique_ptr<DBase> main_;
    std::unique_ptr<DBase> second_;
};

}  // namespace tavrin::gui
