// The property catalog: what SQLite's schema has no place for (descriptions,
// rule texts as written, index names), one row per object, item and
// property. Rows are filed under the object's token, never its name, so a
// table dropped by another program leaves nothing that a later table of that
// name could inherit; such rows are passed over when read and removed at the
// next write. Names of items and properties are keyed by their case fold.
#include <map>

#include "dataaccess/objects/database_impl.h"
#include "dataaccess/objects/stored_queries.h"

namespace qrv::dao::detail {

namespace {

const std::string kTable = kCatalogTable;

std::string text(sqlite3_stmt* s, int col) {
    const auto* p = sqlite3_column_text(s, col);
    return p ? reinterpret_cast<const char*>(p) : std::string();
}

// Not named bind: with <functional> in view, a call with a std::string would
// quietly resolve to std::bind.
void bindText(sqlite3_stmt* s, int idx, std::string_view v) {
    sqlite3_bind_text(s, idx, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
}

Error step(Connection& c, Stmt& st) {
    const int rc = sqlite3_step(st.get());
    if (rc != SQLITE_DONE && rc != SQLITE_ROW) return mapError(c, rc);
    return {};
}

Error readOnlyError() {
    return makeError(err::kReadOnly, "Cannot update. Database or object is read-only.");
}

Result<long long> schemaVersion(Connection& c) {
    auto st = prepare(c, "PRAGMA main.schema_version");
    if (!st) return st.error();
    if (sqlite3_step(st->get()) != SQLITE_ROW) return mapError(c, SQLITE_ERROR);
    return static_cast<long long>(sqlite3_column_int64(st->get(), 0));
}

std::vector<CatalogEntry> readEntries(sqlite3_stmt* s) {
    std::vector<CatalogEntry> out;
    while (sqlite3_step(s) == SQLITE_ROW) {
        CatalogEntry e;
        e.item = text(s, 0);
        e.prop.Name = text(s, 1);
        e.prop.Type = sqlite3_column_int(s, 2);
        e.prop.value = readColumn(s, 3, e.prop.Type);
        out.push_back(std::move(e));
    }
    return out;
}

}  // namespace

CatalogLayout DatabaseImpl::catalogLayout() const {
    auto st = prepare(*conn, "SELECT max(name = 'ObjectId') FROM pragma_table_info(?1)");
    if (!st) return CatalogLayout::None;
    bindText(st->get(), 1, kTable);
    if (sqlite3_step(st->get()) != SQLITE_ROW || sqlite3_column_type(st->get(), 0) == SQLITE_NULL)
        return CatalogLayout::None;
    return sqlite3_column_int(st->get(), 0) ? CatalogLayout::ByToken : CatalogLayout::ByName;
}

Error DatabaseImpl::ensureCatalog() {
    if (conn->readOnly) return readOnlyError();
    switch (catalogLayout()) {
        case CatalogLayout::None:
            return exec(*conn,
                        "CREATE TABLE " + kTable +
                            " (ObjectId TEXT NOT NULL, ObjectName TEXT NOT NULL, ItemKey TEXT NOT "
                            "NULL, ItemName TEXT NOT NULL, PropertyKey TEXT NOT NULL, PropertyName "
                            "TEXT NOT NULL, PropertyType INTEGER, PropertyValue, PRIMARY KEY "
                            "(ObjectId, ItemKey, PropertyKey))");
        case CatalogLayout::ByName:
            return migrateCatalog();
        case CatalogLayout::ByToken:
            break;
    }
    auto version = schemaVersion(*conn);
    if (!version) return version.error();
    if (*version == tidiedAt_) return {};
    if (Error e = tidyCatalog()) return e;
    tidiedAt_ = *version;
    return {};
}

// Rows of an earlier version, filed by object name, move to the token of the
// object of that name now in the file; rows naming no object are dropped.
Error DatabaseImpl::migrateCatalog() {
    WriteScope scope(*conn, "qrv_catalog");
    if (Error e = scope.begin()) return e;
    const std::string old = kTable + "_by_name";
    Error renamed;
    {
        LegacyAlterScope legacy(conn->db);
        renamed = exec(*conn, "ALTER TABLE " + kTable + " RENAME TO " + old);
    }
    if (renamed) return scope.fail(renamed);
    tidiedAt_ = -1;
    if (Error e = ensureCatalog()) return scope.fail(e);
    auto names = prepare(*conn, "SELECT DISTINCT ObjectName FROM " + old);
    if (!names) return scope.fail(names.error());
    std::vector<std::string> objects;
    while (sqlite3_step(names->get()) == SQLITE_ROW) objects.push_back(text(names->get(), 0));
    names->reset();
    for (const std::string& object : objects) {
        std::string token, stored;
        if (!object.empty()) {
            auto ref = findRef(object);
            if (!ref) continue;
            if (ref->token.empty() || tokenCarriers(ref->token).size() > 1)
                if (Error e = markObject(*ref)) return scope.fail(e);
            token = ref->token;
            stored = ref->name;
        }
        // The old name column ignores case as SQLite does (ASCII letters), as
        // DISTINCT above did: every spelling it merged comes along.
        auto rows = prepare(
            *conn, "SELECT rowid, ItemName, PropertyName FROM " + old + " WHERE ObjectName = ?1");
        auto put = prepare(*conn, "INSERT OR REPLACE INTO " + kTable +
                                      " SELECT ?1, ?2, ?3, ItemName, ?4, PropertyName, "
                                      "PropertyType, PropertyValue FROM " +
                                      old + " WHERE rowid = ?5");
        if (!rows) return scope.fail(rows.error());
        if (!put) return scope.fail(put.error());
        bindText(rows->get(), 1, object);
        while (sqlite3_step(rows->get()) == SQLITE_ROW) {
            sqlite3_reset(put->get());
            bindText(put->get(), 1, token);
            bindText(put->get(), 2, stored);
            bindText(put->get(), 3, foldCase(text(rows->get(), 1)));
            bindText(put->get(), 4, foldCase(text(rows->get(), 2)));
            sqlite3_bind_int64(put->get(), 5, sqlite3_column_int64(rows->get(), 0));
            if (Error e = step(*conn, *put)) return scope.fail(e);
        }
    }
    if (Error e = exec(*conn, "DROP TABLE " + old)) return scope.fail(e);
    return scope.commit();
}

Error DatabaseImpl::tidyCatalog() {
    if (catalogLayout() != CatalogLayout::ByToken) return {};
    std::map<std::string, std::vector<std::string>> carriers;  // token -> objects
    {
        auto st = prepare(*conn,
                          "SELECT name, sql FROM main.sqlite_master WHERE type IN ('table', "
                          "'view') AND instr(sql, '/*qrv:') > 0");
        if (!st) return st.error();
        while (sqlite3_step(st->get()) == SQLITE_ROW)
            if (auto t = findTokenComment(text(st->get(), 1)))
                carriers[t->token].push_back(text(st->get(), 0));
    }
    auto ids = prepare(
        *conn, "SELECT DISTINCT ObjectId, ObjectName FROM " + kTable + " WHERE ObjectId <> ''");
    if (!ids) return ids.error();
    std::vector<std::string> gone;
    std::vector<std::pair<std::string, std::string>> renamed;  // (token, name now)
    while (sqlite3_step(ids->get()) == SQLITE_ROW) {
        const std::string token = text(ids->get(), 0), name = text(ids->get(), 1);
        auto it = carriers.find(token);
        if (it == carriers.end())
            gone.push_back(token);
        else if (it->second.size() == 1 && it->second.front() != name)
            renamed.emplace_back(token, it->second.front());  // renamed by another client
    }
    ids->reset();
    for (const std::string& token : gone) {
        auto del = prepare(*conn, "DELETE FROM " + kTable + " WHERE ObjectId = ?1");
        if (!del) return del.error();
        bindText(del->get(), 1, token);
        if (Error e = step(*conn, *del)) return e;
    }
    for (const auto& [token, name] : renamed) {
        auto up = prepare(*conn, "UPDATE " + kTable + " SET ObjectName = ?2 WHERE ObjectId = ?1");
        if (!up) return up.error();
        bindText(up->get(), 1, token);
        bindText(up->get(), 2, name);
        if (Error e = step(*conn, *up)) return e;
    }
    return {};
}

// With a token in one object's text only, its rows are that object's. A
// client that copied a definition text word for word made two carriers;
// the rows then stay with the object they were written for, by name.
bool DatabaseImpl::ownsRows(const ObjectRef& ref) const {
    if (ref.token.empty()) return false;
    if (tokenCarriers(ref.token).size() <= 1) return true;
    auto st =
        prepare(*conn, "SELECT 1 FROM " + kTable + " WHERE ObjectId = ?1 AND ObjectName = ?2");
    if (!st) return false;
    bindText(st->get(), 1, ref.token);
    bindText(st->get(), 2, ref.name);
    return sqlite3_step(st->get()) == SQLITE_ROW;
}

Error DatabaseImpl::putProperty(const std::string& token, const std::string& name,
                                std::string_view item, const Property& p) {
    auto st = prepare(
        *conn, "INSERT OR REPLACE INTO " + kTable + " VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8)");
    if (!st) return st.error();
    sqlite3_stmt* s = st->get();
    bindText(s, 1, token);
    bindText(s, 2, name);
    bindText(s, 3, foldCase(item));
    bindText(s, 4, item);
    bindText(s, 5, foldCase(p.Name));
    bindText(s, 6, p.Name);
    sqlite3_bind_int(s, 7, p.Type);
    if (Error e = bindValue(s, 8, p.value, p.Type, p.Name)) return e;
    return step(*conn, *st);
}

Error DatabaseImpl::setObjectProperty(std::string_view name, std::string_view token,
                                      std::string_view item, const Property& p) {
    if (conn->readOnly) return readOnlyError();
    WriteScope scope(*conn, "qrv_property");
    if (Error e = scope.begin()) return e;
    if (Error e = ensureCatalog()) return scope.fail(e);
    if (name.empty() && token.empty()) {
        if (Error e = putProperty("", "", item, p)) return scope.fail(e);
        return scope.commit();
    }
    std::optional<ObjectRef> ref = findRef(name);
    // A definition read earlier follows its own table: renamed elsewhere, it
    // is found by its token; gone, it cannot take a property any more.
    if (!token.empty() && (!ref || ref->token != token)) {
        ref.reset();
        for (ObjectRef& r : tokenCarriers(token))
            if (!ref || r.name == name) ref = std::move(r);
        if (!ref) return scope.fail(closedError());
    }
    if (!ref)
        return scope.fail(makeError(err::kItemNotFound, "Item not found in this collection."));
    if (!ownsRows(*ref))
        if (Error e = markObject(*ref)) return scope.fail(e);
    if (Error e = putProperty(ref->token, ref->name, item, p)) return scope.fail(e);
    return scope.commit();
}

Error DatabaseImpl::setProperty(std::string_view object, std::string_view item, const Property& p) {
    return setObjectProperty(object, "", item, p);
}

std::vector<CatalogEntry> DatabaseImpl::objectProperties(const ObjectRef& ref) const {
    std::vector<CatalogEntry> out;
    const CatalogLayout layout = catalogLayout();
    if (layout == CatalogLayout::ByName) {
        // An earlier version's catalog, read as it is (its name column ignores case).
        auto st =
            prepare(*conn, "SELECT ItemName, PropertyName, PropertyType, PropertyValue FROM " +
                               kTable + " WHERE ObjectName = ?1");
        if (!st) return out;
        bindText(st->get(), 1, ref.name);
        return readEntries(st->get());
    }
    if (layout != CatalogLayout::ByToken || (!ref.name.empty() && !ownsRows(ref))) return out;
    auto st = prepare(*conn, "SELECT ItemName, PropertyName, PropertyType, PropertyValue FROM " +
                                 kTable + " WHERE ObjectId = ?1");
    if (!st) return out;
    bindText(st->get(), 1, ref.token);
    return readEntries(st->get());
}

std::optional<Property> DatabaseImpl::getProperty(std::string_view object, std::string_view item,
                                                  std::string_view name) const {
    ObjectRef db;  // the database itself: no name, no token
    std::optional<ObjectRef> ref = object.empty() ? std::optional<ObjectRef>(db) : findRef(object);
    if (!ref) return std::nullopt;
    for (CatalogEntry& e : objectProperties(*ref))
        if (iequal(e.item, item) && iequal(e.prop.Name, name)) return std::move(e.prop);
    return std::nullopt;
}

Error DatabaseImpl::dropProperties(const ObjectRef& ref) {
    const CatalogLayout layout = catalogLayout();
    if (layout == CatalogLayout::None) return {};
    if (layout == CatalogLayout::ByName) {
        auto st = prepare(*conn, "DELETE FROM " + kTable + " WHERE ObjectName = ?1");
        if (!st) return st.error();
        bindText(st->get(), 1, ref.name);
        return step(*conn, *st);
    }
    if (!ownsRows(ref)) return {};
    auto st = prepare(*conn, "DELETE FROM " + kTable + " WHERE ObjectId = ?1");
    if (!st) return st.error();
    bindText(st->get(), 1, ref.token);
    return step(*conn, *st);
}

}  // namespace qrv::dao::detail
