// The leading columns that per-field output tables share: one column per
// group field (named and typed as in the input, text keeping its size), then
// DataField, and for most analyses Count, Observations (weighted runs only)
// and Missing. RowWriter fills them in each new row.
#pragma once

#include <string>
#include <vector>

#include "dataaccess/objects/tabledef.h"

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

}  // namespace qrv
