// The journal dialog over a real journal file: the family's columns, the
// include and exclude texts, the time range, sorting by a header click,
// grouping by a column dropped on the strip, the paging buttons, the reset,
// the 10000-row limit and the refusals; and the active-events view with its
// class buttons and value filters.
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QToolButton>
#include <QTreeView>
#include <QTreeWidget>
#include <QtTest>

#include "app/commands.h"
#include "app/main_frame.h"
#include "families/k2/dbk2.h"
#include "gui/gui_helpers.h"
#include "journal/active_events_window.h"
#include "journal/journal_widgets.h"
#include "journal/journal_window.h"
#include "service/service_windows.h"
#include "service/viewer_dialogs.h"
#include "support/recording_prompter.h"
#include "support/temp_dir.h"

using namespace tavrin;

namespace {

JournalRecord rec(std::initializer_list<const char*> texts) {
    JournalRecord r;
    for (const char* t : texts) {
        if (t)
            r.emplace_back(t);
        else
            r.emplace_back(std::nullopt);
    }
    return r;
}

JournalFile k2Journal() {
    JournalFile f;
    f.kind = kJournalKindK2;
    f.records = {rec({"01/02/24 10:00:00", "Пожар", "ШС 1", "ДИП 001"}),
                 rec({"01/02/24 11:00:00", "Неисправность линии", "ШС 2", "ДИП 002"}),
                 rec({"02/02/24 09:30:00", "Взятие на охрану", "ШС 1", nullptr}),
                 rec({"03/02/24 08:00:00", "Снятие с охраны", "ШС 3", "ДИП 003"}),
                 rec({"03/02/24 12:00:00", "Сброс пожара", "ШС 1", "ДИП 001"})};
    return f;
}

QString cellText(QTreeView* v, int row, int column) {
    return v->model()->index(row, column).data().toString();
}

// Types Cyrillic text key by key (QTest::keyClicks takes Latin only).
void typeText(QWidget* w, const QString& text) {
    for (const QChar ch : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(w, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(w, &release);
    }
}

void dropColumn(QWidget* strip, int column) {
    QMimeData mime;
    mime.setData(gui::kColumnMime, QByteArray::number(column));
    // The enter makes the strip the drag's target, as a real drag does.
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(strip, &enter);
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(strip, &drop);
}

struct Fixture {
    test::TempDir dir;
    test::RecordingPrompter prompter;
    AppContext ctx;
    std::unique_ptr<DBK2> db;

    Fixture() {
        ctx = makeAppContext(dir.path());
        ctx.prompter = &prompter;
        db = std::make_unique<DBK2>(0, ctx);
    }
    std::string path(const char* name) const { return pathToUtf8(dir / name); }
    gui::DatabaseGetter getter() {
        return [this] { return static_cast<DBase*>(db.get()); };
    }
    bool prompted(const std::string& text, const std::string& title) const {
        for (const auto& c : prompter.calls)
            if (c.text == text && c.title == title) return true;
        return false;
    }
};

}  // namespace

class TestJournalDialog : public QObject {
    Q_OBJECT
  private slots:
    void opensTheFamilyJournalFromTheMenu() {
        Fixture f;
        QVERIFY(writeJournalFile(f.path("Journal.tvj"), k2Journal()));
        gui::CMainFrame frame(f.ctx);
        frame.runCommand(kCmdJournal);
        gui::DLJournal* d = frame.services()->journalWindow();
        QVERIFY(d && d->isVisible());
        QCOMPARE(d->windowTitle(), QStringLiteral("Журнал событий (Файл Journal.tvj)"));
        QCOMPARE(d->view()->model()->columnCount(), 4);
        QCOMPARE(d->view()->model()->headerData(2, Qt::Horizontal).toString(),
                 QStringLiteral("Шлейф"));
        QCOMPARE(d->view()->model()->rowCount(), 5);
        QCOMPARE(cellText(d->view(), 2, 3), QString());  // a missing text is an empty cell
        QCOMPARE(d->findChild<QLabel*>(QStringLiteral("journalCount"))->text(),
                 QStringLiteral("Записей: 5 из 5"));
    }

