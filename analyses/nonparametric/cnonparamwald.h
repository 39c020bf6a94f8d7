// CNonParamWald: the Wald-Wolfowitz runs test of two samples, per group and
// data field. The sample of a record is the value of one compare field that
// must hold exactly two distinct values. Values tied across the samples can
// be ordered either way, so the smallest and the largest possible number of
// runs are both reported, each with its Z and one-tailed probability.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "dataaccess/value.h"
#include "engine/analysis_run.h"

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

    // The distinct values of the compare field at position intComparePosition
    // (from 1) of strFields, in the order the database returns them, Null
    // included. Returns the error text, empty on success.
    static std::string Quorvane_QueryGroups(const std::string& strUserTable,
                                            const std::vector<std::string>& strFields,
                                            int intComparePosition, std::vector<dao::Value>& values,
                                            int& count, Quorvane& engine);

    // Keeps the first of compare values that the run compares as equal
    // (texts that differ only in case, unless texts compare binary), so that
    // each row has one sample whatever order the rows come in. Call once the
    // input is open: its first column decides how texts compare.
    static void DistinctSamples(std::vector<dao::Value>& values, const Quorvane& engine);

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

    // The sample (1 or 2) of a compare value, 0 when it is neither.
    int FindGroup(const dao::Value& v);

    std::string outputTable_;
    std::vector<dao::Value> samples_;  // the two compare values
    int lastSample_ = 0;               // the previous record's sample, tried first
};

}  // namespace qrv
