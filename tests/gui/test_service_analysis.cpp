// The analysis window: the modeless check with its three tabbed lists, and
// the modal gate of "Записать базу" — outcome 0 shows nothing and the write
// goes on, outcome 2 stays on screen until "ОК" and the write is refused.
#include <QPushButton>
#include <QTabBar>
#include <QTableWidget>
#include <QtTest>

#include "app/commands.h"
#include "app/main_frame.h"
#include "editor/c_tree.h"
#include "editor/editor_views.h"
#include "families/k2/dbk2.h"
#include "families/r7/dbr7.h"
#include "families/s5/dbs5.h"
#include "gui/gui_helpers.h"
#include "registry/family_registry.h"
#include "service/analysis_window.h"
#include "service/service_windows.h"
#include "settings/settings.h"
#include "support/recording_prompter.h"
#include "support/temp_dir.h"
#include "write_counting_frame.h"

using namespace tavrin;

namespace {

// Counts the analysis windows that became visible.
class ShowCounter : public QObject {
  public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show && qobject_cast<gui::TestRes*>(watched)) ++shown;
        return false;
    }
    int shown = 0;
};

QStringList column(QTableWidget* t, int c) {
    QStringList out;
    for (int r = 0; r < t->rowCount(); ++r)
        out << (t->item(r, c) ? t->item(r, c)->text() : QString());
    return out;
}

struct Fixture : test::WriteCountingFrame<test::RecordingPrompter> {
    bool prompted(const std::string& text) const {
        for (const auto& c : prompter.calls)
            if (c.text == text) return true;
        return false;
    }
    // The write question, after the backup of the panel's (empty) database.
    bool askedToWrite() const {
        const std::string head =
            "Подтвердите запись базы в прибор.\nИзменится элементов: 0\nКопия базы прибора: "
            "Талвир_К2_0_";
        for (const auto& c : prompter.calls)
            if (c.text.rfind(head, 0) == 0) return true;
        return false;
    }
};

}  // namespace

class TestServiceAnalysis : public QObject {
    Q_OBJECT
  private slots:
    void gateWithoutFindingsShowsNothingAndWrites() {
        Fixture f;
        ShowCounter counter;
        qApp->installEventFilter(&counter);
        f.frame->runCommand(kCmdWriteDatabase);
        qApp->removeEventFilter(&counter);
        QCOMPARE(counter.shown, 0);
        QCOMPARE(f.writes, 1);
        QVERIFY(f.askedToWrite());
        QCOMPARE(f.frame->statusText(), QStringLiteral("Команда выполнена. Запись проверена."));
        QVERIFY(!f.prompted("База некорректна. Запись БД в прибор недопустима."));
    }

    void gateWithCriticalFindingStaysUntilOkAndRefuses() {
        Fixture f;
        f.db().CreateKey();  // a key without a number: a critical finding
        bool seen = false;
        QStringList sources;
        test::onModal<gui::TestRes>([&](gui::TestRes* w) {
            seen = true;
            QVERIFY(w->writeGate());
            QCOMPARE(w->windowTitle(), QStringLiteral("Анализ базы данных"));
            sources = column(w->list(0), 0);
            w->okButton()->click();
        });
        f.frame->runCommand(kCmdWriteDatabase);
        QVERIFY(seen);
        QVERIFY(sources.contains(QStringLiteral("КРИТИЧЕСКИЕ ОШИБКИ")));
        QCOMPARE(f.writes, 0);
        QVERIFY(!f.db().writable);
        QVERIFY(f.prompted("База некорректна. Запись БД в прибор недопустима."));
        QVERIFY(!f.askedToWrite());
        QVERIFY(!std::filesystem::exists(f.dir / "backups"));
    }

    void gateIgnoresFindingsThatAreNotCritical() {
        Fixture f;
        // A device without an address is only a possible error.
        const int i = f.db().CreateElement(0, -1);
        f.db().devices[i][4] = 0;
        f.db().devices[i][3] = 0;
        ShowCounter counter;
        qApp->installEventFilter(&counter);
        f.frame->runCommand(kCmdWriteDatabase);
        qApp->removeEventFilter(&counter);
        QCOMPARE(counter.shown, 0);
        QCOMPARE(f.writes, 1);
    }

