// "Версан С5" data model: allocation and counts, removal with its clean-up,
// object types, the link test, packing, LCP removal and the edit rules.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "families/s5/dbs5.h"
#include "link/result_codes.h"
#include "support/strict_prompter.h"
#include "support/temp_dir.h"

using namespace tavrin;
using namespace tavrin::s5;

namespace {

class S5Model : public ::testing::Test {
  protected:
    S5Model() : ctx(makeAppContext(dir.path())) {
        ctx.prompter = &prompter;
        db = std::make_unique<DBS5>(0, ctx);
    }

    LcpDatabase& addLcp() { return *db->lcp(db->AddLcp()); }
    int newObject(int l, const std::string& name, int parent = -1) {
        const int j = db->NewObject(l);
        setNameText(objectName(db->lcp(l)->objects[j]), name);
        if (parent >= 0)
            db->lcp(l)->objects[j][obj::kParent] = static_cast<std::uint8_t>(parent + 1);
        return j;
    }
    int newDevice(int l, const std::string& name, int object = -1) {
        const int j = db->CreateElement(17, l);
        setNameText(deviceName(db->lcp(l)->devices[j]), name);
        if (object >= 0) db->lcp(l)->setDeviceObject(j, object);
        return j;
    }
    static bool bit(const ObjectRecord& o, std::size_t map, int slot) {
        return (o[map + slot / 8] >> (slot % 8)) & 1;
    }

    test::TempDir dir;
    test::StrictPrompter prompter;
    AppContext ctx;
    std::unique_ptr<DBS5> db;
};

}  // namespace

TEST_F(S5Model, FreshDatabaseAndFamilyFields) {
    EXPECT_EQ(db->familyCode, 3);
    EXPECT_EQ(db->title, "Конфигуратор Версан С5");
    EXPECT_EQ(db->readTotalTimeoutConstant, 5000u);
    EXPECT_EQ(db->lcpCount(), 0);
    EXPECT_EQ(db->commonKeyCount, 0);
    EXPECT_EQ(getU16(db->commonKeys[999], key::kNumber), 1000);
    EXPECT_EQ(db->CheckDatabase(nullptr, nullptr, nullptr), 0);
    EXPECT_TRUE(db->writable);
}

TEST_F(S5Model, DevicesTakeTheFirstFreeSlotUpTo255) {
    addLcp();
    EXPECT_EQ(db->CreateElement(17, 2), -1);  // no LCP 2
    for (int i = 0; i < kSlots; ++i)
        ASSERT_EQ(db->CreateElement(17, 1), i);
    EXPECT_EQ(db->CreateElement(17, 1), -1);  // the 256th device
    EXPECT_EQ(db->lcp(1)->deviceCount, 255);

    db->RemoveElement(deviceItem(1, 1));
    EXPECT_EQ(db->lcp(1)->deviceCount, 255);
    EXPECT_EQ(db->CreateElement(12, 1), 1);  // fills the hole
    EXPECT_EQ(db->lcp(1)->deviceCount, 255);
    EXPECT_TRUE(db->lcp(1)->needsPacking);
}

TEST_F(S5Model, CountFallsToTheNextUsedSlotWhenTheLastIsRemoved) {
    LcpDatabase& l = addLcp();
    for (int i = 0; i < 6; ++i)
        db->CreateElement(17, 1);
    for (int j : {1, 2, 4})
        db->RemoveElement(deviceItem(1, j));
    EXPECT_EQ(l.deviceCount, 6);
    db->RemoveElement(deviceItem(1, 5));  // devices remain in 0 and 3
    EXPECT_EQ(l.deviceCount, 4);
    db->RemoveElement(deviceItem(1, 3));
    db->RemoveElement(deviceItem(1, 0));
    EXPECT_EQ(l.deviceCount, 0);
    EXPECT_EQ(l.devices[0], DeviceRecord{});  // a free slot is zero
}

