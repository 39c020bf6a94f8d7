// The leading columns that per-field output tables share: one column per
// group field (named and typed as in the input, text keeping its size), then
// DataField, and for most analyses Count, Observations (weighted runs only)
// and Missing; and the writing of those columns into a new row.
#pragma once

#include <string>
#include <vector>

#include "dataaccess/recordset.h"
#include "dataaccess/tabledef.h"

namespace qrv {

class Quorvane;

struct InputFields {
    const std::vector<std::string>& names;  // positions 1.. at 0..
    const std::vector<int>& types;
    const std::vector<long>& sizes;
    int groups;
};

// Group columns and DataField.
void AddGroupColumns(Quorvane& engine, dao::TableDef& def, int& ordinal, const InputFields& in);
// Count (or the analysis's own name for it), Observations (when weighted)
// and Missing.
void AddCountColumns(Quorvane& engine, dao::TableDef& def, int& ordinal, bool weighted,
                     const std::string& count = "Count");

// Fills the group columns and DataField of the row being added.
dao::Error WriteGroupColumns(dao::Recordset& rs, const InputFields& in,
                             const std::vector<dao::Value>& group, const std::string& dataField);

}  // namespace qrv
