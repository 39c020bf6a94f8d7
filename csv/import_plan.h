// The first walk of an import: the header's names, every record's width and
// each column's type, all checked before anything is written, so that a bad
// file is refused as a whole.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "csv/infer.h"
#include "dataaccess/error.h"
#include "dataaccess/objects/tabledef.h"

namespace qrv::csv {

struct ImportColumn {
    std::string name;
    ColumnType type;
    // A cell that kept the column Text because it reads as two different
    // dates, day-first and month-first; empty otherwise.
    std::string ambiguousDate;
};

struct ImportPlan {
    char delimiter = ',';
    std::vector<ImportColumn> columns;
    long rows = 0;  // data records, header excluded
};

// Polled every few thousand records; true stops the walk.
using CancelCheck = std::function<bool()>;

// Header names follow the table-field naming rule and are taken as they are:
// a name the rule refuses, an empty one or one repeated (letter case aside)
// fails the plan, naming the column. A record whose field count differs from
// the header's fails with its line number. Dates with slashes are read in
// the order given, or as each column's cells decide (infer.h).
dao::Result<ImportPlan> planImport(std::string_view text, char delimiter,
                                   const CancelCheck& cancelled = {},
                                   DateOrder dates = DateOrder::Auto);

// The table definition a plan asks for.
dao::TableDef tableFor(const std::string& table, const ImportPlan& plan);

dao::Error interruptedError();

}  // namespace qrv::csv
