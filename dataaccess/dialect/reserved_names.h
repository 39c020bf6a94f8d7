// Names no user statement may use as it likes: the layer's system tables
// and property catalog, SQLite's own tables and table-valued functions, the
// working names of runs, and the scenario tables, whose rows are the user's
// but whose design is the program's. Plain rules on names, shared by the
// dialect's writer and the layer.
#pragma once

#include <string>
#include <string_view>

#include "dataaccess/error.h"

namespace qrv::dao::detail {

inline constexpr const char* kPasswordTable = "MSysPassword";
inline constexpr const char* kAccountsTable = "MSysAccounts";
// Name of the table that keeps the properties SQLite's schema cannot hold.
inline constexpr const char* kCatalogTable = "qrv_properties";

bool isSystemTable(std::string_view name);
// A table no dialect statement may read or write (the system tables among them).
bool isInternalTable(std::string_view name);
// The error for an action (SQLITE_READ, SQLITE_INSERT ...) refused on a table.
Error refusalError(int action, const std::string& table);

// Tables that runs write under a working name until they rename them; a run
// drops any it finds left over, so users may not make tables of such names.
inline constexpr std::string_view kWorkingPrefix = "~qrvwork";
bool isWorkingTableName(std::string_view name);
// The three tables that hold the scenarios. Their rows are the user's to
// edit by SQL, their design is not: a run relies on it.
bool isScenarioTable(std::string_view name);
// For a table a user's statement would make or rename to: a working name is
// error 3125, a scenario table's name error 3111.
Error checkMadeTableName(std::string_view name);
// For a table whose design a user's statement would change or drop: a
// scenario table is error 3111, with the command that removes scenarios.
Error checkDesignChange(std::string_view table);

}  // namespace qrv::dao::detail