    void checkIsModelessWithTabbedListsPerFamily() {
        Fixture f;
        f.db().CreateKey();
        f.frame->runCommand(kCmdCheck);
        gui::TestRes* w = f.frame->services()->analysisWindow();
        QVERIFY(w);
        QVERIFY(w->isVisible());
        QVERIFY(!w->isModal());
        QVERIFY(!w->writeGate());
        QCOMPARE(w->outcome(), 2);
        QCOMPARE(w->tabs()->count(), 3);
        QCOMPARE(test::mnemonicFaults(w), QStringList());
        QCOMPARE(w->tabs()->tabText(0), QStringLiteral("Ошибки"));
        QCOMPARE(w->list(0)->horizontalHeaderItem(1)->text(), QStringLiteral("Ошибка"));
        QCOMPARE(w->list(0)->columnWidth(0), 300);
        QCOMPARE(w->list(1)->horizontalHeaderItem(2)->text(), QStringLiteral("Заблокировано"));
        QCOMPARE(w->list(2)->columnCount(), 7);
        QCOMPARE(w->list(2)->horizontalHeaderItem(6)->text(), QStringLiteral("Вне шлейфа"));
        QCOMPARE(w->listFont().family(), QApplication::font().family());
        QCOMPARE(w->listFont().pointSizeF(), QApplication::font().pointSizeF());
        QVERIFY(w->list(0)->isVisible() && !w->list(1)->isVisible());
        w->tabs()->setCurrentIndex(2);
        QVERIFY(!w->list(0)->isVisible() && w->list(2)->isVisible());
        QCOMPARE(column(w->list(2), 0).first(), QStringLiteral("Шлейфы"));

        // A second check replaces the first window.
        QPointer<gui::TestRes> old = w;
        f.frame->runCommand(kCmdCheck);
        QVERIFY(old.isNull());
        QVERIFY(f.frame->services()->analysisWindow());
    }

    void checkOfTheThirdFamilyShowsItsFindingsAndGatesTheWrite() {
        Fixture f;
        f.frame->shell().switchFamily(Family::S5);
        auto& db = static_cast<DBS5&>(*f.frame->database());
        db.databaseValid = true;
        const int l = db.AddLcp();
        const int o = db.NewObject(l);
        db.CreateElement(17, l);
        db.lcp(l)->setDeviceObject(db.CreateElement(17, l), o);
        f.frame->runCommand(kCmdCheck);
        gui::TestRes* w = f.frame->services()->analysisWindow();
        QVERIFY(w);
        QCOMPARE(w->outcome(), 0);
        QVERIFY(db.writable);
        QCOMPARE(w->list(1)->horizontalHeaderItem(2)->text(), QString::fromUtf8("В объектах"));
        QCOMPARE(QStringList({w->list(1)->item(0, 0)->text(), w->list(1)->item(0, 1)->text(),
                              w->list(1)->item(0, 2)->text()}),
                 QStringList({"ДИП", "2", "1"}));
        QCOMPARE(column(w->list(2), 0).first(), QStringLiteral("LCP 1"));

        // A parent that names no object is critical: the gate stays on
        // screen until "ОК" and nothing is written.
        db.lcp(l)->objects[static_cast<std::size_t>(o)][s5::obj::kParent] = 30;
        QStringList problems;
        test::onModal<gui::TestRes>([&](gui::TestRes* gate) {
            QVERIFY(gate->writeGate());
            problems = column(gate->list(0), 1);
            gate->okButton()->click();
        });
        f.frame->runCommand(kCmdWriteDatabase);
        QVERIFY(problems.contains(QString::fromUtf8("Головной объект не существует (запись 30)")));
        QVERIFY(!db.writable);
        QVERIFY(f.prompted("База некорректна. Запись БД в прибор недопустима."));
        QVERIFY(!f.prompted("Подтвердите запись базы в прибор."));
    }

    void checkOfTheSecondFamilyCountsByLine() {
        Fixture f;
        f.frame->runCommand(kCmdFamilyR7);
        auto& db = static_cast<DBR7&>(*f.frame->database());
        const int object = db.CreateElement(r7::kTypeObject, 0);
        for (int line : {1, 2, 2, 4}) {
            const int d = db.CreateElement(26, object);
            db.table()[static_cast<std::size_t>(d)].bytes[r7::kOffLine] =
                static_cast<std::uint8_t>(line);
        }
        db.CreateElement(42, object);  // no line: a critical finding
        f.frame->runCommand(kCmdCheck);
        gui::TestRes* w = f.frame->services()->analysisWindow();
        QVERIFY(w);
        QCOMPARE(w->outcome(), 2);
        const QStringList heads = {"Линия А", "Линия Б", "Линия В", "Линия Г", "Всего"};
        for (int l : {1, 2}) {
            QTableWidget* t = w->list(l);
            QCOMPARE(t->columnCount(), 6);
            QCOMPARE(t->horizontalHeaderItem(0)->text(),
                     QString::fromUtf8(l == 1 ? "Устройство" : "Функция"));
            QCOMPARE(t->columnWidth(0), l == 1 ? 170 : 160);
            for (int c = 1; c < 6; ++c) {
                QCOMPARE(t->horizontalHeaderItem(c)->text(), heads[c - 1]);
                QCOMPARE(t->columnWidth(c), 100);
            }
        }
        // ВЕРС-ДИП: one on А, two on Б, one on Г.
        QTableWidget* devices = w->list(1);
        QCOMPARE(devices->item(0, 0)->text(), QString::fromUtf8("ВЕРС-ДИП"));
        QCOMPARE(QStringList({devices->item(0, 1)->text(), devices->item(0, 2)->text(),
                              devices->item(0, 3)->text(), devices->item(0, 4)->text(),
                              devices->item(0, 5)->text()}),
                 QStringList({"1", "2", "0", "1", "4"}));
        QVERIFY(column(w->list(0), 1).contains(QString::fromUtf8("Не задан шлейф.")));
    }