    void missingFileAndTooManyRecordsAreRefused() {
        Fixture f;
        gui::DLJournal missing(f.getter(), f.path("nothing.tvj"));
        QVERIFY(!missing.openStartFile());
        QVERIFY(f.prompted("Файл не найден!", "Просмотр журнала"));
        QCOMPARE(missing.view()->model()->rowCount(), 0);

        JournalFile big;
        big.kind = kJournalKindK2;
        big.records.assign(static_cast<std::size_t>(f.db->journalCapacity) + 1,
                           rec({"01/01/24 00:00:00", "Пожар", "ШС 1", "ДИП"}));
        QVERIFY(writeJournalFile(f.path("big.tvj"), big));
        gui::DLJournal refused(f.getter(), f.path("big.tvj"));
        QVERIFY(!refused.openStartFile());
        QVERIFY(f.prompted("Ошибка в количестве записей", "Чтение журнала"));
        QCOMPARE(refused.view()->model()->rowCount(), 0);
    }

    void showsAtMostTenThousandRows() {
        Fixture f;
        JournalFile big;
        big.kind = kJournalKindS5;  // the "Версан С5" journal has no capacity check
        big.records.assign(10001, rec({"01/01/24 00:00:00", "Пожар", "1", "2", "3", "4"}));
        QVERIFY(writeJournalFile(f.path("big.vsj"), big));
        gui::DLJournal d(f.getter(), f.path("big.vsj"));
        QVERIFY(d.openStartFile());
        QCOMPARE(d.view()->model()->rowCount(), 10000);
        QCOMPARE(d.view()->model()->columnCount(), 6);
    }

    void includeExcludeAndTimeRangeFilter() {
        Fixture f;
        QVERIFY(writeJournalFile(f.path("j.tvj"), k2Journal()));
        gui::DLJournal d(f.getter(), f.path("j.tvj"));
        d.show();
        QVERIFY(d.openStartFile());
        auto rows = [&] { return d.view()->model()->rowCount(); };
        // Every button has its own underlined letter.
        QCOMPARE(test::mnemonicFaults(&d), QStringList());

        // At the start of a word, in any case: "ЛИН" begins the second word.
        typeText(d.includeEdit(), QStringLiteral("лин"));
        QCOMPARE(rows(), 1);
        d.includeEdit()->clear();
        typeText(d.includeEdit(), QStringLiteral("жар"));  // inside a word only
        QCOMPARE(rows(), 0);
        d.includeEdit()->clear();
        QCOMPARE(rows(), 5);

        typeText(d.excludeEdit(), QStringLiteral("пожар"));
        QCOMPARE(rows(), 3);  // "Сброс пожара" has it at a word start too
        d.excludeEdit()->clear();

        test::onModal<gui::TimeRangeDialog>([](gui::TimeRangeDialog* t) {
            t->fromEdit()->setText(QStringLiteral("01/02/24 10:30:00"));
            t->toEdit()->setText(QStringLiteral("03/02/24 09:00:00"));
            t->accept();
        });
        d.button(2056)->click();
        QVERIFY(d.timeRangeBox()->isChecked());
        QCOMPARE(rows(), 3);
        d.timeRangeBox()->setChecked(false);
        QCOMPARE(rows(), 5);
        d.timeRangeBox()->setChecked(true);
        QCOMPARE(rows(), 3);

        typeText(d.includeEdit(), QStringLiteral("шс"));
        dropColumn(d.strip(), 2);
        QCOMPARE(d.strip()->levelCount(), 1);
        d.button(2058)->click();  // "Сброс всех фильтров"
        QCOMPARE(rows(), 5);
        QVERIFY(!d.timeRangeBox()->isChecked());
        QVERIFY(d.includeEdit()->text().isEmpty());
        QVERIFY(d.model().groupColumns().empty());
        QCOMPARE(d.strip()->levelCount(), 0);
        QVERIFY(d.strip()->hint()->isVisibleTo(d.strip()));
    }

