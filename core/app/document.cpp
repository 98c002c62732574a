#include "app/document.h"

#include <utility>

namespace tavrin {

CKvitorDoc::CKvitorDoc(const AppContext& context, DatabaseFactory factory)
    : ctx_(context), factory_(std::move(factory)) {}

CKvitorDoc::~CKvitorDoc() {
    DeleteContents();
}

bool CKvitorDoc::OnNewDocument(Family family) {
    DeleteContents();
    family_ = family;
    main_ = factory_(family, 0, ctx_);
    second_ = factory_(family, 1, ctx_);
    return true;
}

void CKvitorDoc::DeleteContents() {
    main_.reset();
    second_.reset();
}

void CKvitorDoc::ReplaceDatabase(int role) {
    auto& slot = role == 0 ? main_ : second_;
    slot.reset();
    slot = factory_(family_, role, ctx_);
}

}  // namespace tavrin
