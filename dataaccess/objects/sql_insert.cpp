// INSERT INTO with counter fields (see sql_insert.h).
#include "dataaccess/objects/sql_insert.h"

#include <string>
#include <vector>

#include "dataaccess/objects/database_impl.h"
#include "dataaccess/schema/schema_sql.h"
#include "dataaccess/schema/system_tables.h"

namespace qrv::dao::detail {

namespace {

Error stepAll(Connection& c, sqlite3_stmt* s) {
    int rc;
    while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
    }
    return rc == SQLITE_DONE ? Error{} : mapError(c, rc);
}

Result<long long> integer(Connection& c, const std::string& sql) {
    auto st = prepare(c, sql);
    if (!st) return st.error();
    if (sqlite3_step(st->get()) != SQLITE_ROW) return mapError(c, SQLITE_ERROR);
    return static_cast<long long>(sqlite3_column_int64(st->get(), 0));
}

// The counter fields of the table the rows go to that SQLite leaves empty.
std::vector<std::string> countersToNumber(DatabaseImpl& db, const TranslatedSql& tr) {
    std::vector<std::string> out;
    if (tr.into.schema != "main" || !db.isTable(tr.into.table)) return out;
    auto def = db.loadTableDef(tr.into.table);
    if (!def) return out;
    for (const Field& f : def->Fields())
        if ((f.Attributes & dbAutoIncrField) && !soleCounterKey(*def, f)) out.push_back(f.Name);
    return out;
}

}  // namespace

Result<long> executeInsert(DatabaseImpl& db, const TranslatedSql& tr) {
    Connection& c = *db.conn;
    const std::vector<std::string> counters = countersToNumber(db, tr);
    WriteScope scope(c, "qrv_insert");
    if (!counters.empty())
        if (Error e = scope.begin()) return e;
    const std::string table = "main." + quoteIdentifier(tr.into.table);
    long long lastRow = 0;
    if (!counters.empty()) {
        auto last = integer(c, "SELECT coalesce(max(_rowid_), 0) FROM " + table);
        if (!last) return scope.fail(last.error());
        lastRow = *last;
    }
    auto st = prepareDialect(c, tr.sql);
    if (!st) return scope.fail(st.error());
    if (!*st) return 0L;  // nothing but blanks
    if (Error e = stepAll(c, st->get())) return scope.fail(e);
    const long rows = static_cast<long>(sqlite3_changes(c.db));
    st->reset();
    for (const std::string& name : counters) {
        const std::string field = quoteIdentifier(name);
        auto top = integer(c, "SELECT coalesce(max(" + field + "), 0) FROM " + table);
        if (!top) return scope.fail(top.error());
        if (Error e = exec(c, "UPDATE " + table + " SET " + field + " = " + std::to_string(*top) +
                                  " + s.n FROM (SELECT _rowid_ AS r, row_number() OVER (ORDER BY "
                                  "_rowid_) AS n FROM " +
                                  table + " WHERE _rowid_ > " + std::to_string(lastRow) + " AND " +
                                  field + " IS NULL) AS s WHERE " + table + "._rowid_ = s.r"))
            return scope.fail(e);
    }
    if (!counters.empty())
        if (Error e = scope.commit()) return e;
    return rows;
}

}  // namespace qrv::dao::detail