    void headerClickSortsAndDroppedHeaderGroups() {
        Fixture f;
        QVERIFY(writeJournalFile(f.path("j.tvj"), k2Journal()));
        gui::DLJournal d(f.getter(), f.path("j.tvj"));
        d.show();
        QVERIFY(d.openStartFile());
        QVERIFY(QTest::qWaitForWindowExposed(&d));

        // A click on "Событие" sorts by it.
        QHeaderView* header = d.view()->header();
        const QPoint centre(header->sectionViewportPosition(1) + header->sectionSize(1) / 2,
                            header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, centre);
        QCOMPARE(d.model().sortColumn(), 1);
        QStringList events;
        for (int r = 0; r < 5; ++r)
            events << cellText(d.view(), r, 1);
        QStringList sorted = events;
        std::sort(sorted.begin(), sorted.end());
        QStringList reversed(sorted.rbegin(), sorted.rend());
        QVERIFY(events == sorted || events == reversed);

        // Dropping "Устройство" on the strip groups by it; the empty value
        // gets its own "(0)" group.
        dropColumn(d.strip(), 3);
        QCOMPARE(d.strip()->levelCount(), 1);
        QCOMPARE(d.strip()->box(0)->text(), QStringLiteral("Устройство"));
        QStringList groups;
        for (int r = 0; r < d.view()->model()->rowCount(); ++r)
            groups << cellText(d.view(), r, 0);
        QVERIFY(groups.contains(QStringLiteral("(0) --- [1]")));
        QVERIFY(groups.contains(QStringLiteral("ДИП 001 --- [2]")));
        QVERIFY(d.view()->isFirstColumnSpanned(0, {}));

        // Sorting is off while grouped.
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, centre);
        QCOMPARE(d.model().sortColumn(), 1);

        // Opening a group shows its records under it.
        const int before = d.view()->model()->rowCount();
        int groupRow = static_cast<int>(groups.indexOf(QStringLiteral("ДИП 001 --- [2]")));
        QTest::mouseClick(
            d.view()->viewport(), Qt::LeftButton, {},
            d.view()->visualRect(d.view()->model()->index(groupRow, 0)).topLeft() + QPoint(6, 6));
        QTRY_COMPARE(d.view()->model()->rowCount(), before + 2);

        // A second level; the same column twice is refused.
        dropColumn(d.strip(), 2);
        dropColumn(d.strip(), 2);
        QCOMPARE(d.strip()->levelCount(), 2);
    }

    void pagingButtons() {
        Fixture f;
        JournalFile file;
        file.kind = kJournalKindK2;
        for (int i = 0; i < 300; ++i) {
            const std::string t =
                "01/02/24 10:" + std::to_string(10 + i / 60) + ":" + std::to_string(10 + i % 50);
            file.records.push_back(rec({t.c_str(), "Пожар", "ШС 1", "ДИП"}));
        }
        QVERIFY(writeJournalFile(f.path("p.tvj"), file));
        gui::DLJournal d(f.getter(), f.path("p.tvj"));
        d.resize(700, 500);
        d.show();
        QVERIFY(d.openStartFile());
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        const int page = d.rowsPerPage();
        QVERIFY(page > 1 && page < 300);

        d.button(2051)->click();  // "Назад на страницу" on the first page
        QCOMPARE(d.selectedRow(), 0);
        d.button(2053)->click();
        QCOMPARE(d.selectedRow(), 1);
        d.button(2052)->click();
        QCOMPARE(d.selectedRow(), 0);
        d.button(2054)->click();
        QCOMPARE(d.selectedRow(), page);
        d.button(2055)->click();
        QCOMPARE(d.selectedRow(), 299);
        d.button(2053)->click();  // not past the last
        QCOMPARE(d.selectedRow(), 299);
        d.button(2050)->click();
        QCOMPARE(d.selectedRow(), 0);
    }

