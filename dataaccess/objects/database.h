// Database: an open database file. A handle: copies share one connection,
// the way object references do; Close ends it for every copy.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "dataaccess/error.h"
#include "dataaccess/objects/recordset.h"
#include "dataaccess/objects/tabledef.h"

namespace qrv::dao {

namespace detail {
struct DatabaseImpl;
struct DatabaseAccess;
}  // namespace detail

class Database {
  public:
    Database() = default;
    bool IsOpen() const;
    const std::string& Name() const;  // the file path
    bool Updatable() const;

    // Source: a table name, a stored query name or an SQL text in the query dialect.
    // Type 0 chooses table type for a table and dynaset otherwise.
    Result<Recordset> OpenRecordset(std::string_view source, int type = 0, int options = 0);
    // Runs an action query; returns the number of rows affected.
    Result<long> Execute(std::string_view sql);

    TableDef CreateTableDef(std::string name) const { return TableDef(std::move(name)); }
    Error AppendTableDef(TableDef& def);
    Result<TableDef> GetTableDef(std::string_view name) const;
    // Names starting with "~" are the system's own temporary tables, left out
    // unless asked for.
    std::vector<std::string> TableDefNames(bool withTemporary = false) const;
    Error DeleteTableDef(std::string_view name);
    Error RenameTableDef(std::string_view from, std::string_view to);
    // True when the table def.Name is stored exactly as this version makes def.
    bool SameDefinition(const TableDef& def) const;
    // Remakes the table def.Name from def in one transaction, keeping every
    // row with its row id, and the properties users gave the table. Changes
    // nothing when a row breaks one of def's rules (that rule's error) or the
    // table has a field def lacks or a trigger.
    Error RebuildTableDef(TableDef& def);

    Error CreateQueryDef(std::string_view name, std::string_view sql);
    Result<QueryDef> GetQueryDef(std::string_view name) const;
    std::vector<std::string> QueryDefNames() const;
    Error DeleteQueryDef(std::string_view name);
    // The tables a stored query reads, through other queries too, each once,
    // as stored; an empty list for a table.
    Result<std::vector<std::string>> TablesReadBy(std::string_view query) const;

    // Transactions on this database alone (the workspace's span all its databases).
    Error BeginTrans();
    Error CommitTrans();
    Error Rollback();

    // Database-level properties kept in the file ("Description", the locale text ...).
    Result<Value> GetProperty(std::string_view name) const;
    Error SetProperty(std::string_view name, Value v);

    // The connect text the file was opened with (";pwd=..." for a file with a
    // password); another connection to the same file opens with it.
    const std::string& Connect() const;
    // Sets, changes or (with an empty new one) clears the password that
    // guards opening this file through this layer. The old password must be
    // the file's (empty when it has none), else 3031. The file is not
    // encrypted: any SQLite client still reads it.
    Error NewPassword(std::string_view oldPassword, std::string_view newPassword);

    Error Close();

    bool operator==(const Database& o) const { return p_ == o.p_; }

  private:
    friend class Workspace;
    friend struct detail::DatabaseAccess;
    explicit Database(std::shared_ptr<detail::DatabaseImpl> p) : p_(std::move(p)) {}
    std::shared_ptr<detail::DatabaseImpl> p_;
};

}  // namespace qrv::dao
