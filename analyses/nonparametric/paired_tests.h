// CNonParametric: each X field set against one Y field, record by record,
// within each group: the pair counts and means, how often X is below, equal
// to or above Y, Pearson's r, and as asked the sign test, the Wilcoxon
// signed-rank test and Spearman's rank correlation with and without the tie
// correction. One output row per group and X field.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "dataaccess/value.h"
#include "engine/analysis_run.h"

namespace qrv {

class Quorvane;

class CNonParametric : private AnalysisRun {
  public:
    // Fields hold positions 1.. at indexes 0..: the group fields, the X
    // fields, the Y field at yPosition (groups + xFields + 1), then the weight
    // field when weighted. The median sign test, Kendall's tau and the
    // contingency statistics are not offered: their flags must be false.
    // Returns the text of the failure that stopped the run, empty on success.
    std::string Quorvane_NonParametric(const std::string& strOutputTable,
                                       const std::string& strUserTable,
                                       const std::vector<std::string>& strFields,
                                       int intGroupFields, int intFields, int intYPosition,
                                       bool fWeighted, bool fMedianSign,
                                       const std::vector<double>& medians, bool fSign,
                                       bool fWilcoxon, bool fSpearman, bool fKendall,
                                       bool fContingency, Quorvane& engine);

  private:
    std::string CreateOutput() override;
    std::unique_ptr<GroupState> NewGroup() override;
    std::string AddRow(GroupState& state) override;
    std::string WriteGroup(GroupState& state, const std::vector<dao::Value>& group,
                           long records) override;

    // Positions in the group's sorted values of X field i (from 0): its
    // absolute differences, its X values and its Y values.
    static int differences(int i) { return 3 * i + 1; }
    static int xValues(int i) { return 3 * i + 2; }
    static int yValues(int i) { return 3 * i + 3; }

    std::string outputTable_;
    std::string countColumn_;
    int F_ = 0;
    bool sign_ = false, wilcoxon_ = false, spearman_ = false;
    // Numbers the records across the run, so that ranks of X and Y meet by row.
    std::int64_t row_ = 0;
};

}  // namespace qrv
