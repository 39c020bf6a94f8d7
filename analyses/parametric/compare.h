// CCompare: each X field set against one Y field, record by record, within
// each group: how often X is below, equal to or above Y, the two means and
// the mean and spread of the differences, covariance, correlation and
// R-square, and a paired t-test of the mean difference. One output row per
// group and X field.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "dataaccess/value.h"
#include "engine/analysis_run.h"

namespace qrv {

class Quorvane;

class CCompare : private AnalysisRun {
  public:
    // Fields hold positions 1.. at indexes 0..: the group fields, the X
    // fields, the Y field, then the weight field when weighted. The
    // descriptor reads "Y" or "N" by position: comparison counts, means,
    // covariance and correlation, paired t-test (a fifth letter is accepted
    // and has no effect). Returns the text of the failure that stopped the
    // run, empty on success.
    std::string Quorvane_Compare(const std::string& strOutputTable, const std::string& strUserTable,
                                 const std::vector<std::string>& strFields, int intGroupFields,
                                 int intFields, bool fWeighted, const std::string& strDescriptor,
                                 Quorvane& engine);

  private:
    std::string CreateOutput() override;
    std::unique_ptr<GroupState> NewGroup() override;
    std::string AddRow(GroupState& state) override;
    std::string WriteGroup(GroupState& state, const std::vector<dao::Value>& group,
                           long records) override;

    std::string outputTable_;
    std::string countColumn_;
    int F_ = 0;
    bool counts_ = false, means_ = false, corr_ = false, tTest_ = false;
};

}  // namespace qrv
