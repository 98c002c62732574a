// Printing through QPainter on a QPrinter writing PDF: the journal dialog's
// list (all pages, a page range, the selection) and the "Талвир К2"
// database. The PDF's text, taken out with pdftotext, must hold the title
// with the date, the headings, the rows and the page footers.
#include <QDate>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPrinter>
#include <QProcess>
#include <QTreeView>
#include <QtTest>

#include "families/k2/dbk2.h"
#include "families/s5/dbs5.h"
#include "gui/gui_helpers.h"
#include "journal/journal_window.h"
#include "service/list_printer.h"
#include "service/viewer_dialogs.h"
#include "support/recording_prompter.h"
#include "support/temp_dir.h"

using namespace tavrin;

namespace {

// A clock fixed on 05.03.2024.
class FixedClock : public SystemClock {
  public:
    LocalTime now() const override {
        LocalTime t;
        t.year = 2024;
        t.month = 3;
        t.day = 5;
        return t;
    }
};

// The print dialog answered with a PDF file and the given choice.
class PdfDialogs : public gui::ViewerDialogs {
  public:
    bool choosePrinter(QWidget*, QPrinter& printer, int lastPage, bool hasSelection,
                       PrintListRequest& request) override {
        offeredPages = lastPage;
        offeredSelection = hasSelection;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        request.range = range;
        request.fromPage = from;
        request.toPage = to;
        return true;
    }
    QString pdf;
    PrintListRequest::Range range = PrintListRequest::Range::All;
    int from = 1, to = 100;
    int offeredPages = -1;
    bool offeredSelection = false;
};

QString pdfText(const QString& pdf) {
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    if (!p.waitForFinished(30000)) return {};
    return QString::fromUtf8(p.readAllStandardOutput());
}

QString pdfTitle(const QString& pdf) {
    QProcess p;
    p.start(QStringLiteral("pdfinfo"), {pdf});
    if (!p.waitForFinished(30000)) return {};
    for (const QString& line : QString::fromUtf8(p.readAllStandardOutput()).split('\n')) {
        if (line.startsWith(QStringLiteral("Title:"))) return line.mid(6).trimmed();
    }
    return {};
}

struct Fixture {
    test::TempDir dir;
    test::RecordingPrompter prompter;
    FixedClock clock;
    AppContext ctx;
    std::unique_ptr<DBK2> db;
    PdfDialogs dialogs;

    Fixture() {
        ctx = makeAppContext(dir.path());
        ctx.prompter = &prompter;
        ctx.clock = &clock;
        db = std::make_unique<DBK2>(0, ctx);
        dialogs.pdf = QString::fromStdString(pathToUtf8(dir / "out.pdf"));
        gui::setViewerDialogs(&dialogs);
    }
    ~Fixture() { gui::setViewerDialogs(nullptr); }
    gui::DatabaseGetter getter() {
        return [this] { return static_cast<DBase*>(db.get()); };
    }

    // A journal of `n` records "Событие NNN" and its dialog.
    std::unique_ptr<gui::DLJournal> journal(int n) {
        JournalFile file;
        file.kind = kJournalKindK2;
        for (int i = 0; i < n; ++i) {
            char event[32];
            std::snprintf(event, sizeof event, "Событие %03d", i);
            file.records.push_back({std::string("01/02/24 10:00:00"), std::string(event),
                                    std::string("ШС 1"), std::string("ДИП 001")});
        }
        const std::string path = pathToUtf8(dir / "j.tvj");
        writeJournalFile(path, file);
        auto d = std::make_unique<gui::DLJournal>(getter(), path);
        d->openStartFile();
        return d;
    }
};

}  // namespace

class TestServicePrint : public QObject {
    Q_OBJECT
  private slots:
    void journalPrintsTitleHeadingsRowsAndFooters() {
        Fixture f;
        auto d = f.journal(120);
        d->print();
        QCOMPARE(f.dialogs.offeredPages, 3);  // 120 rows offer pages 1 to 3
        QVERIFY(!f.dialogs.offeredSelection);
        const QString text = pdfText(f.dialogs.pdf);
        QVERIFY2(text.contains(QStringLiteral("05.03.2024г. Журнал")), qPrintable(text.left(300)));
        for (const char* heading : {"Время", "Событие", "Шлейф", "Устройство"})
            QVERIFY(text.contains(QString::fromUtf8(heading)));
        QVERIFY(text.contains(QStringLiteral("Событие 000")));
        QVERIFY(text.contains(QStringLiteral("Событие 119")));
        QVERIFY(text.contains(QStringLiteral("ДИП 001")));
        QVERIFY(text.contains(QStringLiteral("стр. 1")));
        QVERIFY(text.contains(QStringLiteral("стр. 2")));
        // Nothing here puts up a question or an error.
        QVERIFY2(f.prompter.calls.empty(), qPrintable(test::shownPrompts(f.prompter)));
    }

