// A "Версан С5" database in the real tree and grid, driven as a user drives
// them: the object's two check-list tabs and a key's read-only one, the link
// test refusing a loop, and drags that follow the paste rules (a refused drop
// says why in the status bar).
#include <QApplication>
#include <QListWidget>
#include <QTabWidget>
#include <QtTest>

#include "families/s5/dbs5.h"
#include "views_fixture.h"

using namespace tavrin;
using namespace tavrin::s5;

namespace {

// Item code 1 names no item of this family: the fixture's "anywhere".
using S5Views = test::BasicViewsFixture<DBS5, 1>;

// LCP 1: "Корпус" over "Зона", "Склад" holding device 0, a loose device 1,
// a key with the right to arm; LCP 2: one device.
struct Fixture : S5Views {
    int top = 0, zone = 0, store = 0, held = 0, loose = 0, key = 0, remote = 0;
    Fixture() {
        db.AddLcp();
        db.AddLcp();
        LcpDatabase& d = *db.lcp(1);
        top = object("Корпус");
        zone = object("Зона");
        d.setObjectParent(zone, top);
        store = object("Склад");
        d.objects[static_cast<std::size_t>(store)][obj::kFlags] = 0x02;
        held = db.CreateElement(17, 1);
        d.setDeviceObject(held, store);
        loose = db.CreateElement(17, 1);
        key = db.NewLcpKey(1);
        d.keys[static_cast<std::size_t>(key)][key::kRights] = 0x01;
        remote = db.CreateElement(17, 2);
        tree->rebuild();
        tree->expandAll();
    }
    int object(const char* name) {
        const int j = db.NewObject(1);
        setNameText(objectName(db.lcp(1)->objects[static_cast<std::size_t>(j)]), name);
        return j;
    }
    QString tabText(int i) const { return grid->tabs()->tabText(i); }
};

QString u(const char* s) {
    return QString::fromUtf8(s);
}

}  // namespace

class TestS5Tree : public QObject {
    Q_OBJECT
  private slots:
    void objectTabsMoveDevicesAndSubordinates() {
        Fixture f;
        f.click(objectItem(1, f.zone), 1);
        QVERIFY(f.grid->tabs()->isTabVisible(1) && f.grid->tabs()->isTabVisible(2));
        QCOMPARE(f.tabText(1), u("Связанные АУ"));
        QCOMPARE(f.tabText(2), u("Подчиненные объекты"));

        // Both devices come into the zone.
        f.grid->tabs()->setCurrentIndex(1);
        QListWidget* devices = f.grid->checkList(0);
        QCOMPARE(devices->count(), 2);
        devices->item(0)->setCheckState(Qt::Checked);
        devices->item(1)->setCheckState(Qt::Checked);

        // "Корпус" is above the zone: the link test refuses it and the mark
        // goes back; "Склад" comes under the zone.
        f.grid->tabs()->setCurrentIndex(2);
        QListWidget* children = f.grid->checkList(1);
        QCOMPARE(children->count(), 2);
        QCOMPARE(children->item(0)->text(), u("Корпус"));
        children->item(0)->setCheckState(Qt::Checked);
        QCOMPARE(QString::fromStdString(f.prompter.calls.back().text),
                 u("Объект \"Корпус\" стоит выше в цепочке подчинения: подчинить его нельзя!"));
        QCOMPARE(children->item(0)->checkState(), Qt::Unchecked);
        children->item(1)->setCheckState(Qt::Checked);

        // Leaving the object writes the marks; the tree follows.
        f.click(lcpItem(1), 1);
        const LcpDatabase& d = *f.db.lcp(1);
        QCOMPARE(int(d.devices[static_cast<std::size_t>(f.held)][dev::kObject]), f.zone + 1);
        QCOMPARE(int(d.devices[static_cast<std::size_t>(f.loose)][dev::kObject]), f.zone + 1);
        QCOMPARE(int(d.objects[static_cast<std::size_t>(f.store)][obj::kParent]), f.zone + 1);
        QCOMPARE(int(d.objects[static_cast<std::size_t>(f.top)][obj::kParent]), 0);
        QCOMPARE(f.tree->indexOfCode(objectItem(1, f.store)).parent(),
                 f.tree->indexOfCode(objectItem(1, f.zone)));
        QCOMPARE(f.tree->indexOfCode(deviceItem(1, f.loose)).parent(),
                 f.tree->indexOfCode(objectItem(1, f.zone)));

        // A device has no check list.
        f.tree->expandAll();
        f.click(deviceItem(1, f.loose), 1);
        QVERIFY(!f.grid->tabs()->isTabVisible(1) && !f.grid->tabs()->isTabVisible(2));
    }

    void aKeyShowsTheObjectsItReachesOnly() {
        Fixture f;
        f.click(keyItem(1, f.key), 1);
        QVERIFY(f.grid->tabs()->isTabVisible(1));
        QVERIFY(!f.grid->tabs()->isTabVisible(2));
        QCOMPARE(f.tabText(1), u("Связанные объекты"));
        QListWidget* objects = f.grid->checkList(0);
        QCOMPARE(objects->count(), 3);
        QCOMPARE(objects->item(2)->text(), u("Склад"));
        QCOMPARE(objects->item(2)->checkState(), Qt::Checked);
        QCOMPARE(objects->item(0)->checkState(), Qt::Unchecked);
        QVERIFY(!(objects->item(2)->flags() & Qt::ItemIsUserCheckable));
    }

    void dragsFollowThePasteRules() {
        Fixture f;
        // A device dragged into another LCP: not taken, and the status bar
        // says why.
        f.drag(f.index(deviceItem(1, f.loose), 1), lcpItem(2), 1,
               [&] { QCOMPARE(f.status, u("Перенос")); });
        QCOMPARE(f.status, u("Перенос отменен: Перенос АУ в другое LCP недопустим!"));
        QVERIFY(f.db.lcp(1)->deviceUsed(f.loose));
        QCOMPARE(f.db.lcp(2)->deviceCount, 1);

        // "Корпус" dragged onto its own subordinate: the link test refuses.
        f.drag(f.index(objectItem(1, f.top), 1), objectItem(1, f.zone), 1);
        QCOMPARE(f.status, u("Перенос отменен: ") + QString::fromUtf8(DBS5::kObjectLoop));
        QCOMPARE(int(f.db.lcp(1)->objects[static_cast<std::size_t>(f.zone)][obj::kParent]),
                 f.top + 1);

        // A device dragged onto an object of its LCP moves into it, and an
        // object dragged onto another moves with what it holds.
        f.drag(f.index(deviceItem(1, f.loose), 1), objectItem(1, f.zone), 1);
        QCOMPARE(int(f.db.lcp(1)->devices[static_cast<std::size_t>(f.loose)][dev::kObject]),
                 f.zone + 1);
        f.tree->expandAll();
        f.drag(f.index(objectItem(1, f.store), 1), objectItem(1, f.zone), 1);
        const LcpDatabase& d = *f.db.lcp(1);
        QCOMPARE(int(d.objects[static_cast<std::size_t>(f.store)][obj::kParent]), f.zone + 1);
        QCOMPARE(int(d.devices[static_cast<std::size_t>(f.held)][dev::kObject]), f.store + 1);
        QCOMPARE(f.currentCode(), objectItem(1, f.store));
    }
};

QTEST_MAIN(TestS5Tree)
#include "test_s5_tree.moc"
