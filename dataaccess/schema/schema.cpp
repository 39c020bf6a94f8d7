// Table definitions over SQLite's schema: creating, reading back, dropping
// and renaming tables. The CREATE TABLE text (schema_sql.cpp) holds types,
// sizes, required flags, defaults and rules; the property catalog
// (catalog.cpp) holds what the schema cannot, filed under the table's token.
#include <algorithm>

#include "dataaccess/dialect/sql_dialect.h"
#include "dataaccess/objects/database_impl.h"
#include "dataaccess/objects/stored_queries.h"
#include "dataaccess/schema/schema_sql.h"
#include "dataaccess/schema/system_tables.h"

namespace qrv::dao::detail {

namespace {

Error readOnlyError() {
    return makeError(err::kReadOnly, "Cannot update. Database or object is read-only.");
}

Error notFound() {
    return makeError(err::kItemNotFound, "Item not found in this collection.");
}

}  // namespace

std::optional<std::string> DatabaseImpl::findObject(std::string_view name, const char* type) const {
    if (!conn->db) return std::nullopt;
    auto hidden = [](std::string_view stored) {
        return iequal(stored.substr(0, 7), "sqlite_") || iequal(stored, kCatalogTable) ||
               isSystemTable(stored);
    };
    auto bound = [&](const char* sql) {
        auto st = prepare(*conn, sql);
        if (st) {
            sqlite3_bind_text(st->get(), 1, type, -1, SQLITE_STATIC);
            if (sqlite3_bind_parameter_count(st->get()) > 1)
                sqlite3_bind_text(st->get(), 2, name.data(), static_cast<int>(name.size()),
                                  SQLITE_TRANSIENT);
        }
        return st;
    };
    // SQLite's own notion of one name (ASCII letters) first: SQLite keeps at
    // most one such object, and it is the one an SQL text would reach.
    auto st = bound(
        "SELECT name FROM main.sqlite_master WHERE type = ?1 AND name = ?2 "
        "COLLATE NOCASE");
    if (!st) return std::nullopt;
    if (sqlite3_step(st->get()) == SQLITE_ROW) {
        std::string stored = reinterpret_cast<const char*>(sqlite3_column_text(st->get(), 0));
        return hidden(stored) ? std::nullopt : std::optional<std::string>(stored);
    }
    // Then the full case fold, which only a name with a non-ASCII character can add.
    auto ascii = [](std::string_view s) {
        return std::all_of(s.begin(), s.end(), [](char c) { return (c & 0x80) == 0; });
    };
    const bool asciiName = ascii(name);
    auto all = bound("SELECT name FROM main.sqlite_master WHERE type = ?1");
    if (!all) return std::nullopt;
    while (sqlite3_step(all->get()) == SQLITE_ROW) {
        std::string stored = reinterpret_cast<const char*>(sqlite3_column_text(all->get(), 0));
        if ((!asciiName || !ascii(stored)) && iequal(stored, name) && !hidden(stored))
            return stored;
    }
    return std::nullopt;
}

Error DatabaseImpl::createTable(TableDef& def) {
    if (conn->readOnly) return readOnlyError();
    if (Error e = checkName(def.Name)) return e;
    if (def.Fields().empty())
        return makeError(3264, "No field defined--cannot append TableDef or Index.");
    if (isTable(def.Name) || isQuery(def.Name))
        return makeError(err::kTableExists, "Table '" + def.Name + "' already exists.");
    const std::string token = newObjectToken();
    auto sql = createTableSql(def, def.Name, token);
    if (!sql) return sql.error();

    WriteScope scope(*conn, "qrv_create");
    if (Error e = scope.begin()) return e;
    if (Error e = ensureCatalog()) return scope.fail(e);
    if (Error e = exec(*conn, *sql)) return scope.fail(e);
    for (const Index& ix : def.Indexes())
        if (!ix.Primary)
            if (Error e = exec(*conn, createIndexSql(def, def.Name, ix))) return scope.fail(e);
    if (Error e = writeDefinition(def, token, def.Name)) return scope.fail(e);
    if (Error e = scope.commit()) return e;
    attachDefinition(def, token);
    return {};
}

Error DatabaseImpl::writeDefinition(const TableDef& def, const std::string& token,
                                    const std::string& name) {
    auto put = [&](std::string_view item, const Property& p) {
        return putProperty(token, name, item, p);
    };
    Error e;
    for (const Index& ix : def.Indexes())
        if (!e && ix.Primary) e = put("", {"PrimaryIndexName", dbText, ix.Name});
    const std::vector<const Field*> cols = columnOrder(def);
    for (size_t i = 0; i < cols.size() && !e; ++i) {
        const Field& f = *cols[i];
        auto field = [&](const char* prop, int type, Value v) {
            return put(f.Name, {prop, type, std::move(v)});
        };
        if (!e && isTextType(f.Type)) e = field("AllowZeroLength", dbBoolean, f.AllowZeroLength);
        if (!e && !f.DefaultValue.empty()) e = field("DefaultValue", dbText, f.DefaultValue);
        if (!e && !f.ValidationRule.empty()) e = field("ValidationRule", dbText, f.ValidationRule);
        if (!e && !f.ValidationText.empty()) e = field("ValidationText", dbText, f.ValidationText);
        if (!e && (f.Attributes & dbAutoIncrField) && !soleCounterKey(def, f))
            e = field("Attributes", dbLong, static_cast<int>(f.Attributes));
        if (!e && f.OrdinalPosition != 0 && f.OrdinalPosition != static_cast<int>(i))
            e = field("OrdinalPosition", dbLong, f.OrdinalPosition);
        for (const Property& p : f.Properties())
            if (!e) e = put(f.Name, p);
    }
    if (!e && !def.ValidationRule.empty())
        e = put("", {"ValidationRule", dbText, def.ValidationRule});
    if (!e && !def.ValidationText.empty())
        e = put("", {"ValidationText", dbText, def.ValidationText});
    for (const Property& p : def.props_)
        if (!e) e = put("", p);
    return e;
}

void DatabaseImpl::attachDefinition(TableDef& def, const std::string& token) {
    def.attached_ = true;
    def.db_ = weak_from_this();
    def.token_ = token;
    for (Field& f : def.Fields()) {
        f.db_ = weak_from_this();
        f.table_ = def.Name;
        f.token_ = token;
    }
}

Result<TableDef> DatabaseImpl::loadTableDef(std::string_view name) {
    auto ref = findRef(name, "table");
    if (!ref) return notFound();
    const std::string* stored = &ref->name;
    TableDef def(*stored);
    // Every catalog row of the table at once, sorted out by item below.
    std::vector<CatalogEntry> entries = objectProperties(*ref);
    auto itemProperties = [&](std::string_view item) {
        std::vector<Property> out;
        const std::string key = foldCase(item);
        for (CatalogEntry& e : entries)
            if (foldCase(e.item) == key) out.push_back(std::move(e.prop));
        return out;
    };
    auto st = prepare(*conn,
                      "SELECT cid, name, type, \"notnull\", dflt_value, pk FROM "
                      "pragma_table_info(?1)");
    if (!st) return st.error();
    sqlite3_stmt* s = st->get();
    sqlite3_bind_text(s, 1, stored->c_str(), -1, SQLITE_TRANSIENT);
    std::vector<std::pair<int, std::string>> pk;  // (position in key, field)
    int rc;
    while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
        Field f;
        f.Name = reinterpret_cast<const char*>(sqlite3_column_text(s, 1));
        const char* decl = reinterpret_cast<const char*>(sqlite3_column_text(s, 2));
        typeFromDeclared(decl ? decl : "", f.Type, f.Size);
        f.Required = sqlite3_column_int(s, 3) != 0;
        f.OrdinalPosition = sqlite3_column_int(s, 0);
        if (sqlite3_column_type(s, 4) != SQLITE_NULL)
            f.DefaultValue = reinterpret_cast<const char*>(sqlite3_column_text(s, 4));
        if (int k = sqlite3_column_int(s, 5)) pk.emplace_back(k, f.Name);
        const char* coll = nullptr;
        int autoinc = 0;
        sqlite3_table_column_metadata(conn->db, "main", stored->c_str(), f.Name.c_str(), nullptr,
                                      &coll, nullptr, nullptr, &autoinc);
        if (isTextType(f.Type))
            f.CollatingOrder = coll && iequal(coll, "NOCASE") ? dbSortGeneral : dbSortNeutral;
        if (autoinc) f.Attributes |= dbAutoIncrField;
        if (isTextType(f.Type)) f.AllowZeroLength = true;
        if (f.Type == dbText || f.Type == dbMemo)
            f.Attributes |= dbVariableField;
        else
            f.Attributes |= dbFixedField;
        f.Attributes |= dbUpdatableField;
        for (Property& p : itemProperties(f.Name)) {
            if (iequal(p.Name, "AllowZeroLength"))
                f.AllowZeroLength = p.value.asBool();
            else if (iequal(p.Name, "DefaultValue"))
                f.DefaultValue = p.value.toText();
            else if (iequal(p.Name, "ValidationRule"))
                f.ValidationRule = p.value.toText();
            else if (iequal(p.Name, "ValidationText"))
                f.ValidationText = p.value.toText();
            else if (iequal(p.Name, "Attributes"))
                f.Attributes |= static_cast<long>(p.value.asDouble());
            else if (iequal(p.Name, "OrdinalPosition"))
                f.OrdinalPosition = static_cast<int>(p.value.asDouble());
            else
                f.props_.push_back(std::move(p));
        }
        f.db_ = weak_from_this();
        f.table_ = *stored;
        f.token_ = ref->token;
        def.fields_.push_back(std::move(f));
    }
    if (rc != SQLITE_DONE) return mapError(*conn, rc);

