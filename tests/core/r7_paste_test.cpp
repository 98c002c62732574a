// Copies and moves of "Ордис Р7" elements behind the tree's paste.
#include "r7_fixture.h"

namespace tavrin::test {

// Nothing here means to answer a prompt.
using R7Paste = BasicR7Test<StrictPrompter>;

namespace {

using namespace r7;

// Used records are contiguous from record 1 with id = index + 1.
void expectCompact(const DBR7& db) {
    int k = 1;
    while (k < kElementCount && !db.table()[k].isFree()) {
        EXPECT_EQ(db.table()[k].id(), k + 1);
        ++k;
    }
    for (int i = k; i < kElementCount; ++i)
        ASSERT_TRUE(db.table()[i].isFree()) << i;
}

TEST_F(R7Paste, CopyOfAnObjectTakesTheElementsUnderIt) {
    const int a = db_->CreateElement(kTypeObject, 0);  // 1, id 2
    const int b = db_->CreateElement(kTypeObject, 0);  // 2, id 3
    const int dev = db_->CreateElement(26, a);         // 3, id 4
    const int key = db_->CreateElement(kTypeKey, a);   // 4, id 5
    db_->table()[dev].setName("Вход");
    db_->RemoveElement(b);  // a hole at 2
    db_->table()[a].setReference1(2);
    db_->setMaxElementId(5);
    (void)key;
    db_->modified = 0;

    const int pasted = db_->PasteElement(*db_, a, 0, false);
    expectCompact(*db_);
    const auto& t = db_->table();
    // Old ids 2, 4, 5 -> 2, 3, 4; the copies 6, 7, 8 -> 5, 6, 7.
    ASSERT_EQ(pasted, 4);
    EXPECT_EQ(t[4].type(), kTypeObject);
    EXPECT_EQ(t[4].parent(), 1);
    EXPECT_EQ(t[4].reference1(), 2);  // kept within one database
    EXPECT_EQ(t[5].parent(), 5);
    EXPECT_EQ(t[5].name(), "Вход");
    EXPECT_EQ(t[6].parent(), 5);
    EXPECT_EQ(t[6].type(), kTypeKey);
    EXPECT_EQ(db_->counts().elements, 7);
    EXPECT_EQ(db_->maxElementId(), 7);
    EXPECT_GT(db_->modified, 0);
}

TEST_F(R7Paste, MoveChangesOnlyTheParent) {
    const int a = db_->CreateElement(kTypeObject, 0);
    const int b = db_->CreateElement(kTypeObject, 0);
    const int dev = db_->CreateElement(44, a);
    const auto before = db_->table()[dev].bytes;
    const int pasted = db_->PasteElement(*db_, dev, b, true);
    ASSERT_EQ(pasted, dev);
    EXPECT_EQ(db_->table()[dev].parent(), db_->table()[b].id());
    auto after = db_->table()[dev].bytes;
    after[2] = before[2];
    after[3] = before[3];
    EXPECT_EQ(after, before);
    EXPECT_EQ(db_->counts().elements, 4);
}

// A general key pasted into an object becomes an employee's key there, as
// one made under the object would be.
TEST_F(R7Paste, PastedKeyTakesTheKindOfItsPlace) {
    const int a = db_->CreateElement(kTypeObject, 0);
    const int general = db_->CreateElement(kTypeKey, 0);
    ASSERT_EQ(db_->table()[general].bytes[kOffKeyKind], kKeyKindGeneral);

    const int copied = db_->PasteElement(*db_, general, a, false);
    ASSERT_GE(copied, 0);
    EXPECT_EQ(db_->table()[copied].bytes[kOffKeyKind], kKeyKindEmployee);

    const int b = db_->CreateElement(kTypeObject, 0);
    const int again = db_->PasteElement(*db_, general, b, true);
    ASSERT_GE(again, 0);
    EXPECT_EQ(db_->table()[again].bytes[kOffKeyKind], kKeyKindEmployee);
}

TEST_F(R7Paste, CopyFromAnotherDatabaseDropsObjectReferences) {
    DBR7 other(1, ctx_);
    const int o = other.CreateElement(kTypeObject, 0);
    other.CreateElement(kTypeKey, o);
    other.table()[o].setReference1(7);
    other.table()[o].setReference2(9);
    db_->CreateElement(kTypeObject, 0);

    const int pasted = db_->PasteElement(other, o, 0, false);
    ASSERT_EQ(pasted, 2);
    EXPECT_EQ(db_->table()[2].reference1(), 0);
    EXPECT_EQ(db_->table()[2].reference2(), 0);
    EXPECT_EQ(db_->table()[3].parent(), 3);
    EXPECT_EQ(other.counts().elements, 3);  // the source is untouched
}

TEST_F(R7Paste, RefusedOrFullPasteChangesNothing) {
    const int a = db_->CreateElement(kTypeObject, 0);
    const int dev = db_->CreateElement(26, a);
    const auto before = db_->table();
    EXPECT_EQ(db_->PasteElement(*db_, dev, 0, false), -1);  // a device into the panel
    EXPECT_EQ(db_->PasteElement(*db_, a, a, false), -1);    // an object into an object
    EXPECT_EQ(db_->PasteElement(*db_, 0, a, false), -1);    // the panel
    for (int i = 0; i < kElementCount; ++i)
        ASSERT_EQ(db_->table()[i].bytes, before[i].bytes);

    for (int i = 3; i < 2047; ++i)
        ASSERT_GE(db_->CreateElement(kTypeKey, a), 0);
    EXPECT_EQ(db_->PasteElement(*db_, dev, a, false), -1);
}

}  // namespace
}  // namespace tavrin::test
