// The name lookup the translator uses for names SQLite would not find by
// itself (letter case beyond ASCII, as in [ÉMILE] for a field émile).
#include "dataaccess/dialect/sql_names.h"

#include <sqlite3.h>

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "dataaccess/fold.h"
#include "dataaccess/objects/connection.h"
#include "dataaccess/objects/database_impl.h"
#include "dataaccess/schema/system_tables.h"

namespace qrv::dao::detail {

namespace {

using Spellings = std::map<std::string, std::set<std::string>>;  // fold -> stored spellings

std::vector<std::string> columnOf(Connection& conn, const std::string& sql) {
    std::vector<std::string> out;
    auto st = prepare(conn, sql);
    if (!st || !*st) return out;
    while (sqlite3_step(st->get()) == SQLITE_ROW) {
        const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(st->get(), 0));
        if (p != nullptr) out.emplace_back(p);
    }
    return out;
}

Spellings readSpellings(Connection& conn) {
    Spellings map;
    auto note = [&map](const std::string& s) { map[foldCase(s)].insert(s); };
    for (const std::string& schema : columnOf(conn, "SELECT name FROM pragma_database_list")) {
        const std::string q = quoteIdentifier(schema);
        for (const std::string& table :
             columnOf(conn, "SELECT name FROM " + q +
                                ".sqlite_master WHERE type IN ('table', 'view') AND name NOT "
                                "LIKE 'sqlite\\_%' ESCAPE '\\'")) {
            if (isSystemTable(table)) continue;
            note(table);
            for (const std::string& field :
                 columnOf(conn, "SELECT name FROM pragma_table_info(" + quoteLiteral(table) + ", " +
                                    quoteLiteral(schema) + ")"))
                note(field);
        }
    }
    return map;
}

}  // namespace

NameLookup storedNameLookup(Connection& conn) {
    auto cache = std::make_shared<std::unique_ptr<Spellings>>();
    Connection* c = &conn;
    return [c, cache](std::string_view name) -> std::optional<std::string> {
        if (!*cache) *cache = std::make_unique<Spellings>(readSpellings(*c));
        const auto it = (*cache)->find(foldCase(name));
        if (it == (*cache)->end()) return std::nullopt;
        if (it->second.size() == 1) return *it->second.begin();
        if (it->second.count(std::string(name)) != 0) return std::string(name);
        return std::nullopt;  // several spellings, none the one written
    };
}

FieldLookup storedFieldLookup(Connection& conn) {
    Connection* c = &conn;
    return [c](std::string_view table) -> std::optional<sql::FieldList> {
        if (isInternalTable(table)) return std::nullopt;
        auto st = prepare(*c, "SELECT name, type FROM pragma_table_info(?1, 'main')");
        if (!st || !*st) return std::nullopt;
        sqlite3_bind_text(st->get(), 1, table.data(), static_cast<int>(table.size()),
                          SQLITE_TRANSIENT);
        sql::FieldList out;
        while (sqlite3_step(st->get()) == SQLITE_ROW) {
            const auto* name = reinterpret_cast<const char*>(sqlite3_column_text(st->get(), 0));
            const auto* decl = reinterpret_cast<const char*>(sqlite3_column_text(st->get(), 1));
            int type = 0;
            long size = 0;
            typeFromDeclared(decl ? decl : "", type, size);
            out.emplace_back(name ? name : "", type);
        }
        if (out.empty()) return std::nullopt;
        return out;
    };
}

}  // namespace qrv::dao::detail
