// Loads Qt's own Russian translations so that standard buttons read "Да",
// "Нет", "Отмена".
#pragma once

class QApplication;

namespace tavrin::gui {

// True when the translation file was found and installed.
bool installRussianTranslations(QApplication& app);

}  // namespace tavrin::gui