TEST_F(S5Model, NewDeviceTakesClassFlagsAndLabelFromItsType) {
    addLcp();
    for (int i = 0; i < 5; ++i)
        db->CreateElement(17, 1);
    const int before = db->modified;
    ASSERT_EQ(db->CreateElement(37, 1), 5);
    const DeviceRecord& d = db->lcp(1)->devices[5];
    EXPECT_EQ(d[dev::kNumber], 5);
    EXPECT_EQ(d[dev::kType], 37);
    EXPECT_EQ(d[dev::kClass], 8);
    EXPECT_EQ(d[dev::kFlags], 0x82);
    EXPECT_EQ(nameText(deviceName(d)), "ВЕРС-ИПР 5");
    EXPECT_GT(db->modified, before);
    EXPECT_TRUE(db->lcp(1)->changed);

    struct Case {
        int type;
        int deviceClass;
        int flags;
        const char* name;
    };
    const Case cases[] = {{84, 1, 0xA0, "ВЕРС-КТМ 6"},
                          {49, 4, 0x81, "ВЕРС-УПТ 7"},
                          {67, 0, 0x81, "БПА 8"},
                          {99, 0, 0, ""}};
    for (const auto& c : cases) {
        const int j = db->CreateElement(c.type, 1);
        const DeviceRecord& r = db->lcp(1)->devices[j];
        EXPECT_EQ(r[dev::kClass], c.deviceClass) << c.type;
        EXPECT_EQ(r[dev::kFlags], c.flags) << c.type;
        EXPECT_EQ(nameText(deviceName(r)), c.name) << c.type;
    }
}

TEST_F(S5Model, RemovingAnObjectClearsEveryReferenceToIt) {
    addLcp();
    addLcp();
    const int top = newObject(1, "top");
    const int mid = newObject(1, "mid", top);
    const int leaf = newObject(1, "leaf", mid);
    db->lcp(1)->objects[top][obj::kSubMap] = 1u << mid;
    const int d = newDevice(1, "d", mid);
    const int remote = newObject(2, "remote");
    db->lcp(2)->objects[remote][obj::kLinkedLcp] = 1;
    db->lcp(2)->objects[remote][obj::kLinkedObject] = static_cast<std::uint8_t>(mid + 1);

    db->RemoveElement(objectItem(1, mid));
    const LcpDatabase& l = *db->lcp(1);
    EXPECT_FALSE(l.objectUsed(mid));
    EXPECT_EQ(l.objects[leaf][obj::kParent], 0);
    EXPECT_FALSE(bit(l.objects[top], obj::kSubMap, mid));
    EXPECT_EQ(l.devices[d][dev::kObject], 0);
    EXPECT_EQ(db->lcp(2)->objects[remote][obj::kLinkedLcp], 0);
    EXPECT_EQ(db->lcp(2)->objects[remote][obj::kLinkedObject], 0);
    EXPECT_EQ(l.objectCount, 3);
    EXPECT_TRUE(l.needsPacking);
}

TEST_F(S5Model, RemovingADeviceClearsItsBitmapBit) {
    addLcp();
    const int o = newObject(1, "o");
    const int d = newDevice(1, "d", o);
    EXPECT_TRUE(bit(db->lcp(1)->objects[o], obj::kDeviceMap, d));
    db->RemoveElement(deviceItem(1, d));
    EXPECT_FALSE(bit(db->lcp(1)->objects[o], obj::kDeviceMap, d));
    EXPECT_EQ(db->lcp(1)->deviceCount, 0);
}

TEST_F(S5Model, ConsoleKeysNumberAndPack) {
    for (int i = 0; i < 4; ++i)
        ASSERT_EQ(db->CreateKey(), i);
    EXPECT_EQ(getU16(db->commonKeys[3], key::kNumber), 4);
    EXPECT_TRUE(db->commonKeysChanged);
    setNameText(keyOwner(db->commonKeys[3]), "last");
    db->RemoveKey(1);
    EXPECT_EQ(db->commonKeyCount, 4);
    EXPECT_TRUE(db->commonKeysNeedPacking);  // the hole must not be saved as a key
    db->RemoveElement(commonKeyItem(3));
    EXPECT_EQ(db->commonKeyCount, 3);
    db->CreateKey();  // slot 1 again
    db->RemoveKey(0);
    setNameText(keyOwner(db->commonKeys[2]), "two");
    EXPECT_TRUE(db->Pack());
    EXPECT_EQ(db->commonKeyCount, 2);
    EXPECT_EQ(getU16(db->commonKeys[1], key::kNumber), 2);
    EXPECT_EQ(nameText(keyOwner(db->commonKeys[1])), "two");
    EXPECT_EQ(db->commonKeyUsed[2], 0);
    EXPECT_FALSE(db->commonKeysNeedPacking);
}

