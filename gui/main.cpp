// tavrin: the configurator window.
#include <QApplication>
#include <QDir>

#include "app/main_frame.h"
#include "app/translations.h"
#include "base/file_io.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    tavrin::gui::installRussianTranslations(app);
    const tavrin::AppContext context =
        tavrin::makeAppContext(tavrin::pathFromUtf8(QDir::currentPath().toStdString()));
    tavrin::gui::CMainFrame frame(context);
    frame.show();
    return app.exec();
}
