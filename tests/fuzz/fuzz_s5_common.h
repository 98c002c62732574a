// Shared by the "Версан С5" fuzz targets: a database with two LCPs to parse
// into, and the operations run over whatever was parsed.
#pragma once

#include <filesystem>

#include "families/s5/db_folder.h"
#include "families/s5/dbs5.h"

namespace tavrin::s5::fuzz {

class Database {
  public:
    Database() : ctx_(makeAppContext(std::filesystem::temp_directory_path())), db_(0, ctx_) {
        db_.AddLcp();
        db_.AddLcp();
    }

    DBS5* operator->() { return &db_; }
    LcpDatabase& lcpWithObjects() { return *db_.lcp(1); }
    LcpDatabase& secondLcp() { return *db_.lcp(2); }

    // Everything that walks or rewrites the records: object types, the link
    // test, removal, packing, checksums and the file images.
    void exercise() {
        db_.MarkObjects();
        for (int l = 1; l <= 2; ++l) {
            LcpDatabase& d = *db_.lcp(l);
            (void)db_.IsDescendant(l, 0, 2, 0);
            (void)db_.GetItemImage(objectItem(l, 0));
            (void)db_.PasteItem({.item = objectItem(l, 1), .bufferItem = objectItem(l, 0)});
            d.needsPacking = true;
        }
        if (db_.lcp(1)->objectCount > 2) db_.RemoveElement(objectItem(1, 2));
        if (db_.lcp(1)->deviceCount > 1) db_.RemoveElement(deviceItem(1, 0));
        db_.Pack();
        db_.MarkObjects();
        for (int l = 1; l <= 2; ++l) {
            (void)db_.LcpDatabaseChecksum(l);
            (void)serializeDevices(*db_.lcp(l));
            (void)serializeObjects(*db_.lcp(l));
            (void)serializeKeys(db_.lcp(l)->keys, db_.lcp(l)->keyCount);
        }
        (void)db_.CommonKeysChecksum();
    }

  private:
    AppContext ctx_;
    DBS5 db_;
};

}  // namespace tavrin::s5::fuzz
