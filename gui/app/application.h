// CKvitorApp: start-up of the configurator. Builds the context (settings
// file "Tavrin.ini" in the program folder, the message boxes, the cancel
// window), creates the main window, asks for the start-up password when it
// is switched on (one attempt), opens a database file named on the command
// line or else offers the recovery copy an earlier run left, and shows the
// window.
#pragma once

#include <QStringList>
#include <filesystem>
#include <memory>

#include "app/device_runner.h"
#include "app/gui_prompter.h"
#include "app/main_frame.h"
#include "link/app_context.h"
#include "registry/family_registry.h"

namespace tavrin::gui {

class CKvitorApp {
  public:
    // `prompter` replaces the message boxes and `factory` the families (tests).
    explicit CKvitorApp(std::filesystem::path programFolder, Prompter* prompter = nullptr,
                        DatabaseFactory factory = CreateDatabase);
    ~CKvitorApp();

    // The start-up sequence; false ends the program (wrong password, or the
    // file of the command line could not be opened). `arguments` are the
    // command-line arguments after the program name.
    bool InitInstance(const QStringList& arguments);

    CMainFrame* frame() const { return frame_.get(); }
    const AppContext& context() const { return ctx_; }

  private:
    GuiPrompter guiPrompter_;
    std::unique_ptr<CCancelOb> cancelDialog_;
    std::unique_ptr<GuiCancelWindow> cancelWindow_;
    AppContext ctx_;
    DatabaseFactory factory_;
    std::unique_ptr<CMainFrame> frame_;
};

}  // namespace tavrin::gui
