// CCorrMatrix: every analysis field against every other one (and itself)
// within each group, over the records in which both values of a pair are
// usable (pairwise deletion). The output is a matrix per group and
// statistic: one row per row field, one column per column field.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "dataaccess/value.h"
#include "engine/analysis_run.h"

namespace qrv {

class Quorvane;

class CCorrMatrix : private AnalysisRun {
  public:
    // Fields hold positions 1.. at indexes 0..: the group fields, the
    // analysis fields, then the weight field when weighted. The descriptor
    // reads "Y" or "N" by position for Count, Missing, MeanDiff, StdDevDiff,
    // Covariance, Correlation, R-Square, t-Value and the probability; tails
    // is "1" for one-tailed probabilities, anything else gives two-tailed
    // ones. Returns the text of the failure that stopped the run, empty on
    // success.
    std::string Quorvane_Matrix(const std::string& strOutputTable, const std::string& strUserTable,
                                const std::vector<std::string>& strFields, int intGroupFields,
                                int intFields, bool fWeighted, const std::string& strDescriptor,
                                const std::string& strTails, Quorvane& engine);

  private:
    std::string CreateOutput() override;
    std::unique_ptr<GroupState> NewGroup() override;
    std::string AddRow(GroupState& state) override;
    std::string WriteGroup(GroupState& state, const std::vector<dao::Value>& group,
                           long records) override;

    // Index of the pair a <= b in the packed upper triangle.
    size_t Pair(int a, int b) const {
        return static_cast<size_t>(a * F_ - a * (a - 1) / 2 + (b - a));
    }

    std::string outputTable_;
    std::string descriptor_;
    std::string tails_;
    int F_ = 0;
    // Analysis field i's name (the name of its matrix column).
    const std::string& field(int i) const {
        return in().fields[static_cast<size_t>(in().groups + i)];
    }

    std::vector<std::optional<double>> row_;  // the current record's usable values
    std::vector<double> values_;              // the same when every one is usable
};

}  // namespace qrv
