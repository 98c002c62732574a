// The "Ордис Р7" element table: the empty database, new elements of every
// type, removal, compaction and the tree images.
#include "families/r7/compaction.h"
#include "families/r7/element_types.h"
#include "r7_fixture.h"

namespace tavrin::test {

// Nothing here means to answer a prompt.
using R7Elements = BasicR7Test<StrictPrompter>;

namespace {

using namespace r7;

std::array<std::uint8_t, 12> params(const ElementRecord& r) {
    std::array<std::uint8_t, 12> p{};
    for (int i = 0; i < 12; ++i)
        p[i] = r.bytes[5 + i];
    return p;
}

TEST_F(R7Elements, ResetLeavesThePanelAloneInRecordZero) {
    db_->CreateElement(2, 0);
    db_->filePath = "x.bor";
    db_->databaseValid = true;
    db_->firmwareVersion = 5;
    db_->firmwareVersionText = "1.1";
    db_->ResetDatabase();

    const auto& t = db_->table();
    EXPECT_EQ(t[0].id(), 1);
    EXPECT_EQ(t[0].parent(), 0);
    EXPECT_EQ(t[0].type(), kTypePanel);
    EXPECT_EQ(params(t[0]),
              (std::array<std::uint8_t, 12>{0, 0, 1, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(t[0].name(), "Ордис Р7");
    EXPECT_EQ(db_->PanelAddress(), 1);
    for (int i = 1; i < 2048; ++i) {
        ASSERT_TRUE(t[i].isFree());
        ASSERT_EQ(params(t[i]), (std::array<std::uint8_t, 12>{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                                              0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
        ASSERT_EQ(t[i].bytes[17], ' ');
        ASSERT_EQ(t[i].bytes[37], ' ');
        ASSERT_EQ(t[i].bytes[38], 0);
    }
    EXPECT_EQ(db_->maxElementId(), 1);
    EXPECT_EQ(db_->modified, 0);
    EXPECT_TRUE(db_->filePath.empty());
    EXPECT_FALSE(db_->databaseValid);
    EXPECT_EQ(db_->firmwareVersion, -1);
    EXPECT_TRUE(db_->firmwareVersionText.empty());
}

struct NewCase {
    int type;
    bool underObject;
    const char* name;
    std::array<std::uint8_t, 12> params;  // bytes 5..16
};

constexpr std::uint8_t F = 0xFF;
// Bytes 5..12 start at 0, 13..16 keep the 0xFF of a free record (objects
// excepted: their references lie there).
constexpr std::array<std::uint8_t, 12> kDetector = {0, 0, 0, 0, 0, F, 0, 0, F, F, F, F};
constexpr std::array<std::uint8_t, 12> kOutput = {0, 0, 0, 0, 0, F, 1, F, F, F, F, F};
constexpr std::array<std::uint8_t, 12> kRelay = {0, 0, 0, 0, 0, F, 0, F, 0, F, F, F};

class R7NewElement : public R7Elements, public ::testing::WithParamInterface<NewCase> {};

TEST_P(R7NewElement, GetsItsDefaultNameAndParameters) {
    const NewCase& c = GetParam();
    const int object = db_->CreateElement(kTypeObject, 0);  // id 2
    db_->modified = 0;
    const int index = db_->CreateElement(c.type, c.underObject ? object : 0);
    ASSERT_EQ(index, 2);
    const ElementRecord& r = db_->table()[index];
    EXPECT_EQ(r.id(), 3);
    EXPECT_EQ(r.parent(), c.underObject ? 2 : 1);
    EXPECT_EQ(r.type(), c.type);
    EXPECT_EQ(r.name(), c.name);
    EXPECT_EQ(params(r), c.params);
    EXPECT_EQ(db_->modified, 1);
    EXPECT_EQ(db_->maxElementId(), 3);
}

INSTANTIATE_TEST_SUITE_P(
    Types, R7NewElement,
    ::testing::Values(
        // An object's references (bytes 12-13, 14 and 16) mean "none": 0.
        NewCase{2, false, "Объект   3", {4, 0, 0, 15, 0, 0, 0, 0, 0, 0, 0, 0}},
        NewCase{4, false, "Ключ   3", {2, 0, 0, 0, 0, 0, 0, 0, F, F, F, F}},
        NewCase{4, true, "Ключ сотрудника   3", {1, 0, 0, 0, 0, 0, 0, 0, F, F, F, F}},
        NewCase{8, true, "ВЕРС-БПА   3", kDetector}, NewCase{67, true, "ВЕРС-БПА   3", kDetector},
        NewCase{12, true, "ВЕРС-Т\x43   3", kOutput}, NewCase{36, true, "ВЕРС-Т\x43   3", kOutput},
        NewCase{138, true, "ВЕРС-Т\x43   3", kOutput}, NewCase{15, true, "ВЕРС-ИПГ   3", kDetector},
        NewCase{39, true, "ВЕРС-ИПГ   3", kDetector}, NewCase{17, true, "ВЕРС-ДИП   3", kDetector},
        NewCase{26, true, "ВЕРС-ДИП   3", kDetector}, NewCase{24, true, "ВЕРС-ИПР   3", kDetector},
        NewCase{37, true, "ВЕРС-ИПР   3", kDetector}, NewCase{25, true, "ВЕРС-ИПТ   3", kDetector},
        NewCase{32, true, "ВЕРС-ИПТ   3", kDetector}, NewCase{33, true, "ВЕРС-ТК   3", kOutput},
        NewCase{42, true, "ВЕРС-ТК   3", kOutput}, NewCase{34, true, "ВЕРС-УОП-В  3", kRelay},
        NewCase{137, true, "ВЕРС-УОП-В  3", kRelay},
        NewCase{44, true, "ВЕРС-\x4BТ\x4D   3", kOutput},
        NewCase{84, true, "ВЕРС-\x4BТ\x4D   3", kOutput}, NewCase{48, true, "ВЕРС-У  3", kRelay},
        NewCase{52, true, "ВЕРС-УОП  3", kRelay}, NewCase{136, true, "ВЕРС-УОП  3", kRelay},
        NewCase{53, true, "ВЕРС-У4   3", kRelay},
        // An unknown type is kept, without a name.
        NewCase{99, true, "", {0, 0, 0, 0, 0, 0, 0, 0, F, F, F, F}}));

TEST_F(R7Elements, LongDefaultNamesAreCutToTheNameField) {
    const int object = db_->CreateElement(kTypeObject, 0);
    db_->setMaxElementId(1233);
    const int key = db_->CreateElement(kTypeKey, object);
    const ElementRecord& r = db_->table()[key];
    EXPECT_EQ(r.name(), "Ключ сотрудника   123");
    EXPECT_EQ(r.bytes[38], 0);
    EXPECT_EQ(db_->table()[key + 1].bytes[0], 0);  // nothing spilled into the next record
}

TEST_F(R7Elements, TableFillsUpToTheRecordsTheFileKeeps) {
    for (int i = 1; i < 2047; ++i)
        ASSERT_EQ(db_->CreateElement(kTypeObject, 0), i);
    EXPECT_EQ(db_->CreateElement(kTypeObject, 0), -1);
    EXPECT_TRUE(db_->table()[2047].isFree());
    EXPECT_EQ(db_->CreateElement(0, 0), -1);
    EXPECT_EQ(db_->CreateElement(256, 0), -1);
}

TEST_F(R7Elements, RemovingAnObjectTakesItsElementsAndClearsReferencesToIt) {
    const int a = db_->CreateElement(kTypeObject, 0);  // id 2
    const int b = db_->CreateElement(kTypeObject, 0);  // id 3
    const int c = db_->CreateElement(kTypeObject, 0);  // id 4
    const int dev = db_->CreateElement(26, a);         // id 5, under a
    const int keyA = db_->CreateElement(kTypeKey, a);  // id 6, under a
    const int devB = db_->CreateElement(26, b);        // id 7, under b
    auto& t = db_->table();
    t[b].setReference1(2);
    t[b].setReference2(4);
    t[c].bytes[kOffRef2Low] = 2;  // reference 2 = bytes 14 (low) and 16 (high)
    t[c].bytes[kOffRef2High] = 0;
    t[c].setReference1(3);
    t[devB].setReference1(2);  // not an object: its bytes 12-13 are no reference
    db_->modified = 0;

    db_->RemoveElement(a);
    EXPECT_TRUE(t[a].isFree());
    EXPECT_EQ(t[b].reference1(), 0);
    EXPECT_EQ(t[b].reference2(), 4);
    EXPECT_EQ(t[c].reference1(), 3);
    EXPECT_EQ(t[c].reference2(), 0);
    EXPECT_EQ(t[c].bytes[14], 0);
    EXPECT_EQ(t[c].bytes[16], 0);
    // The elements under it go with it; the others stay as they were.
    EXPECT_TRUE(t[dev].isFree());
    EXPECT_TRUE(t[keyA].isFree());
    EXPECT_EQ(t[devB].parent(), 3);
    EXPECT_EQ(t[devB].reference1(), 2);
    EXPECT_EQ(db_->modified, 1);
    // The panel is never removed.
    db_->RemoveElement(0);
    EXPECT_EQ(t[0].type(), kTypePanel);

    // RemoveKey frees keys only.
    const int key = db_->CreateElement(kTypeKey, b);
    db_->RemoveKey(devB);
    EXPECT_FALSE(t[devB].isFree());
    db_->RemoveKey(key);
    EXPECT_TRUE(t[key].isFree());
    EXPECT_EQ(db_->CreateKey(), -1);
    EXPECT_EQ(db_->FindKey(Bytes{1, 2, 3, 4, 5, 6}), -1);
    // Out-of-range indexes are ignored.
    db_->RemoveElement(-1);
    db_->RemoveElement(5000);
    db_->RemoveKey(2048);
}

// The case that moved a device to another object: device under object 2,
// object 2 removed, then the compaction. No element is left that the
// renumbering could hand to another object.
TEST_F(R7Elements, NoElementChangesObjectAfterARemovalAndTheCompaction) {
    db_->CreateElement(kTypeObject, 0);                     // 1, id 2
    const int doomed = db_->CreateElement(kTypeObject, 0);  // 2, id 3
    const int kept = db_->CreateElement(kTypeObject, 0);    // 3, id 4
    db_->CreateElement(26, doomed);                         // 4, id 5
    const int keptDevice = db_->CreateElement(26, kept);    // 5, id 6
    auto& t = db_->table();
    t[keptDevice].setName("Склад");
    db_->RemoveElement(doomed);
    db_->CompactTable();
    // Ids 1, 2, 4, 6 -> 1, 2, 3, 4: the kept device is under what was object 4.
    EXPECT_EQ(t[3].type(), 26);
    EXPECT_EQ(t[3].name(), "Склад");
    EXPECT_EQ(t[3].parent(), t[2].id());
    EXPECT_EQ(t[2].type(), kTypeObject);
    for (int i = 4; i < 2048; ++i)
        ASSERT_TRUE(t[i].isFree()) << i;

    // Parents and references that name no element become "none".
    t[3].setParent(40);
    t[2].setReference1(0xFF00);
    t[2].setReference2(0xFFFF);
    t[1].setReference1(3);
    db_->CompactTable();
    EXPECT_EQ(t[3].parent(), 0);
    EXPECT_EQ(t[2].reference1(), 0);
    EXPECT_EQ(t[2].reference2(), 0);
    EXPECT_EQ(t[1].reference1(), 3);
}

TEST_F(R7Elements, CompactionOrdersByIdAndRenumbersParentsAndReferences) {
    auto& t = db_->table();
    auto put = [&](int index, std::uint16_t id, std::uint16_t parent, std::uint8_t type) {
        t[index].setId(id);
        t[index].setParent(parent);
        t[index].setType(type);
    };
    put(1, 12, 1, kTypeObject);
    t[1].setReference2(7);
    put(3, 7, 1, kTypeObject);
    t[3].setReference1(12);
    put(5, 9, 12, 26);
    put(8, 4, 7, kTypeKey);
    put(10, 30, 7, 0);  // an id without a type is dropped
    put(11, 0, 7, 26);  // a type without an id is dropped
    put(2047, 3, 1, kTypeObject);
    t[2047].setReference1(7);
    put(2000, 15, 3, 42);  // under the object with the old id 3

    db_->CompactTable();
    // Old ids 3, 4, 7, 9, 12, 15 -> 2, 3, 4, 5, 6, 7.
    EXPECT_EQ(t[0].id(), 1);
    struct Expect {
        std::uint16_t id, parent;
        std::uint8_t type;
    };
    const Expect want[] = {{2, 1, 2}, {3, 4, 4}, {4, 1, 2}, {5, 6, 26}, {6, 1, 2}, {7, 2, 42}};
    for (int k = 0; k < 6; ++k) {
        EXPECT_EQ(t[k + 1].id(), want[k].id) << k;
        EXPECT_EQ(t[k + 1].parent(), want[k].parent) << k;
        EXPECT_EQ(t[k + 1].type(), want[k].type) << k;
    }
    EXPECT_EQ(t[1].reference1(), 4);  // was 7
    EXPECT_EQ(t[3].reference1(), 6);  // was 12
    EXPECT_EQ(t[5].reference2(), 4);  // was 7
    for (int i = 7; i < 2048; ++i)
        ASSERT_TRUE(t[i].isFree()) << i;
    EXPECT_EQ(db_->maxElementId(), 7);
}

TEST_F(R7Elements, SaveAndLoadRenumberOneFiveNine) {
    auto& t = db_->table();
    const int object = db_->CreateElement(kTypeObject, 0);
    const int device = db_->CreateElement(26, object);
    t[object].setId(5);
    t[device].setId(9);
    t[device].setParent(5);
    ASSERT_TRUE(db_->SaveToDisk(path("a.bor")));
    ASSERT_TRUE(db_->LoadFromDisk(path("a.bor")));
    EXPECT_EQ(t[1].id(), 2);
    EXPECT_EQ(t[2].id(), 3);
    EXPECT_EQ(t[2].parent(), 2);
    EXPECT_EQ(db_->CreateElement(kTypeKey, 1), 3);
    EXPECT_EQ(t[3].id(), 4);
}

struct ImageCase {
    const char* name;
    int type;
    std::uint8_t byte5;
    std::uint8_t byte12;
    int image;
};

class R7DeviceImage : public R7Elements, public ::testing::WithParamInterface<ImageCase> {};

TEST_P(R7DeviceImage, FollowsTypeSwitchAndMode) {
    const ImageCase& c = GetParam();
    const int object = db_->CreateElement(kTypeObject, 0);
    const int index = db_->CreateElement(c.type, object);
    db_->table()[index].bytes[5] = c.byte5;
    db_->table()[index].bytes[12] = c.byte12;
    EXPECT_EQ(db_->GetItemImage(index), c.image);
}

INSTANTIATE_TEST_SUITE_P(
    Images, R7DeviceImage,
    ::testing::Values(ImageCase{"dip_on", 26, 0, 0, 0}, ImageCase{"dip_off", 17, 1, 0, 1},
                      ImageCase{"ts_mode0", 12, 0, 0, 8}, ImageCase{"ts_mode1", 36, 0, 1, 9},
                      ImageCase{"ts_mode_other", 138, 0, 3, 7},
                      ImageCase{"ts_mode_unset", 12, 0, 0xFF, 6}, ImageCase{"ts_off", 12, 1, 1, 6},
                      ImageCase{"key_plain", 4, 2, 0, 51}, ImageCase{"key_bit1", 4, 2, 2, 52},
                      ImageCase{"key_bit0", 4, 2, 3, 75}, ImageCase{"unknown_type", 99, 0, 0, 38}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(R7Elements, ObjectImageFollowsThePurposesOfItsDevices) {
    const int object = db_->CreateElement(kTypeObject, 0);
    EXPECT_EQ(db_->GetItemImage(object), kImageObjectOff);  // no device under it
    const int key = db_->CreateElement(kTypeKey, object);   // keys do not count
    db_->table()[key].bytes[12] = 0;
    EXPECT_EQ(db_->GetItemImage(object), kImageObjectOff);

    auto addDevice = [&](std::uint8_t purpose) {
        const int d = db_->CreateElement(26, object);
        db_->table()[d].bytes[12] = purpose;
        return d;
    };
    const int fire = addDevice(0);
    EXPECT_EQ(db_->GetItemImage(object), 46);
    db_->table()[fire].bytes[12] = 1;
    EXPECT_EQ(db_->GetItemImage(object), 45);
    db_->table()[fire].bytes[12] = 4;
    EXPECT_EQ(db_->GetItemImage(object), 44);
    addDevice(0xFF);  // no purpose: ignored
    EXPECT_EQ(db_->GetItemImage(object), 44);
    addDevice(0);
    EXPECT_EQ(db_->GetItemImage(object), kImageObjectFireControl);
    addDevice(1);
    EXPECT_EQ(db_->GetItemImage(object), kImageObjectAll);
    db_->table()[object].bytes[5] |= 1;
    EXPECT_EQ(db_->GetItemImage(object), kImageObjectOff);

    EXPECT_EQ(db_->GetItemImage(0), kImagePanel);
    for (int code = -5; code <= -1; ++code)
        EXPECT_EQ(db_->GetItemImage(code), kImageFolder);
    EXPECT_EQ(db_->GetItemImage(-6), -1);
    EXPECT_EQ(db_->GetItemImage(100), -1);   // free record
    EXPECT_EQ(db_->GetItemImage(2048), -1);  // outside the table
}

TEST_F(R7Elements, CountsAndChildren) {
    const int object = db_->CreateElement(kTypeObject, 0);
    db_->CreateElement(26, object);
    db_->CreateElement(kTypeKey, object);
    db_->CreateElement(kTypeKey, 0);
    const DBR7::Counts c = db_->counts();
    EXPECT_EQ(c.elements, 5);
    EXPECT_EQ(c.objects, 1);
    EXPECT_EQ(c.devices, 1);
    EXPECT_EQ(c.keys, 2);
    EXPECT_EQ(db_->childCount(object), 2);
    EXPECT_EQ(db_->childCount(0), 2);
    EXPECT_EQ(db_->findElementById(3), 2);
    EXPECT_EQ(db_->findElementById(77), -1);
}

}  // namespace
}  // namespace tavrin::test
