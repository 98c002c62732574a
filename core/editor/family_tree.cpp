#include "editor/family_tree.h"

namespace tavrin {

std::unique_ptr<FamilyTree> makeFamilyTree(int familyCode) {
    switch (familyCode) {
        default:
            return nullptr;
    }
}

}  // namespace tavrin
