// CNonParamWald: the Wald-Wolfowitz runs test of two samples, per group and
// data field. The sample of a record is the value of one compare field that
// must hold exactly two distinct values. Values tied across the samples can
// be ordered either way, so the smallest and the largest possible number of
// runs are both reported, each with its Z and one-tailed probability.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "analyses/field_ordered_rows.h"
#include "dataaccess/value.h"
#include "engine/analysis_run.h"
#include "engine/level_list.h"

namespace qrv {

class Quorvane;

class CNonParamWald : private AnalysisRun {
  public:
    // Fields hold positions 1.. at indexes 0..: the group fields, the compare
    // field at intComparePosition (G + 1), the intFields data fields after
    // it, then the weight field when weighted. Returns the error text, empty
    // on success.
    std::string Quorvane_NonParametricRuns(const std::string& strOutputTable,
                                           const std::string& strUserTable,
                                           const std::vector<std::string>& strFields,
                                           int intComparePosition, int intFields, bool fWeighted,
                                           Quorvane& engine);

  private:
    std::string CreateOutput() override;
    std::string BeforeWalk() override;
    void StageRetrieving() override {}
    void StageAnalyzing() override;
    RecordTicks Ticks() const override;
    std::unique_ptr<GroupState> NewGroup() override;
    std::string AddRow(GroupState& state) override;
    std::string WriteGroup(GroupState& state, const std::vector<dao::Value>& group,
                           long records) override;
    std::string AfterWalk() override;

    std::string outputTable_;
    LevelList samples_;  // the compare values: samples 1 and 2
    // Rows go out data field first: each field's rows for all groups.
    FieldOrderedRows rows_;
};

}  // namespace qrv
