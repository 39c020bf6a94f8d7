// Stored spellings of the names in a database, for the translator: SQLite
// matches names without regard to ASCII letter case only, the dialect
// without regard to case in any script.
#pragma once

#include "dataaccess/dialect/sql_dialect.h"

namespace qrv::dao::detail {

struct Connection;

// A lookup over the tables, queries and fields of every schema of the
// connection: the one stored spelling whose case fold equals the name's, or
// the name itself when several share it and one is spelled exactly so. It
// reads the schema on its first call, so a statement whose names SQLite
// finds by itself costs nothing. Valid while the connection lives and its
// schema does not change; make one per statement.
NameLookup storedNameLookup(Connection& conn);

// The fields of the tables and queries of the main database with their type
// codes, read per table on first use. Same lifetime rules as above.
FieldLookup storedFieldLookup(Connection& conn);

}  // namespace qrv::dao::detail
