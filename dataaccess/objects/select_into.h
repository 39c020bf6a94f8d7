// SELECT ... INTO: a new table made from a query's columns and filled with
// its rows.
#pragma once

#include "dataaccess/dialect/sql_dialect.h"
#include "dataaccess/error.h"

namespace qrv::dao::detail {

struct DatabaseImpl;

// Makes the table `tr.into` through the layer's own table creation, one
// field per column of the query `tr.sql`, and inserts the query's rows, all
// in one transaction. Returns the number of rows. An existing table or query
// of that name is error 3010 and changes nothing.
Result<long> executeSelectInto(DatabaseImpl& db, const TranslatedSql& tr);

}  // namespace qrv::dao::detail