    void pageRangeAndSelection() {
        Fixture f;
        auto d = f.journal(120);
        f.dialogs.range = PrintListRequest::Range::Pages;
        f.dialogs.from = 2;
        f.dialogs.to = 2;
        d->print();
        QString text = pdfText(f.dialogs.pdf);
        QVERIFY(!text.contains(QStringLiteral("Событие 000")));
        QVERIFY(text.contains(QStringLiteral("Событие 060")));
        QVERIFY(!text.contains(QStringLiteral("стр. 1")) &&
                !text.contains(QStringLiteral("стр. 3")));
        QVERIFY(text.contains(QStringLiteral("стр. 2")));

        // Two selected rows: one page under "  Выборочная печать".
        auto* sel = d->view()->selectionModel();
        sel->select(d->view()->model()->index(5, 0),
                    QItemSelectionModel::Select | QItemSelectionModel::Rows);
        sel->select(d->view()->model()->index(77, 0),
                    QItemSelectionModel::Select | QItemSelectionModel::Rows);
        f.dialogs.range = PrintListRequest::Range::Selection;
        d->print();
        QVERIFY(f.dialogs.offeredSelection);
        text = pdfText(f.dialogs.pdf);
        QVERIFY(text.contains(QStringLiteral("05.03.2024г. Журнал Выборочная печать")));
        // The print job carries the title line with its two blanks.
        QCOMPARE(pdfTitle(f.dialogs.pdf), QStringLiteral("05.03.2024г. Журнал  Выборочная печать"));
        QVERIFY(text.contains(QStringLiteral("Событие 005")));
        QVERIFY(text.contains(QStringLiteral("Событие 077")));
        QVERIFY(!text.contains(QStringLiteral("Событие 006")));
        QVERIFY(!text.contains(QStringLiteral("стр. 2")));
        // Nothing here puts up a question or an error.
        QVERIFY2(f.prompter.calls.empty(), qPrintable(test::shownPrompts(f.prompter)));
    }

    void databasePrintout() {
        Fixture f;
        f.db->CreateElement(0, -1);
        f.db->CreateKey();
        QVERIFY(gui::printDatabase(nullptr, *f.db));
        QCOMPARE(f.dialogs.offeredPages, 0);
        const QString text = pdfText(f.dialogs.pdf);
        QVERIFY2(text.contains(QStringLiteral("База данных прибора Талвир К2.")),
                 qPrintable(text.left(300)));
        for (const char* word : {"Название", "Параметр", "Значение", "Устройства", "Шлейфы",
                                 "Ключи", "Ключ_1", "стр. 1"})
            QVERIFY2(text.contains(QString::fromUtf8(word)), word);
        // Nothing here puts up a question or an error.
        QVERIFY2(f.prompter.calls.empty(), qPrintable(test::shownPrompts(f.prompter)));
    }

    void consoleDatabasePrintout() {
        Fixture f;
        DBS5 console(0, f.ctx);
        const int l = console.AddLcp();
        const int o = console.NewObject(l);
        s5::setNameText(s5::objectName(console.lcp(l)->objects[static_cast<std::size_t>(o)]),
                        "Склад");
        console.CreateElement(17, l);
        console.CreateKey();
        QVERIFY(gui::printDatabase(nullptr, console));
        const QString text = pdfText(f.dialogs.pdf);
        for (const char* word : {"База данных прибора Версан С5.", "Пульт", "Ключи пульта", "LCP 1",
                                 "Склад", "ВЕРС-ДИП 0", "Тип устройства", "стр. 1"})
            QVERIFY2(text.contains(QString::fromUtf8(word)), word);
        // Nothing here puts up a question or an error.
        QVERIFY2(f.prompter.calls.empty(), qPrintable(test::shownPrompts(f.prompter)));
    }
};

QTEST_MAIN(TestServicePrint)
#include "test_service_print.moc"