    void activeEventsClassButtonsAndValueFilters() {
        Fixture f;
        JournalFile file;
        file.kind = kJournalKindK2ActiveEvents;
        file.records = {
            rec({"1", "Пожар", "ШС 1", "ДИП 001"}), rec({"2", "Тревога", "ШС 2", "ИО 002"}),
            rec({"1", "Пожар", "ШС 3", "ДИП 003"}), rec({"4", "Неисправность", "ШС 1", "ДИП 004"})};
        QVERIFY(writeJournalFile(f.path("JournalAS.tvj"), file));
        int reads = 0;
        gui::CJournal v(f.getter(), f.path("JournalAS.tvj"),
                        [&](const std::function<int(Progress&)>&) {
                            ++reads;
                            return 0;
                        },
                        {});
        v.show();
        QVERIFY(v.openStartFile());
        QCOMPARE(v.list()->headerItem()->text(0), QStringLiteral("Тип"));
        QCOMPARE(v.list()->topLevelItemCount(), 4);
        QVERIFY(!v.list()->topLevelItem(0)->icon(0).isNull());

        v.classButton(1)->click();  // "Только пожар"
        QCOMPARE(v.classButton(1)->text().remove('&'), QStringLiteral("Только пожар"));
        QCOMPARE(v.list()->topLevelItemCount(), 2);
        v.classButton(4)->click();
        QCOMPARE(v.list()->topLevelItemCount(), 3);

        // The loops list is rebuilt from the records that pass the buttons.
        QComboBox* loops = v.valueList(EventValueFilter::Loops);
        QCOMPARE(loops->itemText(0), QStringLiteral("Все шлейфы"));
        QCOMPARE(loops->count(), 3);  // "ШС 1", "ШС 3"
        loops->setCurrentIndex(loops->findText(QStringLiteral("ШС 1")));
        QCOMPARE(v.list()->topLevelItemCount(), 2);
        QPushButton* mode = v.modeButton(EventValueFilter::Loops);
        QCOMPARE(mode->text().remove('&'), QStringLiteral("Фильтр +"));
        mode->click();
        QCOMPARE(mode->text().remove('&'), QStringLiteral("Фильтр -"));
        // Every button under the toolbar has its own underlined letter.
        QList<QAbstractButton*> buttons;
        for (QPushButton* b : v.findChildren<QPushButton*>())
            buttons << b;
        for (int cls = 1; cls <= 4; ++cls)
            buttons << v.classButton(cls);
        QSet<QKeySequence> mnemonics;
        for (QAbstractButton* b : buttons) {
            if (!b->isVisibleTo(&v)) continue;
            const QKeySequence key = QKeySequence::mnemonic(b->text());
            QVERIFY2(!key.isEmpty() && !mnemonics.contains(key), qPrintable(b->text()));
            mnemonics.insert(key);
        }
        QVERIFY(mnemonics.size() >= 7);
        QCOMPARE(v.list()->topLevelItemCount(), 1);

        v.resetFilters();
        QCOMPARE(v.list()->topLevelItemCount(), 4);
        QVERIFY(!v.classButton(1)->isChecked());
        QCOMPARE(v.valueList(EventValueFilter::Loops)->currentIndex(), 0);

        // Refresh: refused without a database, otherwise read and reloaded.
        v.refreshFromPanel();
        QVERIFY(
            f.prompted("Сначала нужно загрузить базу из файла или прибора", "Загрузка журнала"));
        QCOMPARE(reads, 0);
        f.db->databaseValid = true;
        file.records.pop_back();
        QVERIFY(writeJournalFile(f.path("JournalAS.tvj"), file));
        v.refreshFromPanel();
        QCOMPARE(reads, 1);
        QCOMPARE(v.list()->topLevelItemCount(), 3);
        QCOMPARE(v.countText(), QStringLiteral("Записей: 3 из 3"));

        // A refresh keeps the filters the user set.
        v.classButton(4)->click();
        const int shownBefore = v.list()->topLevelItemCount();
        QVERIFY(shownBefore < 3);
        v.refreshFromPanel();
        QCOMPARE(reads, 2);
        QVERIFY(v.classButton(4)->isChecked());
        QCOMPARE(v.list()->topLevelItemCount(), shownBefore);
        QCOMPARE(v.countText(), QStringLiteral("Записей: %1 из 3").arg(shownBefore));
    }
};

QTEST_MAIN(TestJournalDialog)
#include "test_journal_dialog.moc"
