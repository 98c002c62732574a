// The tree's edit rules for the "Ордис Р7" table: may an item be cut, copied,
// pasted into, deleted or given new elements, and the text that goes with the
// answer (the menu label when allowed, the message when refused).
#include "families/r7/dbr7.h"

namespace tavrin {

using namespace r7;

namespace {

constexpr const char* kNoElement = "Не указан объект базы";

RuleAnswer allow(const char* text) {
    return {true, text};
}
RuleAnswer refuse(const char* text) {
    return {false, text};
}

}  // namespace

RuleAnswer DBR7::InsertItem(const EditRuleArgs& args) {
    if (!isUsed(args.item)) return refuse(kNoElement);
    const std::uint8_t type = element(args.item)->type();
    if (type == kTypePanel || type == kTypeObject) return allow("Вставка элемента");
    return refuse("Здесь вставка невозможна");
}

RuleAnswer DBR7::DeleteItem(const EditRuleArgs& args) {
    if (!isUsed(args.item)) return refuse(kNoElement);
    if (element(args.item)->type() == kTypePanel) return refuse("Удалять прибор нельзя");
    return allow("Удаление элемента");
}

RuleAnswer DBR7::CopyItem(const EditRuleArgs& args) {
    if (!isUsed(args.item)) return refuse(kNoElement);
    if (element(args.item)->type() == kTypePanel) return refuse("");
    return allow("");
}

RuleAnswer DBR7::CutItem(const EditRuleArgs& args) {
    if (!isUsed(args.item)) return refuse("");
    const std::uint8_t type = element(args.item)->type();
    if (type == kTypePanel || type == kTypeObject) return refuse("");
    return allow("");
}

RuleAnswer DBR7::PasteItem(const EditRuleArgs& args) {
    const auto* source = dynamic_cast<const DBR7*>(args.bufferDatabase);
    if (!source) source = this;
    if (!isUsed(args.item) || !source->isUsed(args.bufferItem)) return refuse(kNoElement);
    const std::uint8_t target = element(args.item)->type();
    const std::uint8_t taken = source->element(args.bufferItem)->type();
    if (target == kTypePanel) {
        if (taken == kTypeObject) return allow("Вставка объекта");
        return refuse("Можно вставлять только объекты");
    }
    if (target == kTypeObject && taken != kTypePanel && taken != kTypeObject) {
        return allow("Вставка объекта");
    }
    return refuse("Вставка невозможна");
}

}  // namespace tavrin
