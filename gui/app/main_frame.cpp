#include "app/main_frame.h"

#include <QLabel>

#include "app/settings.h"
#include "link/family_table.h"

namespace tavrin::gui {

CMainFrame::CMainFrame(const AppContext& context, QWidget* parent)
    : QMainWindow(parent), ctx_(context) {
    IniFile ini;
    ini.load(ctx_.settingsPath);
    GeneralSettings settings;
    settings.load(ini);
    const int family = startupFamily(settings.device);
    main_ = CreateDatabase(family, 0, ctx_);
    second_ = CreateDatabase(family, 1, ctx_);
    setCentralWidget(new QLabel(this));
    resize(900, 600);
    updateCaption(100);
}

CMainFrame::~CMainFrame() = default;

void CMainFrame::updateCaption(std::size_t capacity) {
    if (main_) setWindowTitle(QString::fromStdString(main_->WindowTitle(capacity)));
}

}  // namespace tavrin::gui
