#include "app/application.h"

#include "app/dialogs.h"

namespace tavrin::gui {

CKvitorApp::CKvitorApp(std::filesystem::path programFolder, Prompter* prompter,
                       DatabaseFactory factory)
    : factory_(std::move(factory)) {
    cancelDialog_ = std::make_unique<CCancelOb>();
    cancelWindow_ = std::make_unique<GuiCancelWindow>(cancelDialog_.get());
    ctx_ = makeAppContext(programFolder);
    ctx_.prompter = prompter ? prompter : &guiPrompter_;
    ctx_.cancelWindow = cancelWindow_.get();
}

CKvitorApp::~CKvitorApp() {
    frame_.reset();
    cancelDialog_.reset();
}

bool CKvitorApp::InitInstance(const QStringList& arguments) {
    // The frame reads the settings and creates the first document.
    frame_ = std::make_unique<CMainFrame>(ctx_, factory_);
    guiPrompter_.setParentWidget(frame_.get());
    cancelDialog_->setAnchor(frame_.get());
    const GeneralSettings& s = frame_->shell().settings();
    if (s.passwordOn) {
        CDLParol dialog(s.password);
        if (dialog.exec() != QDialog::Accepted) {
            ctx_.prompter->message("Пароль неверен!", "Проверка пароля", PromptIcon::Error);
            return false;
        }
    }
    bool opened = false;
    for (const QString& arg : arguments) {
        if (arg.startsWith('-')) continue;
        if (!frame_->shell().openPath(arg.toStdString())) return false;
        opened = true;
        break;
    }
    // A copy left by a run that ended without saving: offered unless a file
    // was opened (it stays for the next start then).
    if (!opened) frame_->offerRecovery();
    frame_->showAsStored();
    frame_->updateCaption(100);
    return true;
}

}  // namespace tavrin::gui
