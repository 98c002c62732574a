// "Записать базу" through the real message boxes: the question after the
// backup has a "Сравнить..." button that opens the compare window over the
// changes and leaves the question open; a write the read-back does not
// confirm is told with the same button; a double click in either compare
// window selects the item in the tree. "Восстановить из копии..." lists the
// family's backups and writes the chosen one; the settings sheet switches
// the family's backup.
#include <QCheckBox>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

#include "app/commands.h"
#include "app/dialogs.h"
#include "app/gui_prompter.h"
#include "app/main_frame.h"
#include "app/trusted_write.h"
#include "editor/c_tree.h"
#include "families/k2/dbk2.h"
#include "gui/gui_helpers.h"
#include "registry/family_registry.h"
#include "service/compare_window.h"
#include "support/temp_dir.h"
#include "write_counting_frame.h"

using namespace tavrin;

namespace {

void doubleClick(QTableWidget* t, int row) {
    const QPoint at = t->visualItemRect(t->item(row, 0)).center();
    QTest::mouseClick(t->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(t->viewport(), Qt::LeftButton, {}, at);
}

QPushButton* buttonOf(QMessageBox* box, const QString& text) {
    for (QAbstractButton* b : box->buttons())
        if (b->text() == text) return qobject_cast<QPushButton*>(b);
    return nullptr;
}

// The panel answers every write without keeping it; questions go through
// the real message boxes.
using Fixture = test::WriteCountingFrame<gui::GuiPrompter>;

}  // namespace

class TestWriteFlow : public QObject {
    Q_OBJECT
  private slots:
    void compareFromTheQuestionAndFromTheFailedCheck() {
        Fixture f;
        f.db().panelBlock[0] = 30;  // one item differs from the panel's database
        QString question, failure;
        int compared = 0;
        QStringList titles;
        const auto closeCompare = [&] {
            test::onModal<gui::CompareWindow>([&](gui::CompareWindow* w) {
                ++compared;
                titles << w->table()->horizontalHeaderItem(2)->text()
                       << w->table()->horizontalHeaderItem(3)->text();
                QCOMPARE(w->entries().size(), std::size_t{1});
                w->reject();
            });
        };
        test::onModal<QMessageBox>([&](QMessageBox* box) {
            question = box->text();
            QPushButton* compare = buttonOf(box, QStringLiteral("Сравнить..."));
            QVERIFY(compare);
            closeCompare();
            compare->click();  // the compare window runs and closes; the question stays
            QVERIFY(box->isVisible());
            test::onModal<QMessageBox>([&](QMessageBox* error) {
                failure = error->text();
                QPushButton* again = buttonOf(error, QStringLiteral("Сравнить..."));
                QVERIFY(again);
                closeCompare();
                again->click();
                QVERIFY(error->isVisible());
                error->button(QMessageBox::Ok)->click();
            });
            box->button(QMessageBox::Yes)->click();
        });
        f.frame->runCommand(kCmdWriteDatabase);
        QVERIFY2(question.startsWith(QStringLiteral("Подтвердите запись базы в прибор.\n"
                                                    "Изменится элементов: 1\n")),
                 qPrintable(question));
        QCOMPARE(f.writes, 1);
        QCOMPARE(compared, 2);
        QCOMPARE(titles, (QStringList{"База прибора", "База для записи", "Записанная база",
                                      "База прибора"}));
        QVERIFY2(failure.startsWith(QStringLiteral("Запись не подтверждена")), qPrintable(failure));
        QVERIFY(failure.contains(QStringLiteral("Время задержки на Вход-Выход: 30 → 0")));
        QVERIFY(failure.contains(QStringLiteral("Копия базы прибора до записи: Талвир_К2_0_")));
    }

