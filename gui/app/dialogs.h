// The small dialogs of the shell: the start-up password CDLParol, the About
// box CAboutDlg, the settings sheet CDlgParam with its pages CPagePar and
// CAccess, and the port dialog CPageCom.
#pragma once

#include <QDialog>
#include <functional>
#include <string>
#include <vector>

#include "app/trusted_write.h"
#include "base/seams.h"
#include "link/dbase.h"
#include "settings/settings.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QTableWidget;

namespace tavrin::gui {

// Dialog 149: one attempt at the start-up password. OK compares the typed
// text (at most 19 characters) with the stored password and ends the dialog
// as accepted when equal, as rejected otherwise.
class CDLParol : public QDialog {
    Q_OBJECT
  public:
    CDLParol(std::u16string stored, QWidget* parent = nullptr);
    QLineEdit* edit() const { return edit_; }
    void accept() override;

  private:
    std::u16string stored_;
    QLineEdit* edit_;
};

// Dialog 100 "О программе"; the line of "Версан С5" exists hidden.
class CAboutDlg : public QDialog {
    Q_OBJECT
  public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};

// "Настройка параметров": pages "Прочие" and "Доступ".
class CDlgParam : public QDialog {
    Q_OBJECT
  public:
    CDlgParam(const GeneralSettings& settings, bool logEnabled, bool simulation,
              QWidget* parent = nullptr);

    QCheckBox* logBox;          // 1004 "Формировать лог"
    QCheckBox* simulationBox;   // 1005 "Имитация обмена"
    QCheckBox* askParamsBox;    // 1009
    QCheckBox* askDatabaseBox;  // 1010
    QCheckBox* extendedComBox;  // 1013
    // The family's backup of the panel's database before a write (the main
    // window names the family and sets it from the family's settings).
    QCheckBox* backupBox;
    QLineEdit* currentPassword;  // 1017
    QLineEdit* newPassword;      // 1018
    QLineEdit* confirmPassword;  // 1019
    QTabWidget* tabs;
    // True when the page "Доступ" was opened.
    bool accessVisited() const { return accessVisited_; }

  private:
    bool accessVisited_ = false;
};

// "Восстановить из копии...": the family's backups, newest first, one row
// each (date and time, panel address, file); OK or a double click takes the
// chosen one.
class BackupListDialog : public QDialog {
    Q_OBJECT
  public:
    BackupListDialog(const std::vector<BackupFile>& backups, const QString& familyName,
                     QWidget* parent = nullptr);
    QTableWidget* table() const { return table_; }
    // The chosen backup's row (-1 when none).
    int chosenRow() const;

  private:
    QTableWidget* table_;
};

// Dialog 103 "COM порт". With `extended` off only the port number (and on
// POSIX the device list) can be changed; the groups are hidden and the
// dialog is smaller.
class CPageCom : public QDialog {
    Q_OBJECT
  public:
    CPageCom(const DBase& database, bool extended, std::vector<std::string> devices,
             QWidget* parent = nullptr);

    // The dialog's values into the database (the caller saves them).
    void applyTo(DBase& database) const;
    // Shows a port name (after the search).
    void showPort(const std::string& portName);
    int portNumber() const { return number_; }

    QPushButton* downButton;  // "<" 1003
    QPushButton* upButton;    // ">" 1002
    QLabel* portLabel;        // "COM%d" 1022
    QComboBox* deviceBox;     // POSIX: a detected device path, or the numbered port
    QGroupBox* speedGroup;
    QGroupBox* stopGroup;
    QGroupBox* parityGroup;
    QPushButton* searchButton;  // "Автопоиск" 1113
    std::vector<QRadioButton*> speedButtons;
    std::vector<QRadioButton*> stopButtons;
    std::vector<QRadioButton*> parityButtons;

  signals:
    void searchRequested();

  private:
    void setNumber(int n);
    int number_ = 1;
};

}  // namespace tavrin::gui