TEST_F(S5Model, ObjectTypesFollowParentsAndLinks) {
    addLcp();
    addLcp();
    const int top = newObject(1, "top");
    const int virt = newObject(1, "virtual", top);
    db->lcp(1)->objects[virt][obj::kFlags] = obj::kFlagVirtual | 0x07;  // stale type bits
    newDevice(1, "fire", virt);                                         // gives bit 1
    const int main = newObject(2, "main");
    const int linked = newObject(2, "linked");
    ObjectRecord& lo = db->lcp(2)->objects[linked];
    lo[obj::kLinkedLcp] = 1;
    lo[obj::kLinkedObject] = static_cast<std::uint8_t>(top + 1);
    const int d2 = newDevice(2, "guard", linked);
    db->lcp(2)->devices[d2][dev::kFlags] = dev::kFlagTypeBit2;  // gives bit 2
    const int stop = newObject(2, "stop");
    ObjectRecord& so = db->lcp(2)->objects[stop];
    so[obj::kFlags] = obj::kFlagMain;
    so[obj::kLinkedLcp] = 2;
    so[obj::kLinkedObject] = static_cast<std::uint8_t>(main + 1);
    const int d3 = newDevice(2, "out", stop);
    db->lcp(2)->devices[d3][dev::kFlags] = dev::kFlagTypeBit4;  // gives bit 4

    db->MarkObjects();
    EXPECT_EQ(db->lcp(1)->objects[virt][obj::kFlags], obj::kFlagVirtual);  // unchanged type
    EXPECT_EQ(db->lcp(1)->objects[top][obj::kFlags], 1 | 2);  // via parent and via the link
    EXPECT_EQ(db->lcp(2)->objects[linked][obj::kFlags], 2);
    EXPECT_EQ(db->lcp(2)->objects[stop][obj::kFlags], obj::kFlagMain | 4);
    EXPECT_EQ(db->lcp(2)->objects[main][obj::kFlags], 0);  // a main object ends the chain

    EXPECT_TRUE(db->IsDescendant(2, linked, 1, top));
    EXPECT_TRUE(db->IsDescendant(1, virt, 1, virt));
    EXPECT_FALSE(db->IsDescendant(1, top, 2, linked));
    EXPECT_FALSE(db->IsDescendant(2, stop, 2, main));
}

TEST_F(S5Model, CyclesOfParentsAndLinksEndTheWalk) {
    addLcp();
    const int a = newObject(1, "a");
    const int b = newObject(1, "b", a);
    db->lcp(1)->objects[a][obj::kParent] = static_cast<std::uint8_t>(b + 1);
    newDevice(1, "d", a);
    db->MarkObjects();
    EXPECT_EQ(db->lcp(1)->objects[a][obj::kFlags], 1);
    EXPECT_EQ(db->lcp(1)->objects[b][obj::kFlags], 1);
    EXPECT_FALSE(db->IsDescendant(1, a, 1, 7));
    db->Pack();  // every object still placed once
    EXPECT_EQ(db->lcp(1)->objectCount, 2);
}

