// CKvitorDoc: the document with its two databases of one family, the main
// database (role 0) and the second database (role 1, shown beside the main
// one in the two-database mode). Both always belong to the same family.
#pragma once

#include <functional>
#include <memory>

#include "link/app_context.h"
#include "link/dbase.h"

namespace tavrin {

using DatabaseFactory =
    std::function<std::unique_ptr<DBase>(Family family, int role, const AppContext& context)>;

class CKvitorDoc {
  public:
    CKvitorDoc(const AppContext& context, DatabaseFactory factory);
    ~CKvitorDoc();

    // Destroys both databases, then creates two of the family.
    bool OnNewDocument(Family family);
    // Destroys the main database, then the second one.
    void DeleteContents();
    // Replaces one database by a new, empty one of the same family.
    void ReplaceDatabase(int role);

    DBase* main() const { return main_.get(); }
    DBase* second() const { return second_.get(); }
    DBase* database(int role) const { return role == 0 ? main() : second(); }
    Family family() const { return family_; }

  private:
    const AppContext& ctx_;
    DatabaseFactory factory_;
    Family family_ = Family::K2;
    std::unique_ptr<DBase> main_;
    std::unique_ptr<DBase> second_;
};

}  // namespace tavrin
