// tavrin: the configurator window.
#include <QApplication>
#include <QDir>

#include "app/application.h"
#include "app/translations.h"
#include "base/file_io.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    tavrin::gui::installRussianTranslations(app);
    tavrin::gui::CKvitorApp kvitor(tavrin::pathFromUtf8(QDir::currentPath().toStdString()));
    if (!kvitor.InitInstance(app.arguments().mid(1))) return 0;
    return app.exec();
}
