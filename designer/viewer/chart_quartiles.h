// The quartiles of an output table's groups when the table itself lacks
// them: the scenario that wrote the table tells the input, the fields, the
// groups, the weight and the ignore rule, and the engine's Describe (range
// and quartiles) runs over them again into a private file, so the boxes are
// the analyses' own quartiles and the user's database is not written.
#pragma once

#include <functional>
#include <string>

#include "dataaccess/objects/database.h"
#include "dataaccess/objects/recordset.h"

namespace qrv::designer {

// Runs the computation for the scenario that writes table (its first
// output) and hands read the recordset of the result: the group columns,
// DataField, Minimum, Maximum and the 25_, 50_ and 75_Percentile columns,
// one row per group and field. *input is set to the input read. On failure
// returns the reason, as a sentence for the user; empty on success.
std::string RecomputeQuartiles(dao::Database& db, const std::string& table, std::string* input,
                               const std::function<void(dao::Recordset&)>& read);

}  // namespace qrv::designer
