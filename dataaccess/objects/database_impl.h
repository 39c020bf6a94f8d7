// Internal: the state behind a Database handle and the routines shared by
// the database, table-definition and recordset code.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "dataaccess/dialect/reserved_names.h"
#include "dataaccess/objects/connection.h"
#include "dataaccess/objects/database.h"
#include "dataaccess/objects/tabledef.h"

namespace qrv::dao::detail {

// A table or stored query as SQLite keeps it, with the token its properties
// are filed under (see identity.cpp).
struct ObjectRef {
    std::string name;   // the stored spelling
    std::string type;   // "table" or "view"
    std::string sql;    // its CREATE text as stored
    std::string token;  // "qrv:" and 32 hex digits; empty when it has none
};

// One row of the property catalog: item "" is the object itself.
struct CatalogEntry {
    std::string item;
    Property prop;
};

// How a file's catalog files its rows: none yet, by object name (files of
// earlier versions, read as they are until the first write), or by token.
enum class CatalogLayout { None, ByName, ByToken };

struct DatabaseImpl : std::enable_shared_from_this<DatabaseImpl> {
    ConnectionPtr conn;

    // Object lookup (names compare by their case fold). Returns the stored spelling.
    std::optional<std::string> findObject(std::string_view name, const char* type) const;
    bool isTable(std::string_view name) const { return findObject(name, "table").has_value(); }
    bool isQuery(std::string_view name) const { return findObject(name, "view").has_value(); }
    std::optional<ObjectRef> findRef(std::string_view name, const char* type) const;
    std::optional<ObjectRef> findRef(std::string_view name) const;  // a table, else a query
    // Tables and queries whose CREATE text carries the token (two after a
    // client copied a definition text word for word).
    std::vector<ObjectRef> tokenCarriers(std::string_view token) const;
    // Writes a new token into the object's stored CREATE text.
    Error markObject(ObjectRef& ref);

    // Schema.
    Error createTable(TableDef& def);
    Result<TableDef> loadTableDef(std::string_view name);
    Error dropTable(std::string_view name);
    Error renameTable(std::string_view from, std::string_view to);
    bool sameDefinition(const TableDef& def) const;
    Error rebuildTable(TableDef& def);

    // Catalog of extra properties: object "" is the database, item "" the object itself.
    CatalogLayout catalogLayout() const;
    // Before a write: creates the catalog or moves it to rows by token, and
    // drops rows whose object is gone whenever the schema changed since.
    Error ensureCatalog();
    // Drops rows whose object is gone and notes renames made elsewhere.
    Error tidyCatalog();
    Error setProperty(std::string_view object, std::string_view item, const Property& p);
    // For the object known as ref (token from when it was read, "" for none);
    // an object without a token of its own gets one first.
    Error setObjectProperty(std::string_view name, std::string_view token, std::string_view item,
                            const Property& p);
    // A row under a token known to belong to the object named `name`.
    Error putProperty(const std::string& token, const std::string& name, std::string_view item,
                      const Property& p);
    std::vector<CatalogEntry> objectProperties(const ObjectRef& ref) const;
    std::optional<Property> getProperty(std::string_view object, std::string_view item,
                                        std::string_view name) const;
    Error dropProperties(const ObjectRef& ref);

    // Attaches an external database named by a source clause; returns its schema name.
    Result<std::string> attach(const std::string& path);

    Result<Recordset> openRecordset(std::string_view source, int type, int options);

  private:
    // The catalog rows a definition brings: rule texts, index name, properties.
    Error writeDefinition(const TableDef& def, const std::string& token, const std::string& name);
    void attachDefinition(TableDef& def, const std::string& token);
    bool ownsRows(const ObjectRef& ref) const;
    Error migrateCatalog();
    long long tidiedAt_ = -1;  // schema version of the last tidy
};

// The state behind a handle, for the layer's own routines outside Database.
struct DatabaseAccess {
    static DatabaseImpl& of(Database& db) { return *db.p_; }
};

// Identity tokens in CREATE texts.
struct TokenSpan {
    size_t begin, end;  // the comment, delimiters included
    std::string token;
};
std::string newObjectToken();
std::optional<TokenSpan> findTokenComment(std::string_view sql);
// The CREATE text with its token comment (if any) taken out.
std::string withoutToken(std::string_view sql);

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

}  // namespace qrv::dao::detail
