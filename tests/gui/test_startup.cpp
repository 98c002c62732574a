// Start-up: the password dialog with its one attempt, the family of the
// first document, the command-line file, Qt's Russian buttons.
#include <QApplication>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include "app/application.h"
#include "app/dialogs.h"
#include "app/main_frame.h"
#include "app/translations.h"
#include "gui/gui_helpers.h"
#include "settings/settings.h"
#include "support/fake_database.h"
#include "support/recording_prompter.h"
#include "support/temp_dir.h"

using namespace tavrin;

class TestStartup : public QObject {
    Q_OBJECT
  private slots:
    void captionFollowsTheFamilySetting() {
        struct Case {
            const char* ini;
            const char* caption;
            int checked;
        } cases[] = {
            {"", "Конфигуратор Талвир К2", 32774},
            {"[Общее]\r\nПрибор=1\r\n", "Конфигуратор Ордис Р7", 32773},
            {"[Общее]\r\nПрибор=3\r\n", "Конфигуратор Версан С5", 32827},
            {"[Общее]\r\nПрибор=9\r\n", "Конфигуратор Талвир К2", 32774},
        };
        for (const auto& c : cases) {
            test::TempDir dir;
            AppContext ctx = makeAppContext(dir.path());
            test::writeIni(ctx.settingsPath, c.ini);
            gui::CMainFrame frame(ctx);
            QCOMPARE(frame.windowTitle().remove(QStringLiteral("[*]")),
                     QString::fromUtf8(c.caption));
            QVERIFY(frame.action(c.checked)->isChecked());
            for (int other : {32773, 32774, 32827}) {
                if (other != c.checked) QVERIFY(!frame.action(other)->isChecked());
            }
        }
    }

    void password_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("pressOk");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("right") << "Secret"
                               << "Secret" << true << true;
        QTest::newRow("wrong") << "Secret"
                               << "Sekret" << true << false;
        QTest::newRow("case") << "Secret"
                              << "secret" << true << false;
        QTest::newRow("cancel") << "Secret"
                                << "Secret" << false << false;
        QTest::newRow("empty stored, empty typed") << ""
                                                   << "" << true << true;
        QTest::newRow("19 characters and more typed") << "0123456789abcdefghi"
                                                      << "0123456789abcdefghiXYZ" << true << true;
        QTest::newRow("prefix") << "Secret"
                                << "Secre" << true << false;
    }

    void password() {
        QFETCH(QString, stored);
        QFETCH(QString, typed);
        QFETCH(bool, pressOk);
        QFETCH(bool, accepted);
        test::TempDir dir;
        test::RecordingPrompter prompter;
        {
            IniFile ini;
            GeneralSettings s;
            s.passwordOn = true;
            s.password = stored.toStdU16String();
            s.store(ini);
            ini.save(dir / "Tavrin.ini");
        }
        gui::CKvitorApp app(dir.path(), &prompter);
        bool seen = false;
        test::onModal<gui::CDLParol>([&](gui::CDLParol* d) {
            seen = true;
            QCOMPARE(d->windowTitle(),
                     QString::fromUtf8("Программа \"Конфигуратор приборов\" ЗАО Квитор"));
            d->edit()->setText(typed);
            auto* box = d->findChild<QDialogButtonBox*>();
            const auto role = pressOk ? QDialogButtonBox::AcceptRole : QDialogButtonBox::RejectRole;
            for (QAbstractButton* b : box->buttons()) {
                if (box->buttonRole(b) == role) b->click();
            }
        });
        QCOMPARE(app.InitInstance({}), accepted);
        QVERIFY(seen);
        if (accepted) {
            QVERIFY(prompter.calls.empty());
            QVERIFY(app.frame()->isVisible());
        } else {
            QCOMPARE(prompter.calls.size(), std::size_t(1));
            QCOMPARE(prompter.calls[0].text, std::string("Пароль неверен!"));
            QCOMPARE(prompter.calls[0].title, std::string("Проверка пароля"));
            QVERIFY(!app.frame()->isVisible());
        }
    }

    void noPasswordDialogWhenOff() {
        test::TempDir dir;
        test::RecordingPrompter prompter;
        test::writeIni(dir / "Tavrin.ini", "[Общее]\r\nА=0\r\nПарам=abc\r\n");
        gui::CKvitorApp app(dir.path(), &prompter);
        QVERIFY(app.InitInstance({}));
        QVERIFY(app.frame()->isVisible());
    }

    void commandLineFileIsOpened() {
        test::TempDir dir;
        test::RecordingPrompter prompter;
        test::DeviceScript script;
        const auto file = dir / "a.bta";
        writeFileAtomic(file, Bytes{'d', 'b'});
        gui::CKvitorApp app(dir.path(), &prompter, test::fakeFactory(script));
        QVERIFY(app.InitInstance({QString::fromStdString(pathToUtf8(file))}));
        QCOMPARE(app.frame()->windowTitle().remove(QStringLiteral("[*]")),
                 QString::fromUtf8("Конфигуратор Талвир К2 - ") +
                     QString::fromStdString(pathToUtf8(file)));

        // A file that cannot be opened ends the start-up.
        gui::CKvitorApp bad(dir.path(), &prompter, test::fakeFactory(script));
        QVERIFY(!bad.InitInstance({QString::fromStdString(pathToUtf8(dir / "missing.bta"))}));
    }

    void standardButtonsAreRussian() {
        QDialogButtonBox box(QDialogButtonBox::Yes | QDialogButtonBox::No |
                             QDialogButtonBox::Cancel);
        QCOMPARE(box.button(QDialogButtonBox::Yes)->text().remove('&'), QString::fromUtf8("Да"));
        QCOMPARE(box.button(QDialogButtonBox::No)->text().remove('&'), QString::fromUtf8("Нет"));
        QCOMPARE(box.button(QDialogButtonBox::Cancel)->text().remove('&'),
                 QString::fromUtf8("Отмена"));
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (!gui::installRussianTranslations(app)) qWarning("Russian translations not found");
    TestStartup t;
    return QTest::qExec(&t, argc, argv);
}

#include "test_startup.moc"
