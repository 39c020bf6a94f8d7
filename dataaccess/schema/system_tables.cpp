// The guard over the system tables (see system_tables.h).
#include "dataaccess/schema/system_tables.h"

namespace qrv::dao::detail {

namespace {

// The table a statement step touches, for the steps that touch one.
const char* tableOf(int action, const char* arg1, const char* arg2) {
    switch (action) {
        case SQLITE_READ:
        case SQLITE_INSERT:
        case SQLITE_UPDATE:
        case SQLITE_DELETE:
        case SQLITE_CREATE_TABLE:
        case SQLITE_CREATE_TEMP_TABLE:
        case SQLITE_DROP_TABLE:
        case SQLITE_DROP_TEMP_TABLE:
        case SQLITE_CREATE_VIEW:
        case SQLITE_CREATE_TEMP_VIEW:
        case SQLITE_CREATE_VTABLE:
            return arg1;
        case SQLITE_CREATE_INDEX:
        case SQLITE_CREATE_TEMP_INDEX:
        case SQLITE_DROP_INDEX:
        case SQLITE_DROP_TEMP_INDEX:
        case SQLITE_CREATE_TRIGGER:
        case SQLITE_CREATE_TEMP_TRIGGER:
        case SQLITE_ALTER_TABLE:
            return arg2;
        default:
            return nullptr;
    }
}

int guard(void* connection, int action, const char* arg1, const char* arg2, const char*,
          const char*) {
    auto& c = *static_cast<Connection*>(connection);
    if (c.systemAccess > 0) return SQLITE_OK;
    const char* table = tableOf(action, arg1, arg2);
    if (table == nullptr) return SQLITE_OK;
    if (!(c.dialect > 0 ? isInternalTable(table) : isSystemTable(table))) return SQLITE_OK;
    c.refusedTable = table;
    c.refusedAction = action;
    return SQLITE_DENY;
}

}  // namespace

void guardSystemTables(Connection& c) {
    if (c.db) sqlite3_set_authorizer(c.db, &guard, &c);
}

Error refusedError(const Connection& c) {
    return refusalError(c.refusedAction, c.refusedTable);
}

Result<Stmt> prepareDialect(Connection& c, const std::string& sql) {
    DialectScope user(c);
    c.refusedTable.clear();
    auto st = prepare(c, sql);
    // A refusal can surface as another error (a table-valued function whose
    // constructor was refused); it is still the refusal.
    if (!st && !c.refusedTable.empty()) return refusedError(c);
    return st;
}

}  // namespace qrv::dao::detail
