// CFrequency: the frequency distribution analysis. For every group of
// group-field values and every analysis field it counts how much weight falls
// into each of K equal-width intervals, with running totals and shares, and
// optionally the sums of the values per interval; one output row per group,
// field and interval.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "dataaccess/value.h"
#include "engine/analysis_run.h"
#include "numeric/extended.h"

namespace qrv {

class Quorvane;

class CFrequency : private AnalysisRun {
  public:
    // Fields hold positions 1.. at indexes 0..: the group fields, then the
    // analysis fields, then the weight field when weighted. The descriptor
    // reads by position: "S" for sums per interval; "Y" for intervals closed
    // at their lower border ("N": at the upper one); "Y" when the borders are
    // the user's, which adds an interval below the first and one above the
    // last. Returns the text of the failure that stopped the run, empty on
    // success.
    std::string Quorvane_Frequency(const std::string& strOutputTable,
                                   const std::string& strUserTable,
                                   const std::vector<std::string>& strFields, int intGroupFields,
                                   int intFields, bool fWeighted, const std::string& strDescriptor,
                                   int intIntervals, double dblInitial, double dblWidth,
                                   Quorvane& engine);

  private:
    std::string CreateOutput() override;
    std::unique_ptr<GroupState> NewGroup() override;
    std::string AddRow(GroupState& state) override;
    std::string WriteGroup(GroupState& state, const std::vector<dao::Value>& group,
                           long records) override;

    // Interval of a usable value: 0 below the first, 1..K, K + 1 from the top up.
    int IntervalOf(double x) const;
    size_t Cell(int b, int field) const { return static_cast<size_t>(field * (K_ + 2) + b); }

    std::string outputTable_;
    int G_ = 0, F_ = 0, K_ = 0;
    double initial_ = 0, width_ = 1;

    bool sumMode_ = false, lowerClosed_ = true, outerIntervals_ = false;
    std::string lowColumn_, highColumn_;
};

}  // namespace qrv
