#include "editor/family_tree.h"

#include "editor/k2/k2_tree.h"

namespace tavrin {

std::unique_ptr<FamilyTree> makeFamilyTree(int familyCode) {
    switch (familyCode) {
        case 2:
            return std::make_unique<K2Tree>();
        default:
            return nullptr;
    }
}

}  // namespace tavrin
