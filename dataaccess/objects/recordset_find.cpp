// Recordset finds: a criteria text in the query dialect, evaluated by the
// database against each cached row in turn, forward or backward from a start.
#include "dataaccess/dialect/sql_dialect.h"
#include "dataaccess/objects/database_impl.h"
#include "dataaccess/objects/recordset_impl.h"
#include "dataaccess/schema/system_tables.h"

namespace qrv::dao::detail {

Error RecordsetImpl::find(std::string_view criteria, bool forward, long start) {
    if (Error e = cacheAll()) return e;
    auto expr = translateExpression(criteria);
    if (!expr) return expr.error();
    std::string sql = "SELECT (" + *expr + ") FROM (SELECT ";
    for (size_t i = 0; i < fields.size(); ++i)
        sql += (i ? ", ?" : "?") + std::to_string(i + 1) + " AS " + quoteIdentifier(fields[i].Name);
    sql += ")";
    auto st = prepareDialect(*conn, sql);
    if (!st) return st.error();
    sqlite3_stmt* s = st->get();
    const long n = static_cast<long>(rows.size());
    for (long p = start; p >= 0 && p < n; p += forward ? 1 : -1) {
        if (rows[p].deleted) continue;
        sqlite3_reset(s);
        for (size_t i = 0; i < fields.size(); ++i) {
            const int t = readTypes[i] ? readTypes[i] : fields[i].Type;
            if (Error e = bindValue(s, static_cast<int>(i) + 1, rows[p].v[i], t, ""))
                sqlite3_bind_null(s, static_cast<int>(i) + 1);
        }
        int rc = sqlite3_step(s);
        if (rc != SQLITE_ROW) return mapError(*conn, rc);
        if (sqlite3_column_type(s, 0) != SQLITE_NULL && sqlite3_column_double(s, 0) != 0) {
            pos = p;
            eof = bof = false;
            noMatch = false;
            return {};
        }
    }
    noMatch = true;
    return {};
}

}  // namespace qrv::dao::detail