    std::string primaryName = "PrimaryKey";
    for (Property& p : itemProperties("")) {
        if (iequal(p.Name, "PrimaryIndexName"))
            primaryName = p.value.toText();
        else if (iequal(p.Name, "ValidationRule"))
            def.ValidationRule = p.value.toText();
        else if (iequal(p.Name, "ValidationText"))
            def.ValidationText = p.value.toText();
        else
            def.props_.push_back(std::move(p));
    }
    if (!pk.empty()) {
        std::sort(pk.begin(), pk.end());
        Index ix(primaryName);
        ix.Primary = ix.Unique = true;
        for (auto& [k, fn] : pk) ix.Fields.push_back(fn);
        def.indexes_.push_back(std::move(ix));
    }
    auto il = prepare(*conn, "SELECT name, \"unique\", origin FROM pragma_index_list(?1)");
    if (!il) return il.error();
    sqlite3_bind_text(il->get(), 1, stored->c_str(), -1, SQLITE_TRANSIENT);
    while (sqlite3_step(il->get()) == SQLITE_ROW) {
        std::string iname = reinterpret_cast<const char*>(sqlite3_column_text(il->get(), 0));
        std::string origin = reinterpret_cast<const char*>(sqlite3_column_text(il->get(), 2));
        if (origin == "pk") continue;
        Index ix;
        std::string prefix = *stored + ".";
        ix.Name = iname.size() > prefix.size() && iequal(iname.substr(0, prefix.size()), prefix)
                      ? iname.substr(prefix.size())
                      : iname;
        ix.Unique = sqlite3_column_int(il->get(), 1) != 0;
        auto ii = prepare(*conn, "SELECT name FROM pragma_index_info(?1) ORDER BY seqno");
        if (!ii) return ii.error();
        sqlite3_bind_text(ii->get(), 1, iname.c_str(), -1, SQLITE_TRANSIENT);
        while (sqlite3_step(ii->get()) == SQLITE_ROW)
            if (auto* n = sqlite3_column_text(ii->get(), 0))
                ix.Fields.emplace_back(reinterpret_cast<const char*>(n));
        def.indexes_.push_back(std::move(ix));
    }
    std::stable_sort(def.fields_.begin(), def.fields_.end(), [](const Field& a, const Field& b) {
        return a.OrdinalPosition < b.OrdinalPosition;
    });
    // The stored text itself says whether the table holds its fields to their types.
    def.EnforceTypes = ref->sql.find(std::string("\"") + kTypeCheckPrefix) != std::string::npos;
    def.attached_ = true;
    def.db_ = weak_from_this();
    def.token_ = ref->token;
    return def;
}

