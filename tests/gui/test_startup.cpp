// Start-up of the window: caption from the family and Qt's Russian buttons.
#include <QApplication>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QtTest>

#include "app/main_frame.h"
#include "app/translations.h"
#include "base/file_io.h"
#include "base/text.h"
#include "support/temp_dir.h"

using namespace tavrin;

class TestStartup : public QObject {
    Q_OBJECT
private slots:
    void captionFollowsTheFamilySetting() {
        struct Case {
            const char* ini;
            const char* caption;
        } cases[] = {
            {"", "Конфигуратор Талвир К2"},
            {"[Общее]\r\nПрибор=1\r\n", "Конфигуратор Ордис Р7"},
            {"[Общее]\r\nПрибор=3\r\n", "Конфигуратор Талвир К2"},
        };
        for (const auto& c : cases) {
            test::TempDir dir;
            AppContext ctx = makeAppContext(dir.path());
            const std::string bytes = utf8ToCp1251(c.ini);
            writeFileAtomic(ctx.settingsPath, Bytes(bytes.begin(), bytes.end()));
            gui::CMainFrame frame(ctx);
            QCOMPARE(frame.windowTitle(), QString::fromUtf8(c.caption));
        }
    }

    void standardButtonsAreRussian() {
        QDialogButtonBox box(QDialogButtonBox::Yes | QDialogButtonBox::No | QDialogButtonBox::Cancel);
        QCOMPARE(box.button(QDialogButtonBox::Yes)->text().remove('&'), QString::fromUtf8("Да"));
        QCOMPARE(box.button(QDialogButtonBox::No)->text().remove('&'), QString::fromUtf8("Нет"));
        QCOMPARE(box.button(QDialogButtonBox::Cancel)->text().remove('&'), QString::fromUtf8("Отмена"));
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (!gui::installRussianTranslations(app)) qWarning("Russian translations not found");
    TestStartup t;
    return QTest::qExec(&t, argc, argv);
}

#include "test_startup.moc"
