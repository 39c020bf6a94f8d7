// CPercentiles: the cut points of one percentile type (median, quartiles,
// quintiles, deciles or percentiles) for every analysis field of every group,
// one output row per cut point. The values of a group go into the scratch
// sort table; the cut points come from the same computation Describe uses.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "dataaccess/value.h"
#include "engine/analysis_run.h"
#include "numeric/extended.h"

namespace qrv {

class Quorvane;

class CPercentiles : private AnalysisRun {
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
    std::string CreateOutput() override;
    std::unique_ptr<GroupState> NewGroup() override;
    std::string AddRow(GroupState& state) override;
    std::string WriteGroup(GroupState& state, const std::vector<dao::Value>& group,
                           long records) override;

    std::string outputTable_;
    int parts_ = 0;
    int step_ = 0;
};

}  // namespace qrv