Error DatabaseImpl::dropTable(std::string_view name) {
    if (conn->readOnly) return readOnlyError();
    if (!findObject(name, "table")) return notFound();
    WriteScope scope(*conn, "qrv_drop");
    if (Error e = scope.begin()) return e;
    // An earlier version's catalog moves first, so its rows go with the table.
    if (catalogLayout() == CatalogLayout::ByName)
        if (Error e = ensureCatalog()) return scope.fail(e);
    auto ref = findRef(name, "table");
    if (!ref) return scope.fail(notFound());
    if (Error e = dropProperties(*ref)) return scope.fail(e);
    if (Error e = exec(*conn, "DROP TABLE " + quoteIdentifier(ref->name))) return scope.fail(e);
    return scope.commit();
}

Error DatabaseImpl::renameTable(std::string_view from, std::string_view to) {
    if (conn->readOnly) return readOnlyError();
    if (Error e = checkName(to)) return e;
    auto stored = findObject(from, "table");
    if (!stored) return notFound();
    if (!iequal(*stored, to) && (isTable(to) || isQuery(to)))
        return makeError(err::kTableExists, "Table '" + std::string(to) + "' already exists.");
    WriteScope scope(*conn, "qrv_rename");
    if (Error e = scope.begin()) return e;
    // The rows follow the token, which SQLite keeps in the renamed text; an
    // earlier version's catalog is moved to tokens first, for the same reason.
    if (catalogLayout() != CatalogLayout::None)
        if (Error e = ensureCatalog()) return scope.fail(e);
    auto def = loadTableDef(*stored);
    if (!def) return scope.fail(def.error());
    auto ref = findRef(*stored, "table");
    if (!ref) return scope.fail(notFound());
    const bool owned = ownsRows(*ref);
    const std::string target(to);
    Error renamed;
    {
        LegacyAlterScope legacy(conn->db);
        renamed = exec(*conn, "ALTER TABLE " + quoteIdentifier(*stored) + " RENAME TO " +
                                  quoteIdentifier(target));
    }
    if (renamed) return scope.fail(renamed);
    // Index names carry the table name; rebuild them under the new one.
    for (const Index& ix : def->Indexes()) {
        if (ix.Primary) continue;
        std::string oldName = indexSqlName(*stored, ix.Name);
        if (!findObject(oldName, "index")) continue;
        if (Error e = exec(*conn, "DROP INDEX " + quoteIdentifier(oldName))) return scope.fail(e);
        if (Error e = exec(*conn, createIndexSql(*def, target, ix))) return scope.fail(e);
    }
    if (owned && catalogLayout() == CatalogLayout::ByToken) {
        auto st = prepare(*conn, std::string("UPDATE ") + kCatalogTable +
                                     " SET ObjectName = ?2 WHERE ObjectId = ?1");
        if (!st) return scope.fail(st.error());
        sqlite3_bind_text(st->get(), 1, ref->token.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st->get(), 2, target.c_str(), -1, SQLITE_TRANSIENT);
        int rc = sqlite3_step(st->get());
        if (rc != SQLITE_DONE) return scope.fail(mapError(*conn, rc));
    }
    return scope.commit();
}

}  // namespace qrv::dao::detail
