// The tree's edit rules of the "Ордис Р7" table, as a table of cases.
#include "r7_fixture.h"

namespace tavrin::test {
namespace {

// The table of every case: 0 the panel, 1 an object, 2 an employee key,
// 3 a device, 4 a free record, 5 an element of an unknown type.
constexpr int kPanel = 0, kObject = 1, kKey = 2, kDevice = 3, kFree = 4, kUnknown = 5;
constexpr int kOutside = 2048;

enum class Rule { Insert, Delete, Copy, Cut, Paste };

struct RuleCase {
    Rule rule;
    int item;
    int bufferItem;  // Paste only
    bool allowed;
    const char* text;
};

class R7Rule : public R7Test, public ::testing::WithParamInterface<RuleCase> {
  protected:
    void SetUp() override {
        ASSERT_EQ(db_->CreateElement(2, kPanel), kObject);
        ASSERT_EQ(db_->CreateElement(4, kObject), kKey);
        ASSERT_EQ(db_->CreateElement(26, kObject), kDevice);
        ASSERT_EQ(db_->CreateElement(99, kObject), kFree);
        // Move the unknown element to index 5 so that 4 stays free.
        db_->table()[kUnknown] = db_->table()[kFree];
        db_->table()[kFree].clear();
    }

    RuleAnswer ask(const RuleCase& c) {
        EditRuleArgs args;
        args.item = c.item;
        args.bufferItem = c.bufferItem;
        switch (c.rule) {
            case Rule::Insert:
                return db_->InsertItem(args);
            case Rule::Delete:
                return db_->DeleteItem(args);
            case Rule::Copy:
                return db_->CopyItem(args);
            case Rule::Cut:
                return db_->CutItem(args);
            case Rule::Paste:
                return db_->PasteItem(args);
        }
        return {};
    }
};

TEST_P(R7Rule, AnswersWithItsText) {
    const RuleCase& c = GetParam();
    const RuleAnswer a = ask(c);
    EXPECT_EQ(a.allowed, c.allowed);
    EXPECT_EQ(a.text, c.text);
    EXPECT_TRUE(prompter_.calls.empty());
}

constexpr const char* kNone = "Не указан объект базы";

INSTANTIATE_TEST_SUITE_P(
    Rules, R7Rule,
    ::testing::Values(
        RuleCase{Rule::Insert, kPanel, 0, true, "Вставка элемента"},
        RuleCase{Rule::Insert, kObject, 0, true, "Вставка элемента"},
        RuleCase{Rule::Insert, kKey, 0, false, "Здесь вставка невозможна"},
        RuleCase{Rule::Insert, kDevice, 0, false, "Здесь вставка невозможна"},
        RuleCase{Rule::Insert, kFree, 0, false, kNone},
        RuleCase{Rule::Insert, kOutside, 0, false, kNone},
        RuleCase{Rule::Insert, -1, 0, false, kNone},

        RuleCase{Rule::Delete, kPanel, 0, false, "Удалять прибор нельзя"},
        RuleCase{Rule::Delete, kObject, 0, true, "Удаление элемента"},
        RuleCase{Rule::Delete, kKey, 0, true, "Удаление элемента"},
        RuleCase{Rule::Delete, kUnknown, 0, true, "Удаление элемента"},
        RuleCase{Rule::Delete, kFree, 0, false, kNone},
        RuleCase{Rule::Delete, kOutside, 0, false, kNone},

        RuleCase{Rule::Copy, kPanel, 0, false, ""}, RuleCase{Rule::Copy, kObject, 0, true, ""},
        RuleCase{Rule::Copy, kDevice, 0, true, ""}, RuleCase{Rule::Copy, kFree, 0, false, kNone},

        RuleCase{Rule::Cut, kPanel, 0, false, ""}, RuleCase{Rule::Cut, kObject, 0, false, ""},
        RuleCase{Rule::Cut, kKey, 0, true, ""}, RuleCase{Rule::Cut, kDevice, 0, true, ""},
        RuleCase{Rule::Cut, kUnknown, 0, true, ""}, RuleCase{Rule::Cut, kFree, 0, false, ""},
        RuleCase{Rule::Cut, -3, 0, false, ""},

        RuleCase{Rule::Paste, kPanel, kObject, true, "Вставка объекта"},
        RuleCase{Rule::Paste, kPanel, kKey, false, "Можно вставлять только объекты"},
        RuleCase{Rule::Paste, kPanel, kDevice, false, "Можно вставлять только объекты"},
        RuleCase{Rule::Paste, kObject, kKey, true, "Вставка объекта"},
        RuleCase{Rule::Paste, kObject, kDevice, true, "Вставка объекта"},
        RuleCase{Rule::Paste, kObject, kUnknown, true, "Вставка объекта"},
        RuleCase{Rule::Paste, kObject, kObject, false, "Вставка невозможна"},
        RuleCase{Rule::Paste, kObject, kPanel, false, "Вставка невозможна"},
        RuleCase{Rule::Paste, kKey, kDevice, false, "Вставка невозможна"},
        RuleCase{Rule::Paste, kDevice, kKey, false, "Вставка невозможна"},
        RuleCase{Rule::Paste, kFree, kObject, false, kNone},
        RuleCase{Rule::Paste, kObject, kFree, false, kNone},
        RuleCase{Rule::Paste, kPanel, kOutside, false, kNone}));

TEST_F(R7Test, PasteLooksUpTheBufferItemInItsOwnDatabase) {
    DBR7 second(1, ctx_);
    const int object = second.CreateElement(2, 0);  // index 1 there, free here
    EditRuleArgs args;
    args.item = 0;
    args.bufferItem = object;
    args.bufferDatabase = &second;
    EXPECT_TRUE(db_->PasteItem(args).allowed);
    args.bufferDatabase = nullptr;  // this database: record 1 is free
    EXPECT_EQ(db_->PasteItem(args).text, "Не указан объект базы");
}

}  // namespace
}  // namespace tavrin::test
