// CNonParamSign: two one-sample analyses of each data field within each
// group. The sign test counts the values below, at and above a test value
// (the field's mean, its median, or a given value) and gives the binomial
// probability of the split; the Kolmogorov-Smirnov fit compares the field's
// empirical distribution with a uniform, normal or Poisson distribution
// fitted to the same data.
#pragma once

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "analyses/field_ordered_rows.h"
#include "dataaccess/value.h"
#include "engine/analysis_run.h"
#include "numeric/moments.h"

namespace qrv {

class Quorvane;

class CNonParamSign : private AnalysisRun {
  public:
    // Fields hold positions 1.. at indexes 0..: group fields, the data
    // fields, then the weight field when weighted. fit selects the K-S fit
    // (fitChoices: uniform, normal, Poisson), otherwise the sign test against
    // the mean, the median and customValue as chosen. Returns the error text,
    // empty on success.
    std::string Quorvane_SignFitTest(const std::string& strOutputTable,
                                     const std::string& strUserTable,
                                     const std::vector<std::string>& strFields, int intGroupFields,
                                     int intFields, bool fWeighted, bool fFit,
                                     const std::array<bool, 3>& fitChoices, bool fMean,
                                     bool fMedian, bool fCustom, double customValue,
                                     Quorvane& engine);

  private:
    // Per data field of a group: its moments; the values are in the state's
    // sort table under the field's position (from 1).
    struct Group : GroupState {
        std::vector<num::Moments> m;
        void Merge(const GroupState& other) override;
    };

    std::string CreateOutput() override;
    void StageRetrieving() override;
    void StageAnalyzing() override;
    RecordTicks Ticks() const override;
    std::unique_ptr<GroupState> NewGroup() override;
    std::string AddRow(GroupState& state) override;
    std::string WriteGroup(GroupState& state, const std::vector<dao::Value>& group,
                           long records) override;
    std::string AfterWalk() override;

    // The name of data field f (from 0).
    const std::string& fieldName(int f) const;
    // The sign-test rows of field f (from 0) of a group.
    std::string WriteData(Group& g, int f, const std::vector<dao::Value>& group, long records);
    // The K-S fit rows of field f of a group.
    std::string WriteDataFit(Group& g, int f, const std::vector<dao::Value>& group, long records);
    // A row's statistics by column name; Null where absent or not finite.
    using Stats = std::vector<std::pair<const char*, std::optional<double>>>;
    // Writes a row of field f, or keeps it when f is not the first field:
    // group values, DataField, Count, Observations (weighted), Missing,
    // TestType and the statistics.
    dao::Error WriteRow(const std::vector<dao::Value>& group, int f, const num::Moments& m,
                        long records, const char* testType, Stats stats);
    // The weighted median of field f, by running weight or by position.
    std::string Median(Group& g, int f, double& median);
    // The largest positive and negative differences between the empirical
    // and the fitted distribution of field f; defined is false when the fitted
    // distribution does not exist (no spread in the data).
    std::string CalcCompareFit(Group& g, int f, int type, double mean, double sd,
                               double& maxPositive, double& maxNegative, bool& defined);

    std::string outputTable_;
    bool fit_ = false;
    std::array<bool, 3> fitChoices_{};
    std::array<bool, 3> signChoices_{};  // mean, median, custom
    double customValue_ = 0;
    // Rows go out data field first: each field's rows for all groups.
    FieldOrderedRows rows_;
};

}  // namespace qrv
