// One transaction over a database for the span of a scope: rolled back
// unless committed, so every early return of an authoring command leaves
// the scenario tables as they were. Nested ones become savepoints.
#pragma once

#include "dataaccess/objects/database.h"

namespace qrv::scenario {

class StoreTransaction {
  public:
    explicit StoreTransaction(dao::Database& db) : db_(db) {}
    StoreTransaction(const StoreTransaction&) = delete;
    StoreTransaction& operator=(const StoreTransaction&) = delete;
    ~StoreTransaction() {
        if (open_) db_.Rollback();
    }
    dao::Error begin() {
        dao::Error e = db_.BeginTrans();
        open_ = !e;
        return e;
    }
    dao::Error commit() {
        open_ = false;
        return db_.CommitTrans();
    }

  private:
    dao::Database& db_;
    bool open_ = false;
};

}  // namespace qrv::scenario
