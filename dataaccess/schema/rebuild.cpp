// Remaking a table under a new definition while keeping its rows: SQLite
// cannot add rules or change a key in place, so the rows move into a table
// made from the new definition, which then takes the old one's name. All of
// it is one transaction: a row that breaks a new rule stops it, and the old
// table is left exactly as it was.
#include "dataaccess/dialect/sql_dialect.h"
#include "dataaccess/objects/database_impl.h"
#include "dataaccess/objects/stored_queries.h"
#include "dataaccess/schema/schema_sql.h"

namespace qrv::dao::detail {

namespace {

// Catalog rows that come from a definition rather than from a user.
constexpr const char* kDefinitionProperties[] = {
    "AllowZeroLength", "DefaultValue",    "ValidationRule",  "ValidationText",
    "Attributes",      "OrdinalPosition", "PrimaryIndexName"};

Error stepAll(Connection& c, Stmt& st) {
    int rc;
    while ((rc = sqlite3_step(st.get())) == SQLITE_ROW) {
    }
    return rc == SQLITE_DONE ? Error{} : mapError(c, rc);
}

}  // namespace

bool DatabaseImpl::sameDefinition(const TableDef& def) const {
    auto ref = findRef(def.Name, "table");
    if (!ref) return false;
    auto sql = createTableSql(def, ref->name, "");
    return sql && withoutToken(ref->sql) == *sql;
}

Error DatabaseImpl::rebuildTable(TableDef& def) {
    if (conn->readOnly)
        return makeError(err::kReadOnly, "Cannot update. Database or object is read-only.");
    auto old = loadTableDef(def.Name);
    if (!old) return old.error();
    const std::string name = old->Name;
    for (const Field& f : old->Fields())
        if (!def.FindField(f.Name))
            return makeError(err::kInvalidOperation,
                             "Table '" + name + "' has a field '" + f.Name +
                                 "' that its new definition lacks; it was left as it is.");
    {
        auto st = prepare(*conn,
                          "SELECT name FROM main.sqlite_master WHERE type = 'trigger' AND "
                          "tbl_name = ?1");
        if (!st) return st.error();
        sqlite3_bind_text(st->get(), 1, name.c_str(), -1, SQLITE_TRANSIENT);
        if (sqlite3_step(st->get()) == SQLITE_ROW)
            return makeError(err::kInvalidOperation,
                             "Table '" + name +
                                 "' has a trigger, which remaking it would lose; "
                                 "it was left as it is.");
    }

    WriteScope scope(*conn, "qrv_rebuild");
    if (Error e = scope.begin()) return e;
    if (Error e = ensureCatalog()) return scope.fail(e);
    auto ref = findRef(name, "table");  // the catalog move may have marked it
    if (!ref)
        return scope.fail(makeError(err::kItemNotFound, "Item not found in this collection."));
    // The table keeps its token, and with it the properties users gave it.
    const bool keepToken = ownsRows(*ref);
    const std::string token = keepToken ? ref->token : newObjectToken();
    const std::string working = "qrv_rebuild_" + newObjectToken().substr(4, 12);
    auto sql = createTableSql(def, working, token);
    if (!sql) return scope.fail(sql.error());

    // Indexes other programs added come back as they were written.
    std::vector<std::string> otherIndexes;
    {
        auto st = prepare(*conn,
                          "SELECT name, sql FROM main.sqlite_master WHERE type = 'index' AND "
                          "tbl_name = ?1 AND sql IS NOT NULL");
        if (!st) return scope.fail(st.error());
        sqlite3_bind_text(st->get(), 1, name.c_str(), -1, SQLITE_TRANSIENT);
        while (sqlite3_step(st->get()) == SQLITE_ROW) {
            const std::string index =
                reinterpret_cast<const char*>(sqlite3_column_text(st->get(), 0));
            bool ours = false;
            for (const Index& ix : def.Indexes())
                ours = ours || (!ix.Primary && iequal(index, indexSqlName(name, ix.Name)));
            for (const Index& ix : old->Indexes())
                ours = ours || (!ix.Primary && iequal(index, indexSqlName(name, ix.Name)));
            if (!ours)
                otherIndexes.emplace_back(
                    reinterpret_cast<const char*>(sqlite3_column_text(st->get(), 1)));
        }
    }
    long long sequence = -1;
    if (auto st = prepare(*conn, "SELECT seq FROM sqlite_sequence WHERE name = ?1")) {
        sqlite3_bind_text(st->get(), 1, name.c_str(), -1, SQLITE_TRANSIENT);
        if (sqlite3_step(st->get()) == SQLITE_ROW) sequence = sqlite3_column_int64(st->get(), 0);
    }

    if (Error e = exec(*conn, *sql)) return scope.fail(e);
    std::string into, from;
    for (const Field& f : old->Fields()) {
        into += ", " + quoteIdentifier(def.FindField(f.Name)->Name);
        from += ", " + quoteIdentifier(f.Name);
    }
    // Row ids come along too, so nothing that remembers one is misled; a
    // counter key is the row id itself.
    bool counter = false;
    for (const Field& f : def.Fields()) counter = counter || soleCounterKey(def, f);
    const bool rowIds =
        prepare(*conn, "SELECT _rowid_ FROM main." + quoteIdentifier(name) + " LIMIT 0").ok();
    const std::string copy =
        counter || !rowIds
            ? "INSERT INTO " + quoteIdentifier(working) + " (" + into.substr(2) + ") SELECT " +
                  from.substr(2) + " FROM main." + quoteIdentifier(name)
            : "INSERT INTO " + quoteIdentifier(working) + " (_rowid_" + into + ") SELECT _rowid_" +
                  from + " FROM main." + quoteIdentifier(name);
    auto st = prepare(*conn, copy);
    if (!st) return scope.fail(st.error());
    if (Error e = stepAll(*conn, *st)) return scope.fail(e);
    st->reset();
    if (Error e = exec(*conn, "DROP TABLE main." + quoteIdentifier(name))) return scope.fail(e);
    // Stored queries that read the table name it, not the working copy: the
    // rename must leave their texts alone (SQLite would otherwise check them
    // while the name is briefly missing, and refuse).
    Error renamed;
    {
        LegacyAlterScope legacy(conn->db);
        renamed = exec(*conn, "ALTER TABLE " + quoteIdentifier(working) + " RENAME TO " +
                                  quoteIdentifier(name));
    }
    if (renamed) return scope.fail(renamed);
    for (const Index& ix : def.Indexes())
        if (!ix.Primary)
            if (Error e = exec(*conn, createIndexSql(def, name, ix))) return scope.fail(e);
    for (const std::string& index : otherIndexes)
        if (Error e = exec(*conn, index)) return scope.fail(e);
    if (counter && sequence >= 0) {
        auto seq = prepare(*conn, "UPDATE sqlite_sequence SET seq = max(seq, ?2) WHERE name = ?1");
        if (!seq) return scope.fail(seq.error());
        sqlite3_bind_text(seq->get(), 1, name.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_int64(seq->get(), 2, sequence);
        if (Error e = stepAll(*conn, *seq)) return scope.fail(e);
    }

    // The new definition's rule texts and index name replace the old ones.
    if (keepToken) {
        auto del = prepare(*conn, std::string("DELETE FROM ") + kCatalogTable +
                                      " WHERE ObjectId = ?1 AND PropertyKey = ?2");
        if (!del) return scope.fail(del.error());
        for (const char* p : kDefinitionProperties) {
            sqlite3_reset(del->get());
            sqlite3_bind_text(del->get(), 1, token.c_str(), -1, SQLITE_TRANSIENT);
            const std::string key = foldCase(p);
            sqlite3_bind_text(del->get(), 2, key.c_str(), -1, SQLITE_TRANSIENT);
            if (Error e = stepAll(*conn, *del)) return scope.fail(e);
        }
        auto rename = prepare(*conn, std::string("UPDATE ") + kCatalogTable +
                                         " SET ObjectName = ?2 WHERE ObjectId = ?1");
        if (!rename) return scope.fail(rename.error());
        sqlite3_bind_text(rename->get(), 1, token.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(rename->get(), 2, name.c_str(), -1, SQLITE_TRANSIENT);
        if (Error e = stepAll(*conn, *rename)) return scope.fail(e);
    }
    def.Name = name;
    if (Error e = writeDefinition(def, token, name)) return scope.fail(e);
    if (Error e = scope.commit()) return e;
    attachDefinition(def, token);
    return {};
}

}  // namespace qrv::dao::detail