// Packing with holes: every reference (parents, child bitmaps, device
// objects, device bitmaps, cross-LCP links, key numbers) names the same
// record afterwards. Records are told apart by their names.
TEST_F(S5Model, PackingKeepsEveryReference) {
    addLcp();
    addLcp();
    std::vector<int> objs;
    for (int i = 0; i < 8; ++i)
        objs.push_back(newObject(1, "obj" + std::to_string(i)));
    auto setParent = [&](int child, int parent) {
        db->lcp(1)->objects[child][obj::kParent] = static_cast<std::uint8_t>(parent + 1);
    };
    setParent(objs[1], objs[7]);
    setParent(objs[3], objs[1]);
    setParent(objs[6], objs[0]);
    db->lcp(1)->objects[objs[5]][obj::kFlags] = obj::kFlagVirtual;
    db->RemoveElement(objectItem(1, objs[2]));
    db->RemoveElement(objectItem(1, objs[4]));
    std::vector<int> devs;
    for (int i = 0; i < 10; ++i)
        devs.push_back(
            newDevice(1, "dev" + std::to_string(i), objs[i % 8 == 2 || i % 8 == 4 ? 7 : i % 8]));
    db->lcp(1)->deviceStates[devs[9]] = {1, 2, 3};
    for (int i : {0, 2, 5})
        db->RemoveElement(deviceItem(1, devs[i]));
    for (int i = 0; i < 5; ++i)
        setNameText(keyOwner(db->lcp(1)->keys[db->NewLcpKey(1)]), "key" + std::to_string(i));
    db->RemoveElement(keyItem(1, 1));
    const int remote = newObject(2, "remote");
    db->lcp(2)->objects[remote][obj::kLinkedLcp] = 1;
    db->lcp(2)->objects[remote][obj::kLinkedObject] = static_cast<std::uint8_t>(objs[6] + 1);
    const int self = newObject(1, "self");  // takes the hole of obj2
    db->lcp(1)->objects[self][obj::kLinkedLcp] = 1;
    db->lcp(1)->objects[self][obj::kLinkedObject] = static_cast<std::uint8_t>(objs[3] + 1);

    // What every record refers to, by name.
    auto snapshot = [&]() {
        std::map<std::string, std::string> refs;
        const LcpDatabase& l = *db->lcp(1);
        auto objName = [&](int lcpNo, int ref) {
            const LcpDatabase* t = db->lcp(lcpNo);
            return ref == 0 || !t || !t->objectUsed(ref - 1)
                       ? std::string("-")
                       : nameText(objectName(t->objects[ref - 1]));
        };
        for (int j = 0; j < kSlots; ++j) {
            if (l.objectUsed(j)) {
                const ObjectRecord& o = l.objects[j];
                std::string devices;
                for (int c = 0; c < kSlots; ++c) {
                    if (bit(o, obj::kDeviceMap, c))
                        devices += nameText(deviceName(l.devices[c])) + ",";
                }
                refs[nameText(objectName(o))] = "parent " + objName(1, o[obj::kParent]) + " link " +
                                                objName(o[obj::kLinkedLcp], o[obj::kLinkedObject]) +
                                                " devices " + devices;
            }
            if (l.deviceUsed(j)) {
                const DeviceRecord& d = l.devices[j];
                EXPECT_EQ(d[dev::kNumber], j);
                refs[nameText(deviceName(d))] = "object " + objName(1, d[dev::kObject]) +
                                                " state " + std::to_string(l.deviceStates[j][2]);
            }
            if (l.keyUsed(j)) {
                EXPECT_EQ(getU16(l.keys[j], key::kNumber), j + 1);
            }
        }
        const ObjectRecord& r = db->lcp(2)->objects[remote];
        refs["remote"] = objName(r[obj::kLinkedLcp], r[obj::kLinkedObject]);
        return refs;
    };
    // The child bitmaps are rebuilt from the parents: compare those after.
    const auto before = snapshot();
    EXPECT_TRUE(db->Pack());
    const auto after = snapshot();
    EXPECT_EQ(after, before);

    const LcpDatabase& l = *db->lcp(1);
    EXPECT_EQ(l.objectCount, 7);
    EXPECT_EQ(l.deviceCount, 7);
    EXPECT_EQ(l.keyCount, 4);
    EXPECT_FALSE(l.needsPacking);
    EXPECT_TRUE(l.readFromLcp);
    for (int j = 0; j < kSlots; ++j) {
        EXPECT_EQ(l.objectUsed(j), j < 7);
        EXPECT_EQ(l.deviceUsed(j), j < 7);
    }
    // Top objects first, each followed by its subordinates; every child bit
    // matches a parent number.
    std::vector<std::string> order;
    for (int j = 0; j < l.objectCount; ++j)
        order.push_back(nameText(objectName(l.objects[j])));
    EXPECT_EQ(order,
              (std::vector<std::string>{"obj0", "obj6", "self", "obj7", "obj1", "obj3", "obj5"}));
    for (int j = 0; j < l.objectCount; ++j) {
        for (int c = 0; c < l.objectCount; ++c) {
            EXPECT_EQ(bit(l.objects[j], obj::kSubMap, c), l.objects[c][obj::kParent] == j + 1);
        }
    }
}

