// INSERT INTO of the query dialect, with the counters of the target table.
#pragma once

#include "dataaccess/dialect/sql_dialect.h"
#include "dataaccess/error.h"

namespace qrv::dao::detail {

struct DatabaseImpl;

// Runs the translated INSERT `tr` and returns the rows it added. A counter
// field the statement leaves empty is numbered in the new rows' order from
// the highest number the table has used, as a recordset's AddNew numbers
// it (SQLite numbers only a counter that is the table's whole key itself).
Result<long> executeInsert(DatabaseImpl& db, const TranslatedSql& tr);

}  // namespace qrv::dao::detail
