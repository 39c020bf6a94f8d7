// CPercentiles: the cut points of one percentile type (median, quartiles,
// quintiles, deciles or percentiles) for every analysis field of every group,
// one output row per cut point. The values of a group go into the scratch
// sort table; the cut points come from the same computation Describe uses.
#pragma once

#include <string>
#include <vector>

#include "dataaccess/error.h"
#include "dataaccess/value.h"
#include "numeric/extended.h"

namespace qrv {

class Quorvane;
class SortTable;

class CPercentiles {
  public:
    // Fields hold positions 1.. at indexes 0..: group fields, the analysis
    // fields, then the weight field when weighted. strType is one of M, Q, 5,
    // D, P (any case). Returns the error text, empty on success.
    std::string Quorvane_Percentile(const std::string& strOutputTable,
                                    const std::string& strUserTable,
                                    const std::vector<std::string>& strFields, int intGroupFields,
                                    int intFields, bool fWeighted, const std::string& strType,
                                    Quorvane& engine);

  private:
    std::string CreateOutput(const std::string& strOutputTable);
    std::string ReadRecords();
    std::string InitData();
    std::string CalcData();
    std::string WriteData(const std::vector<dao::Value>& group);
    // Hands an unexpected database error to the engine's handler (under the
    // procedure on top of its stack) and gives the text that stops the walk.
    std::string unexpected(const dao::Error& e);

    Quorvane* engine_ = nullptr;
    SortTable* sort_ = nullptr;
    const std::vector<std::string>* fields_ = nullptr;
    int groups_ = 0;
    int analysisFields_ = 0;
    bool weighted_ = false;
    int parts_ = 0;
    int step_ = 0;
    std::vector<int> types_;
    std::vector<long> sizes_;
    std::vector<num::Extended> n_;  // weight sum of the usable values, per field
    bool handled_ = false;          // the error handler holds an error of this run
};

}  // namespace qrv
