// Importing a CSV file into a new table of a database. The table appears
// whole or not at all: the file is checked completely first (see
// import_plan.h), then the table is made and filled in one transaction, which
// a failure, an interruption or a killed process never commits.
#pragma once

#include <string>

#include "csv/encoding.h"
#include "csv/import_plan.h"
#include "dataaccess/objects/database.h"

namespace qrv::csv {

struct ImportOptions {
    bool replace = false;                // an existing table of that name is replaced
    char delimiter = 0;                  // 0: guessed from the file
    Encoding encoding = Encoding::Auto;  // Auto: UTF-8 when the bytes are UTF-8, else Windows-1252
    DateOrder dates = DateOrder::Auto;   // Auto: each column's cells decide (infer.h)
    CancelCheck cancelled;               // polled now and then; true abandons the import
};

struct ImportResult {
    ImportPlan plan;  // its rows are the rows imported
    Encoding encoding = Encoding::Utf8;
};

// Fails with 3010 when the table exists and replace is not set, and when a
// stored query has the name.
dao::Result<ImportResult> importCsv(dao::Database& db, const std::string& table,
                                    const std::string& path, const ImportOptions& options);

}  // namespace qrv::csv
