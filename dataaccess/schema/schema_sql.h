// Internal: the SQLite text of a table definition. Types, sizes, required
// flags, defaults and rules are written into the CREATE TABLE text itself, so
// any SQLite client reads the same table and its inserts obey the same rules.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "dataaccess/error.h"
#include "dataaccess/objects/tabledef.h"

namespace qrv::dao::detail {

// Names of the constraints that hold a column to its type begin with this.
inline constexpr const char* kTypeCheckPrefix = "qrv_type:";

bool isTextType(int type);
// The column order of a new table: by ordinal position, equal positions in append order.
std::vector<const Field*> columnOrder(const TableDef& def);
// A Long auto-increment field that is the whole primary key: SQLite's row id.
bool soleCounterKey(const TableDef& def, const Field& f);

// Checks def and gives its CREATE TABLE text under `name`, with the identity
// token in a comment right after the opening parenthesis: renaming the table
// and adding or dropping columns, by any client, keep it there.
Result<std::string> createTableSql(const TableDef& def, std::string_view name,
                                   std::string_view token);

// Non-primary indexes are SQLite indexes named "<table>.<index>".
std::string indexSqlName(std::string_view table, std::string_view index);
// The CREATE INDEX text of ix on table `name`; field names take def's spelling.
std::string createIndexSql(const TableDef& def, std::string_view name, const Index& ix);

}  // namespace qrv::dao::detail
