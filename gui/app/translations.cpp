#include "app/translations.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace tavrin::gui {

bool installRussianTranslations(QApplication& app) {
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    auto* translator = new QTranslator(&app);
    // Qt's own folder, then the "translations" folder beside the program
    // (where a deployed Windows copy keeps them).
    for (const QString& dir :
         {QLibraryInfo::path(QLibraryInfo::TranslationsPath),
          QCoreApplication::applicationDirPath() + QStringLiteral("/translations")}) {
        if (translator->load(QStringLiteral("qtbase_ru"), dir)) {
            app.installTranslator(translator);
            return true;
        }
    }
    delete translator;
    return false;
}

}  // namespace tavrin::gui
