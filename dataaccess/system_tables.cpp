// The guard over the system tables (see system_tables.h).
#include "dataaccess/system_tables.h"

#include "dataaccess/fold.h"

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
    if (table == nullptr || !isSystemTable(table)) return SQLITE_OK;
    c.refusedTable = table;
    c.refusedAction = action;
    return SQLITE_DENY;
}

}  // namespace

bool isSystemTable(std::string_view name) {
    return iequal(name, kPasswordTable) || iequal(name, kAccountsTable);
}

void guardSystemTables(Connection& c) {
    if (c.db) sqlite3_set_authorizer(c.db, &guard, &c);
}

Error refusedError(const Connection& c) {
    const std::string& t = c.refusedTable;
    switch (c.refusedAction) {
        case SQLITE_READ:
            return makeError(3112, "Record(s) can't be read; no read permission on '" + t + "'.");
        case SQLITE_INSERT:
            return makeError(3107,
                             "Record(s) can't be added; no insert data permission on '" + t + "'.");
        case SQLITE_UPDATE:
            return makeError(
                3108, "Record(s) can't be edited; no update data permission on '" + t + "'.");
        case SQLITE_DELETE:
            return makeError(
                3109, "Record(s) can't be deleted; no delete data permission on '" + t + "'.");
        default:
            return makeError(3111,
                             "Couldn't create; no modify design permission for table or "
                             "query '" +
                                 t + "'.");
    }
}

}  // namespace qrv::dao::detail
