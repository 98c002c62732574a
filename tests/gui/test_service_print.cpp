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
#include "report/print_list.h"
#include "service/list_printer.h"
#include "service/qt_print_surface.h"
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
        // A time column narrowed on screen still prints whole times.
        d->view()->header()->resizeSection(0, 30);
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
        QVERIFY(text.contains(QStringLiteral("01/02/24 10:00:00")));
        QVERIFY(text.contains(QStringLiteral("стр. 1")));
        QVERIFY(text.contains(QStringLiteral("стр. 2")));
        // Nothing here puts up a question or an error.
        QVERIFY2(f.prompter.calls.empty(), qPrintable(test::shownPrompts(f.prompter)));
    }

    void groupRowsDoNotCrossTheColumnLines() {
        // A journal grouped by a column: its group rows span the table, so
        // the inner column lines stop at them; the outer frame goes on.
        ReportList list;
        list.columns = {{"Время", 200}, {"Событие", 200}, {"Шлейф", 200}};
        list.addRow({"Пожар --- [2]", "", ""});
        list.addRow({"01.02.24 10:00", "Пожар", "ШС 1"});
        list.addRow({"01.02.24 10:05", "Пожар", "ШС 2"});
        QImage page(1200, 1650, QImage::Format_RGB32);
        page.fill(Qt::white);
        QPainter painter(&page);
        painter.setFont(QFont(gui::printFont(), &page));
        gui::QtPrintSurface surface(painter, nullptr);
        PrintList(surface, {"Время", "Событие", "Шлейф"}, list, "Журнал", 0, {}, {});
        painter.end();

        // The layout of the printout: rows of V/55 from 3 rows and 20 down,
        // column edges from 20 units on, at the page's width over 105 % of
        // the columns' widths.
        const int h = page.height() / 55;
        const int groupTop = 3 * h + 20;
        const int w = page.width();
        const int edges[] = {20 * w / 630, 20 * w / 630 + 200 * w / 630,
                             20 * w / 630 + 2 * (200 * w / 630)};
        auto dark = [&](int x, int from, int to) {
            int n = 0;
            for (int y = from; y < to; ++y)
                n += qGray(page.pixel(x, y)) < 128 ? 1 : 0;
            return n;
        };
        for (int x : {edges[1], edges[2]}) {  // the inner lines
            QVERIFY2(dark(x, groupTop + 1, groupTop + h - 1) < h / 2,
                     qPrintable(QString::number(x)));
            QCOMPARE(dark(x, groupTop + h + 1, groupTop + 3 * h - 1), 2 * h - 2);
            QCOMPARE(dark(x, 2 * h + 1, groupTop - 1), groupTop - 2 * h - 2);
        }
        QCOMPARE(dark(edges[0], groupTop, groupTop + h), h);  // the frame
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
