// Internal: the state behind a Database handle and the routines shared by
// the database, table-definition and recordset code.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "dataaccess/connection.h"
#include "dataaccess/database.h"
#include "dataaccess/tabledef.h"

namespace qrv::dao::detail {

// Name of the table that keeps the properties SQLite's schema cannot hold.
inline constexpr const char* kCatalogTable = "qrv_properties";

struct DatabaseImpl : std::enable_shared_from_this<DatabaseImpl> {
    ConnectionPtr conn;

    // Object lookup (names compare without regard to case). Returns the stored spelling.
    std::optional<std::string> findObject(std::string_view name, const char* type) const;
    bool isTable(std::string_view name) const { return findObject(name, "table").has_value(); }
    bool isQuery(std::string_view name) const { return findObject(name, "view").has_value(); }

    // Schema.
    Error createTable(TableDef& def);
    Result<TableDef> loadTableDef(std::string_view name);
    Error dropTable(std::string_view name);
    Error renameTable(std::string_view from, std::string_view to);

    // Catalog of extra properties: object "" is the database, item "" the object itself.
    Error setProperty(std::string_view object, std::string_view item, const Property& p);
    std::optional<Property> getProperty(std::string_view object, std::string_view item,
                                        std::string_view name) const;
    std::vector<Property> getProperties(std::string_view object, std::string_view item) const;
    Error dropProperties(std::string_view object);
    Error ensureCatalog();

    // Attaches an external database named by a source clause; returns its schema name.
    Result<std::string> attach(const std::string& path);

    Result<Recordset> openRecordset(std::string_view source, int type, int options);
};

// Validates a table, field, index or query name the way the desktop engine does,
// except that field names may hold a period: scaled frequency columns such as
// "0.25<=N<0.5" need one, and a field name never stands where a period would
// separate a table from its field.
Error checkName(std::string_view name, bool fieldName = false);
// Column read/write conversions between SQLite storage and Values of a field type.
Value readColumn(sqlite3_stmt* s, int col, int type);
Error bindValue(sqlite3_stmt* s, int idx, const Value& v, int type, std::string_view fieldName);
// Type code and size from a declared SQLite column type.
void typeFromDeclared(std::string_view decl, int& type, long& size);
// Checks a file before SQLite sees it: exists, not a directory, SQLite header, not truncated.
Error checkDatabaseFile(const std::string& path);

}  // namespace qrv::dao::detail
