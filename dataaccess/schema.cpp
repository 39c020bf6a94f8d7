// Table definitions over SQLite's schema. Types, sizes, required flags,
// defaults and rules live in the CREATE TABLE text itself, so any SQLite tool
// reads the same tables and another client's inserts obey the same rules;
// what the schema cannot hold (descriptions, the rule texts as written,
// index names) is kept in the property catalog.
#include <algorithm>
#include <cctype>
#include <cstring>

#include "dataaccess/database_impl.h"
#include "dataaccess/sql_dialect.h"

namespace qrv::dao {

namespace detail {

namespace {

bool isTextType(int t) {
    return t == dbText || t == dbMemo;
}

const char* declaredType(int type) {
    switch (type) {
        case dbBoolean:
            return "BOOLEAN";
        case dbByte:
            return "BYTE";
        case dbInteger:
            return "SMALLINT";
        case dbLong:
            return "INTEGER";
        case dbCurrency:
            return "CURRENCY";
        case dbSingle:
            return "SINGLE";
        case dbDouble:
            return "DOUBLE";
        case dbDate:
            return "DATETIME";
        case dbBinary:
            return "BINARY";
        case dbText:
            return "VARCHAR";
        case dbLongBinary:
            return "LONGBINARY";
        case dbMemo:
            return "LONGTEXT";
        case dbGUID:
            return "GUID";
        default:
            return nullptr;
    }
}

std::string stripQuotes(std::string s) {
    if (s.size() >= 2 && (s.front() == '"' || s.front() == '\'') && s.back() == s.front())
        return s.substr(1, s.size() - 2);
    return s;
}

// The default value text becomes an SQL literal of the field's type.
Result<std::string> defaultLiteral(const Field& f) {
    std::string t = f.DefaultValue;
    while (!t.empty() && t.back() == ' ') t.pop_back();
    if (isTextType(f.Type)) return quoteLiteral(stripQuotes(t));
    if (f.Type == dbDate) {
        if (iequal(t, "Now()") || iequal(t, "Date()")) return std::string("CURRENT_TIMESTAMP");
        auto serial = isoToSerialDate(stripQuotes(t));
        if (!serial) return makeError(err::kTypeConversion, "Data type conversion error.");
        return quoteLiteral(serialDateToIso(*serial));
    }
    if (f.Type == dbBoolean) {
        if (iequal(t, "True") || iequal(t, "Yes") || iequal(t, "On")) return std::string("1");
        if (iequal(t, "False") || iequal(t, "No") || iequal(t, "Off")) return std::string("0");
    }
    auto d = parseNumber(stripQuotes(t));
    if (!d) return makeError(err::kTypeConversion, "Data type conversion error.");
    if (f.Type == dbBoolean) return std::string(*d != 0 ? "1" : "0");
    return numberToText(*d);
}

bool soleCounterKey(const TableDef& def, const Field& f) {
    if (!(f.Attributes & dbAutoIncrField) || f.Type != dbLong) return false;
    for (const Index& ix : def.Indexes())
        if (ix.Primary) return ix.Fields.size() == 1 && iequal(ix.Fields[0], f.Name);
    return false;
}

// Field names as the table spells them, quoted and joined by ", ".
std::string columnList(const TableDef& def, const std::vector<std::string>& names) {
    std::string out;
    for (const std::string& n : names) {
        if (!out.empty()) out += ", ";
        const Field* f = def.FindField(n);
        out += quoteIdentifier(f ? f->Name : n);
    }
    return out;
}

std::string indexSqlName(std::string_view table, std::string_view index) {
    return std::string(table) + "." + std::string(index);
}

std::string createIndexSql(const TableDef& def, const std::string& table, const Index& ix) {
    return std::string(ix.Unique ? "CREATE UNIQUE INDEX " : "CREATE INDEX ") +
           quoteIdentifier(indexSqlName(table, ix.Name)) + " ON " + quoteIdentifier(table) + " (" +
           columnList(def, ix.Fields) + ")";
}

}  // namespace

std::optional<std::string> DatabaseImpl::findObject(std::string_view name, const char* type) const {
    if (!conn->db) return std::nullopt;
    auto hidden = [](std::string_view stored) {
        return iequal(stored.substr(0, 7), "sqlite_") || iequal(stored, kCatalogTable);
    };
    auto bound = [&](const char* sql) {
        auto st = prepare(*conn, sql);
        if (st) {
            sqlite3_bind_text(st->get(), 1, type, -1, SQLITE_STATIC);
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

Error DatabaseImpl::ensureCatalog() {
    return exec(*conn, std::string("CREATE TABLE IF NOT EXISTS ") + kCatalogTable +
                           " (ObjectName TEXT NOT NULL COLLATE NOCASE, ItemName TEXT NOT NULL "
                           "COLLATE NOCASE, PropertyName TEXT NOT NULL COLLATE NOCASE, "
                           "PropertyType INTEGER, PropertyValue, PRIMARY KEY (ObjectName, "
                           "ItemName, PropertyName))");
}

Error DatabaseImpl::setProperty(std::string_view object, std::string_view item, const Property& p) {
    if (conn->readOnly)
        return makeError(err::kReadOnly, "Cannot update. Database or object is read-only.");
    if (Error e = ensureCatalog()) return e;
    auto st = prepare(*conn, std::string("INSERT OR REPLACE INTO ") + kCatalogTable +
                                 " VALUES (?1, ?2, ?3, ?4, ?5)");
    if (!st) return st.error();
    sqlite3_stmt* s = st->get();
    sqlite3_bind_text(s, 1, object.data(), static_cast<int>(object.size()), SQLITE_TRANSIENT);
    sqlite3_bind_text(s, 2, item.data(), static_cast<int>(item.size()), SQLITE_TRANSIENT);
    sqlite3_bind_text(s, 3, p.Name.data(), static_cast<int>(p.Name.size()), SQLITE_TRANSIENT);
    sqlite3_bind_int(s, 4, p.Type);
    if (Error e = bindValue(s, 5, p.value, p.Type, p.Name)) return e;
    int rc = sqlite3_step(s);
    if (rc != SQLITE_DONE) return mapError(*conn, rc);
    return {};
}

std::vector<Property> DatabaseImpl::getProperties(std::string_view object,
                                                  std::string_view item) const {
    std::vector<Property> out;
    auto st = prepare(*conn, std::string("SELECT PropertyName, PropertyType, PropertyValue FROM ") +
                                 kCatalogTable + " WHERE ObjectName = ?1 AND ItemName = ?2");
    if (!st) return out;  // no catalog: no extra properties
    sqlite3_stmt* s = st->get();
    sqlite3_bind_text(s, 1, object.data(), static_cast<int>(object.size()), SQLITE_TRANSIENT);
    sqlite3_bind_text(s, 2, item.data(), static_cast<int>(item.size()), SQLITE_TRANSIENT);
    while (sqlite3_step(s) == SQLITE_ROW) {
        Property p;
        p.Name = reinterpret_cast<const char*>(sqlite3_column_text(s, 0));
        p.Type = sqlite3_column_int(s, 1);
        p.value = readColumn(s, 2, p.Type);
        out.push_back(std::move(p));
    }
    return out;
}

std::optional<Property> DatabaseImpl::getProperty(std::string_view object, std::string_view item,
                                                  std::string_view name) const {
    for (Property& p : getProperties(object, item))
        if (iequal(p.Name, name)) return p;
    return std::nullopt;
}

Error DatabaseImpl::dropProperties(std::string_view object) {
    auto st =
        prepare(*conn, std::string("DELETE FROM ") + kCatalogTable + " WHERE ObjectName = ?1");
    if (!st) return {};  // no catalog yet
    sqlite3_bind_text(st->get(), 1, object.data(), static_cast<int>(object.size()),
                      SQLITE_TRANSIENT);
    int rc = sqlite3_step(st->get());
    if (rc != SQLITE_DONE) return mapError(*conn, rc);
    return {};
}

Error DatabaseImpl::createTable(TableDef& def) {
    if (conn->readOnly)
        return makeError(err::kReadOnly, "Cannot update. Database or object is read-only.");
    if (Error e = checkName(def.Name)) return e;
    if (def.Fields().empty())
        return makeError(3264, "No field defined--cannot append TableDef or Index.");
    if (isTable(def.Name) || isQuery(def.Name))
        return makeError(err::kTableExists, "Table '" + def.Name + "' already exists.");

    // Columns follow their ordinal positions; equal positions keep append order.
    std::vector<const Field*> cols;
    for (const Field& f : def.Fields()) cols.push_back(&f);
    std::stable_sort(cols.begin(), cols.end(), [](const Field* a, const Field* b) {
        return a->OrdinalPosition < b->OrdinalPosition;
    });
    for (size_t i = 0; i < cols.size(); ++i) {
        if (Error e = checkName(cols[i]->Name, true)) return e;
        if (!declaredType(cols[i]->Type)) return makeError(3259, "Invalid field data type.");
        for (size_t j = 0; j < i; ++j)
            if (iequal(cols[i]->Name, cols[j]->Name))
                return makeError(3191, "Cannot define field more than once.");
    }

    std::string sql = "CREATE TABLE " + quoteIdentifier(def.Name) + " (";
    bool keyInline = false;
    for (size_t i = 0; i < cols.size(); ++i) {
        const Field& f = *cols[i];
        const std::string q = quoteIdentifier(f.Name);
        if (i) sql += ", ";
        sql += q + " ";
        if (soleCounterKey(def, f)) {
            sql += "INTEGER PRIMARY KEY AUTOINCREMENT";
            keyInline = true;
            continue;
        }
        sql += declaredType(f.Type);
        if (f.Type == dbText) {
            long size = f.Size > 0 ? std::min(f.Size, 255L) : 50;
            sql += "(" + std::to_string(size) + ")";
        }
        if (isTextType(f.Type))
            sql += f.CollatingOrder == dbSortNeutral ? " COLLATE BINARY" : " COLLATE NOCASE";
        if (f.Required) sql += " NOT NULL";
        if (!f.DefaultValue.empty()) {
            auto lit = defaultLiteral(f);
            if (!lit) return lit.error();
            sql += " DEFAULT (" + *lit + ")";
        }
        if (isTextType(f.Type) && !f.AllowZeroLength)
            sql += " CONSTRAINT " + quoteIdentifier("qrv_zero_length:" + f.Name) + " CHECK (" + q +
                   " <> '')";
        if (f.Type == dbText) {
            long size = f.Size > 0 ? std::min(f.Size, 255L) : 50;
            sql += " CONSTRAINT " + quoteIdentifier("qrv_size:" + f.Name) + " CHECK (length(" + q +
                   ") <= " + std::to_string(size) + ")";
        }
        if (!f.ValidationRule.empty()) {
            auto rule = translateFieldRule(f.ValidationRule, f.Name);
            if (!rule) return rule.error();
            std::string name = f.ValidationText.empty() ? "qrv_rule:" + f.Name : f.ValidationText;
            sql += " CONSTRAINT " + quoteIdentifier(name) + " CHECK (" + *rule + ")";
        }
    }
    const Index* primary = nullptr;
    for (const Index& ix : def.Indexes()) {
        if (!ix.Primary) continue;
        if (primary) return makeError(3283, "Primary key already exists.");
        primary = &ix;
    }
    for (const Index& ix : def.Indexes()) {
        if (ix.Fields.empty())
            return makeError(3264, "No field defined--cannot append TableDef or Index.");
        for (const std::string& fn : ix.Fields)
            if (!def.FindField(fn))
                return makeError(err::kItemNotFound, "Item not found in this collection.");
    }
    if (primary && !keyInline) {
        sql += ", PRIMARY KEY (";
        sql += columnList(def, primary->Fields);
        sql += ")";
    }
    sql += ")";

    const bool ownTx = sqlite3_get_autocommit(conn->db) != 0;
    if (Error e = exec(*conn, ownTx ? "BEGIN" : "SAVEPOINT qrv_create")) return e;
    auto fail = [&](Error e) {
        exec(*conn, ownTx ? "ROLLBACK" : "ROLLBACK TO qrv_create");
        if (!ownTx) exec(*conn, "RELEASE qrv_create");
        return e;
    };
    if (Error e = exec(*conn, sql)) return fail(e);
    for (const Index& ix : def.Indexes()) {
        if (ix.Primary) {
            if (Error e = setProperty(def.Name, "", {"PrimaryIndexName", dbText, ix.Name}))
                return fail(e);
            continue;
        }
        if (Error e = exec(*conn, createIndexSql(def, def.Name, ix))) return fail(e);
    }
    for (size_t i = 0; i < cols.size(); ++i) {
        const Field& f = *cols[i];
        auto put = [&](const char* name, int type, Value v) {
            return setProperty(def.Name, f.Name, {name, type, std::move(v)});
        };
        Error e;
        if (!e && isTextType(f.Type)) e = put("AllowZeroLength", dbBoolean, f.AllowZeroLength);
        if (!e && !f.DefaultValue.empty()) e = put("DefaultValue", dbText, f.DefaultValue);
        if (!e && !f.ValidationRule.empty()) e = put("ValidationRule", dbText, f.ValidationRule);
        if (!e && !f.ValidationText.empty()) e = put("ValidationText", dbText, f.ValidationText);
        if (!e && (f.Attributes & dbAutoIncrField) && !soleCounterKey(def, f))
            e = put("Attributes", dbLong, static_cast<int>(f.Attributes));
        if (!e && f.OrdinalPosition != 0 && f.OrdinalPosition != static_cast<int>(i))
            e = put("OrdinalPosition", dbLong, f.OrdinalPosition);
        for (const Property& p : f.Properties())
            if (!e) e = setProperty(def.Name, f.Name, p);
        if (e) return fail(e);
    }
    for (const Property& p : def.props_)
        if (Error e = setProperty(def.Name, "", p)) return fail(e);
    if (Error e = exec(*conn, ownTx ? "COMMIT" : "RELEASE qrv_create")) return fail(e);

    def.attached_ = true;
    def.db_ = weak_from_this();
    for (Field& f : def.Fields()) {
        f.db_ = weak_from_this();
        f.table_ = def.Name;
    }
    return {};
}

Result<TableDef> DatabaseImpl::loadTableDef(std::string_view name) {
    auto stored = findObject(name, "table");
    if (!stored) return makeError(err::kItemNotFound, "Item not found in this collection.");
    TableDef def(*stored);
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
        for (Property& p : getProperties(*stored, f.Name)) {
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
        def.fields_.push_back(std::move(f));
    }
    if (rc != SQLITE_DONE) return mapError(*conn, rc);

    std::string primaryName = "PrimaryKey";
    for (Property& p : getProperties(*stored, "")) {
        if (iequal(p.Name, "PrimaryIndexName"))
            primaryName = p.value.toText();
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
    def.attached_ = true;
    def.db_ = weak_from_this();
    return def;
}

Error DatabaseImpl::dropTable(std::string_view name) {
    if (conn->readOnly)
        return makeError(err::kReadOnly, "Cannot update. Database or object is read-only.");
    auto stored = findObject(name, "table");
    if (!stored) return makeError(err::kItemNotFound, "Item not found in this collection.");
    if (Error e = exec(*conn, "DROP TABLE " + quoteIdentifier(*stored))) return e;
    return dropProperties(*stored);
}

Error DatabaseImpl::renameTable(std::string_view from, std::string_view to) {
    if (conn->readOnly)
        return makeError(err::kReadOnly, "Cannot update. Database or object is read-only.");
    if (Error e = checkName(to)) return e;
    auto stored = findObject(from, "table");
    if (!stored) return makeError(err::kItemNotFound, "Item not found in this collection.");
    if (!iequal(*stored, to) && (isTable(to) || isQuery(to)))
        return makeError(err::kTableExists, "Table '" + std::string(to) + "' already exists.");
    auto def = loadTableDef(*stored);
    if (!def) return def.error();
    const bool ownTx = sqlite3_get_autocommit(conn->db) != 0;
    if (Error e = exec(*conn, ownTx ? "BEGIN" : "SAVEPOINT qrv_rename")) return e;
    auto fail = [&](Error e) {
        exec(*conn, ownTx ? "ROLLBACK" : "ROLLBACK TO qrv_rename");
        if (!ownTx) exec(*conn, "RELEASE qrv_rename");
        return e;
    };
    std::string target(to);
    if (Error e = exec(*conn, "ALTER TABLE " + quoteIdentifier(*stored) + " RENAME TO " +
                                  quoteIdentifier(target)))
        return fail(e);
    // Index names carry the table name; rebuild them under the new one.
    for (const Index& ix : def->Indexes()) {
        if (ix.Primary) continue;
        std::string oldName = indexSqlName(*stored, ix.Name);
        if (!findObject(oldName, "index")) continue;
        if (Error e = exec(*conn, "DROP INDEX " + quoteIdentifier(oldName))) return fail(e);
        if (Error e = exec(*conn, createIndexSql(*def, target, ix))) return fail(e);
    }
    {
        // Without a catalog there is nothing to carry over.
        auto st = prepare(*conn, std::string("UPDATE ") + kCatalogTable +
                                     " SET ObjectName = ?1 WHERE ObjectName = ?2");
        if (st) {
            sqlite3_bind_text(st->get(), 1, target.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(st->get(), 2, stored->c_str(), -1, SQLITE_TRANSIENT);
            int rc = sqlite3_step(st->get());
            if (rc != SQLITE_DONE) return fail(mapError(*conn, rc));
        }
    }
    if (Error e = exec(*conn, ownTx ? "COMMIT" : "RELEASE qrv_rename")) return fail(e);
    return {};
}

}  // namespace detail
}  // namespace qrv::dao
