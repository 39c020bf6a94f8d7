// SELECT ... INTO. The new table's fields take the query's column names; a
// column read straight from a table field keeps that field's declared type,
// any other column is typed from its value in the first row (a number,
// a date's stored text, other text). The table is made by the same routine
// as every other table, so it gets the same schema and catalog entries.
#include "dataaccess/objects/select_into.h"

#include <sqlite3.h>

#include <cmath>
#include <string>
#include <vector>

#include "dataaccess/objects/database_impl.h"
#include "dataaccess/schema/system_tables.h"

namespace qrv::dao::detail {

namespace {

// The field type of one column of the query's first row (or of no row).
void typeFromValue(sqlite3_stmt* s, int col, bool haveRow, int& type, long& size) {
    size = 0;
    if (!haveRow) {
        type = dbText;
        size = 255;
        return;
    }
    switch (sqlite3_column_type(s, col)) {
        case SQLITE_INTEGER: {
            const sqlite3_int64 v = sqlite3_column_int64(s, col);
            type = v >= -2147483648LL && v <= 2147483647LL ? dbLong : dbDouble;
            return;
        }
        case SQLITE_FLOAT:
            type = dbDouble;
            return;
        case SQLITE_BLOB:
            type = dbLongBinary;
            return;
        case SQLITE_TEXT: {
            const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(s, col));
            const std::string_view t(p ? p : "", static_cast<size_t>(sqlite3_column_bytes(s, col)));
            if (isStoredDateText(t)) {
                type = dbDate;
            } else if (t.size() > 255) {
                type = dbMemo;
            } else {
                type = dbText;
                size = 255;
            }
            return;
        }
        default:  // Null: nothing to tell the type by
            type = dbText;
            size = 255;
    }
}

}  // namespace

Result<long> executeSelectInto(DatabaseImpl& db, const TranslatedSql& tr) {
    if (tr.into.schema != "main")
        return makeError(err::kInvalidOperation,
                         "SELECT ... INTO can only make a table in the open database.");
    if (Error e = checkMadeTableName(tr.into.table)) return e;
    if (db.conn->readOnly)
        return makeError(err::kReadOnly, "Cannot update. Database or object is read-only.");
    if (db.isTable(tr.into.table) || db.isQuery(tr.into.table))
        return makeError(err::kTableExists, "Table '" + tr.into.table + "' already exists.");

    TableDef def(tr.into.table);
    {
        auto st = prepareDialect(*db.conn, tr.sql);
        if (!st) return st.error();
        sqlite3_stmt* s = st->get();
        const int rc = sqlite3_step(s);
        if (rc != SQLITE_ROW && rc != SQLITE_DONE) return mapError(*db.conn, rc);
        const bool haveRow = rc == SQLITE_ROW;
        for (int c = 0; c < sqlite3_column_count(s); ++c) {
            int type = dbText;
            long size = 0;
            if (const char* declared = sqlite3_column_decltype(s, c)) {
                typeFromDeclared(declared, type, size);
                if (type == dbText && size == 0) size = 255;
            } else {
                typeFromValue(s, c, haveRow, type, size);
            }
            const char* name = sqlite3_column_name(s, c);
            Field f = def.CreateField(name ? name : "", type, size);
            f.OrdinalPosition = c;
            if (Error e = def.AppendField(std::move(f))) return e;
        }
    }

    WriteScope scope(*db.conn, "qrv_select_into");
    if (Error e = scope.begin()) return e;
    if (Error e = db.createTable(def)) return scope.fail(e);
    std::string insert = "INSERT INTO main." + quoteIdentifier(tr.into.table) + " (";
    for (std::size_t i = 0; i < def.Fields().size(); ++i) {
        if (i != 0) insert += ", ";
        insert += quoteIdentifier(def.Fields()[i].Name);
    }
    insert += ") " + tr.sql;
    auto st = prepareDialect(*db.conn, insert);
    if (!st) return scope.fail(st.error());
    int rc;
    while ((rc = sqlite3_step(st->get())) == SQLITE_ROW) {
    }
    if (rc != SQLITE_DONE) return scope.fail(mapError(*db.conn, rc));
    const long rows = static_cast<long>(sqlite3_changes(db.conn->db));
    st->reset();
    if (Error e = scope.commit()) return e;
    return rows;
}

}  // namespace qrv::dao::detail