TEST_F(S5Model, RemovingAnLcpMovesTheLastIntoItsPlace) {
    for (int i = 0; i < 3; ++i)
        addLcp();
    const int o1 = newObject(1, "one");
    const int o3 = newObject(3, "three");
    db->lcp(1)->objects[o1][obj::kLinkedLcp] = 3;
    db->lcp(1)->objects[o1][obj::kLinkedObject] = static_cast<std::uint8_t>(o3 + 1);
    db->lcp(3)->objects[o3][obj::kLinkedLcp] = 2;
    db->lcp(3)->objects[o3][obj::kLinkedObject] = 1;
    db->RemoveLcp(2);
    EXPECT_EQ(db->lcpCount(), 2);
    EXPECT_EQ(db->lcp(2)->number, 2u);
    EXPECT_EQ(nameText(objectName(db->lcp(2)->objects[o3])), "three");
    EXPECT_EQ(db->lcp(1)->objects[o1][obj::kLinkedLcp], 2);  // follows the move
    EXPECT_EQ(db->lcp(2)->objects[o3][obj::kLinkedLcp], 0);  // the removed LCP
    for (int i = 0; i < 62; ++i)
        ASSERT_GT(db->AddLcp(), 0);
    EXPECT_EQ(db->AddLcp(), -1);
    EXPECT_FALSE(db->InsertItem({.item = kItemRoot}).allowed);
}

TEST_F(S5Model, EditRules) {
    addLcp();
    addLcp();
    const int top = newObject(1, "Верх");
    const int child = newObject(1, "Низ", top);
    const int d = newDevice(1, "АУ");

    EXPECT_EQ(db->InsertItem({.item = lcpItem(1)}).text, "Добавить объект");
    EXPECT_EQ(db->InsertItem({.item = objectItem(1, top)}).text, "Добавить подчиненный объект");
    EXPECT_FALSE(db->InsertItem({.item = deviceItem(1, d)}).allowed);
    EXPECT_EQ(db->CutItem({.item = objectItem(1, top)}).text, "Вырезать в буфер Верх");
    EXPECT_EQ(db->CutItem({.item = commonKeyItem(0)}).text, "Вырезать ");
    EXPECT_FALSE(db->CutItem({.item = lcpItem(1)}).allowed);
    EXPECT_EQ(db->DeleteItem({.item = lcpItem(2)}).text, "Удалить LCP 2");
    EXPECT_FALSE(db->DeleteItem({.item = kItemRoot}).allowed);

    const RuleAnswer moveDevice =
        db->PasteItem({.item = lcpItem(2), .bufferItem = deviceItem(1, d), .flag = 1});
    EXPECT_FALSE(moveDevice.allowed);
    EXPECT_EQ(moveDevice.text, "Перенос АУ в другое LCP недопустим!");
    EXPECT_TRUE(db->PasteItem({.item = lcpItem(2), .bufferItem = deviceItem(1, d)}).allowed);
    EXPECT_FALSE(
        db->PasteItem({.item = objectItem(1, child), .bufferItem = objectItem(1, top)}).allowed);
    EXPECT_TRUE(
        db->PasteItem({.item = objectItem(1, top), .bufferItem = objectItem(1, child)}).allowed);
    EXPECT_EQ(db->PasteItem({.item = kItemCommonKeys, .bufferItem = keyItem(1, 0)}).text,
              "Вставить ключи из буфера");
    EXPECT_EQ(db->GetItemImage(kItemRoot), 76);
    EXPECT_EQ(db->GetItemImage(deviceItem(1, d)), 1);
    EXPECT_EQ(db->GetItemImage(deviceItem(1, d + 1)), -1);
}
