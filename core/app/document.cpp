#include "app/document.h"

#include <utility>

namespace tavrin {

CKvitorDoc::CKvitorDoc(const AppContext& context, DatabaseFactory factory)
    : ctx_(context), factory_(std::move(factory)) {}

CKvitorDoc::~CKvitorDoc() {
    DeleteContents();
}

bool CKvitorDoc::OnNewDocument(int familyCode) {
    DeleteContents();
    main_ = factory_(familyCode, 0, ctx_);
    second_ = factory_(familyCode, 1, ctx_);
    return true;
}

void CKvitorDoc::DeleteContents() {
    main_.reset();
    second_.reset();
}

void CKvitorDoc::ReplaceDatabase(int role) {
    const int family = familyCode();
    auto& slot = role == 0 ? main_ : second_;
    slot.reset();
    slot = factory_(family, role, ctx_);
}

}  // namespace tavrin