    void doubleClickInTheWritesCompareWindowSelectsTheItem() {
        // The panel holds an empty database; the one written has two keys:
        // they are added for the question (panel → file) and missing from the
        // panel for the failed check (written → panel). Either way the row
        // names the item of the tree.
        Fixture f;
        f.frame->show();
        for (int k = 0; k < 2; ++k) {
            const int key = f.db().CreateKey();
            for (int b = 0; b < 6; ++b)
                f.db().keys[static_cast<std::size_t>(key)][k2::kKeyCode + b] =
                    static_cast<std::uint8_t>(k * 11 + b + 1);
        }
        f.frame->databaseChanged(0);
        gui::CTree* tree = f.frame->leftTree();
        const auto current = [tree] { return tree->editor().pathOf(tree->editor().current()); };
        const ItemPath start = current();
        QList<QPair<ItemPath, ItemPath>> chosen;  // (the row's item, the tree's current item)
        const auto chooseDevice = [&](DiffEntry::Kind kind, bool oursInTree) {
            test::onModal<gui::CompareWindow>([&, kind, oursInTree](gui::CompareWindow* w) {
                for (std::size_t i = w->entries().size(); i-- > 0;) {
                    const DiffEntry& e = w->entries()[i];
                    if (e.kind != kind) continue;
                    tree->selectPath(start);
                    doubleClick(w->table(), static_cast<int>(i));
                    chosen.append({oursInTree ? e.ours : e.theirs, current()});
                    break;
                }
                w->reject();
            });
        };
        test::onModal<QMessageBox>([&](QMessageBox* box) {
            chooseDevice(DiffEntry::Kind::Added, false);
            buttonOf(box, QStringLiteral("Сравнить..."))->click();
            test::onModal<QMessageBox>([&](QMessageBox* error) {
                chooseDevice(DiffEntry::Kind::Removed, true);
                buttonOf(error, QStringLiteral("Сравнить..."))->click();
                error->button(QMessageBox::Ok)->click();
            });
            box->button(QMessageBox::Yes)->click();
        });
        f.frame->runCommand(kCmdWriteDatabase);
        QCOMPARE(chosen.size(), 2);
        for (const auto& [item, selected] : chosen) {
            QVERIFY(!item.empty());
            QVERIFY(item != start);
            QCOMPARE(selected, item);
        }
    }

    void restoreListsTheBackupsNewestFirst() {
        Fixture f;
        test::writeIni(f.dir / "Tavrin.ini", "[Талвир_К2]\r\nКопия_перед_записью=нет\r\n");
        std::filesystem::create_directories(f.dir / "backups");
        for (const char* name :
             {"Талвир_К2_0_2026-01-02_10-00-00.bta", "Талвир_К2_0_2026-03-01_09-00-00.bta"}) {
            AppContext c = makeAppContext(f.dir.path());
            DBK2 db(0, c);
            QVERIFY(db.SaveToDisk(pathToUtf8(f.dir / "backups" / name)));
        }
        QStringList files;
        QString question;
        test::onModal<gui::BackupListDialog>([&](gui::BackupListDialog* d) {
            for (int r = 0; r < d->table()->rowCount(); ++r)
                files << d->table()->item(r, 2)->text();
            QCOMPARE(d->table()->item(0, 0)->text(), QStringLiteral("01.03.2026 09:00:00"));
            test::onModal<QMessageBox>([&](QMessageBox* box) {
                question = box->text();
                QCOMPARE(box->windowTitle(), QStringLiteral("Восстановление из копии"));
                box->button(QMessageBox::Yes)->click();
            });
            d->table()->selectRow(1);
            d->accept();
        });
        f.frame->runCommand(kCmdRestoreBackup);
        QCOMPARE(files, (QStringList{"Талвир_К2_0_2026-03-01_09-00-00.bta",
                                     "Талвир_К2_0_2026-01-02_10-00-00.bta"}));
        QCOMPARE(question, QStringLiteral("Подтвердите запись базы в прибор.\n"
                                          "Копия базы прибора перед записью не сохраняется."));
        QCOMPARE(f.writes, 1);
        QCOMPARE(f.frame->statusText(), QStringLiteral("Команда выполнена. Запись проверена."));
    }

    void settingsSheetSwitchesTheFamilysBackup() {
        Fixture f;
        const FamilyTraits& k2 = familyTraits(Family::K2);
        QVERIFY(backupBeforeWrite(k2, f.ctx.settingsPath));  // on by default
        bool shown = false;
        test::onModal<gui::CDlgParam>([&](gui::CDlgParam* d) {
            shown = true;
            QVERIFY(d->backupBox->isChecked());
            QVERIFY(d->backupBox->text().endsWith(QStringLiteral("(Талвир К2)")));
            d->backupBox->setChecked(false);
            d->accept();
        });
        f.frame->runCommand(kCmdProgramSettings);
        QVERIFY(shown);
        QVERIFY(!backupBeforeWrite(k2, f.ctx.settingsPath));
        // Without a backup the question says so, and nothing is saved.
        QString question;
        test::onModal<QMessageBox>([&](QMessageBox* box) {
            question = box->text();
            QVERIFY(!buttonOf(box, QStringLiteral("Сравнить...")));
            box->button(QMessageBox::No)->click();
        });
        f.frame->runCommand(kCmdWriteDatabase);
        QCOMPARE(question, QStringLiteral("Подтвердите запись базы в прибор.\n"
                                          "Копия базы прибора перед записью не сохраняется."));
        QCOMPARE(f.writes, 0);
        QVERIFY(!std::filesystem::exists(f.dir / "backups"));
    }
};

QTEST_MAIN(TestWriteFlow)
#include "test_write_flow.moc"
