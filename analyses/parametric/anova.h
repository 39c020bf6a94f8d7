// CAnova: group analysis. Compares the values of data fields across the
// levels of one or more compare fields, within each group of group-field
// values: the two-sample t-test (pooled and separate variances) of the first
// two levels, or the analysis of variance (one-way for one compare field,
// main effects and pairwise interactions for more), and on request a detail
// table with the descriptive statistics of every level.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "dataaccess/objects/recordset.h"
#include "dataaccess/value.h"
#include "engine/analysis_run.h"
#include "engine/level_list.h"

namespace qrv {

class Quorvane;
struct AnovaGroup;

class CAnova : private AnalysisRun {
  public:
    // strType: "T" for the t-test, "A" for the analysis of variance (any
    // case). Fields hold positions 1.. at indexes 0..: the group fields, the
    // compare fields, the data fields, then the weight field when weighted.
    // An empty strDetailTable writes no detail table. Returns the text of the
    // failure that stopped the run, empty on success.
    std::string Quorvane_ANOVA(const std::string& strType, bool fIncludeBlanks,
                               const std::string& strOutputTable, const std::string& strDetailTable,
                               const std::string& strUserTable,
                               const std::vector<std::string>& strFields, int intGroupFields,
                               int intCompareFields, int intDataFields, bool fWeighted,
                               Quorvane& engine);

  private:
    // Run before the frame has the engine, hence the argument.
    std::string AnovaGroups(Quorvane& engine);
    std::string CheckNonBlankRows(Quorvane& engine);
    std::string BeforeWalk() override;

    std::string CreateOutput() override;
    std::string CreateAnova();
    std::string CreateTTest();
    std::string CreateDetail();
    std::unique_ptr<GroupState> NewGroup() override;
    std::string AddRow(GroupState& state) override;
    std::string WriteGroup(GroupState& state, const std::vector<dao::Value>& group,
                           long records) override;
    std::string WriteTTest(const AnovaGroup& g, const std::vector<dao::Value>& group, int k);
    std::string WriteAnova(const AnovaGroup& g, const std::vector<dao::Value>& group, int k);
    std::string WriteDetail(const AnovaGroup& g, const std::vector<dao::Value>& group, int k);

    // Position of compare field i in the run's field list (from 0).
    int ComparePosition(int i) const { return G_ + X_ + i; }
    const std::string& DataName(int k) const;
    const std::string& CompareName(int i) const;

    bool tTest_ = false, includeBlanks_ = true, weighted_ = false;
    std::string outputTable_, detailTable_, input_;
    int G_ = 0, C_ = 0, X_ = 0;
    std::vector<std::string> compareNames_;
    // The levels of each compare field over the whole input; a level is an
    // index into its list.
    std::vector<LevelList> levels_;
    std::vector<std::pair<int, int>> cellPairs_;  // the pairs of compare fields with cells
    std::vector<int> rowLevels_;                  // the current row's level per compare field
    dao::Recordset detail_;
    // The detail table's leading columns with one compare field: the group
    // fields and the compare field as one more.
    std::vector<std::string> detailNames_;
    std::vector<int> detailTypes_;
    std::vector<long> detailSizes_;
    int compareValueType_ = 0;  // Compare_Value's type with several compare fields
};

}  // namespace qrv