    // A double-click on a finding selects the item it is about in the tree,
    // in both families with an analysis window; a section title selects
    // nothing.
    void doubleClickOnFindingSelectsItsItem() {
        Fixture f;
        const int key = f.db().CreateKey();  // no number: critical
        const int device = f.db().CreateElement(0, -1);
        f.db().devices[device][4] = 0;  // no address: possible
        f.db().devices[device][3] = 0;
        f.frame->databaseChanged(0);
        struct Case {
            const char* message;
            std::int32_t item;
        };
        const Case k2Cases[] = {{"Не задан номер ключа", 0x100 + key}, {"Не задан адрес.", device}};
        auto dclickRow = [](gui::TestRes* w, const QString& message) {
            QTableWidget* t = w->list(0);
            const int row = column(t, 1).indexOf(message);
            if (row < 0) return false;
            t->scrollToItem(t->item(row, 0));
            const QPoint at = t->visualItemRect(t->item(row, 0)).center();
            QTest::mouseClick(t->viewport(), Qt::LeftButton, {}, at);
            QTest::mouseDClick(t->viewport(), Qt::LeftButton, {}, at);
            return true;
        };
        auto current = [&f]() -> QModelIndex {
            return f.frame->views()->activeTree()->currentIndex();
        };
        f.frame->runCommand(kCmdCheck);
        gui::TestRes* w = f.frame->services()->analysisWindow();
        QVERIFY(w);
        QVERIFY(QTest::qWaitForWindowExposed(w));
        for (const Case& c : k2Cases) {
            QVERIFY2(dclickRow(w, QString::fromUtf8(c.message)), c.message);
            QCOMPARE(current(), f.frame->views()->activeTree()->indexOfCode(c.item));
        }
        // The title row of a section names no item: the selection stays.
        const QModelIndex before = current();
        QTableWidget* t = w->list(0);
        QTest::mouseDClick(t->viewport(), Qt::LeftButton, {},
                           t->visualItemRect(t->item(0, 0)).center());
        QCOMPARE(current(), before);

        // The second family: an element by its record index.
        f.db().modified = 0;  // nothing to save on the switch
        f.frame->runCommand(kCmdFamilyR7);
        auto& r7 = static_cast<DBR7&>(*f.frame->database());
        const int object = r7.CreateElement(r7::kTypeObject, 0);
        const int noLine = r7.CreateElement(42, object);
        f.frame->databaseChanged(0);
        f.frame->runCommand(kCmdCheck);
        w = f.frame->services()->analysisWindow();
        QVERIFY(w);
        QVERIFY(dclickRow(w, QString::fromUtf8("Не задан шлейф.")));
        QVERIFY(current().isValid());
        QCOMPARE(current(), f.frame->views()->activeTree()->indexOfCode(noLine));

        // The third family: objects, devices and keys by their item codes.
        r7.modified = 0;
        f.frame->runCommand(kCmdFamilyS5);
        auto& s5db = static_cast<DBS5&>(*f.frame->database());
        s5db.databaseValid = true;
        const int l = s5db.AddLcp();
        const int empty = s5db.NewObject(l);  // no devices: a remark
        const int orphan = s5db.NewObject(l);
        s5db.lcp(l)->setDeviceObject(s5db.CreateElement(17, l), orphan);
        const int s5key = s5db.NewLcpKey(l);  // no number: a remark
        f.frame->databaseChanged(0);
        // A parent that names no object (as a damaged file may hold): critical.
        s5db.lcp(l)->objects[static_cast<std::size_t>(orphan)][s5::obj::kParent] = 30;
        f.frame->runCommand(kCmdCheck);
        w = f.frame->services()->analysisWindow();
        QVERIFY(w);
        const Case s5Cases[] = {
            {"В объекте нет АУ", s5::objectItem(l, empty)},
            {"Головной объект не существует (запись 30)", s5::objectItem(l, orphan)},
            {"Не задан номер ключа", s5::keyItem(l, s5key)}};
        for (const Case& c : s5Cases) {
            QVERIFY2(dclickRow(w, QString::fromUtf8(c.message)), c.message);
            QVERIFY2(current().isValid(), c.message);
            QCOMPARE(current(), f.frame->views()->activeTree()->indexOfCode(c.item));
        }
    }
};

QTEST_MAIN(TestServiceAnalysis)
#include "test_service_analysis.moc"
