// CNonParamChiSquare: the chi-square goodness-of-fit test of equal shares.
// For each compare field and group, the observed frequency of every distinct
// value (category) is set against an equal share of the group's total and
// sum((O - E)^2 / E) is tested against the chi-square distribution. One
// summary row per compare field and group; optionally one detail row per
// category.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "dataaccess/objects/recordset.h"
#include "dataaccess/value.h"
#include "engine/analysis_run.h"
#include "engine/level_list.h"

namespace qrv {

class Quorvane;

class CNonParamChiSquare : private AnalysisRun {
  public:
    // Fields hold positions 1.. at indexes 0..: the G group fields, the C
    // compare fields, then the weight field when weighted. fDetail writes the
    // detail table; fIncludeBlanks makes Null a category of its own (unless
    // the scenario ignores values); fAllGroups tests every group against all
    // the categories the compare field shows anywhere in the input. Returns
    // the text of the failure that stopped the run, empty on success.
    std::string Quorvane_ChiSquare(const std::string& strOutputTable,
                                   const std::string& strDetailTable,
                                   const std::string& strUserTable,
                                   const std::vector<std::string>& strFields, int intGroupFields,
                                   int intCompareFields, bool fWeighted, bool fDetail,
                                   bool fIncludeBlanks, bool fAllGroups, Quorvane& engine);

    // One category of a group: its value as first spelt, its records and
    // the sum of their weights.
    struct Category {
        dao::Value spelling;
        double count = 0;
        double weight = 0;
    };
    using Categories = std::map<LevelKey, Category, LevelLess>;

  private:
    std::string CreateOutput() override;
    void StageRetrieving() override;
    void StageAnalyzing() override {}
    // The read only counts categories, as a grouped query would.
    RecordTicks Ticks() const override { return {false, {}}; }
    std::unique_ptr<GroupState> NewGroup() override;
    std::string AddRow(GroupState& state) override;
    std::string WriteGroup(GroupState& state, const std::vector<dao::Value>& group,
                           long records) override;

    std::string CreateDetail();
    // The summary (and detail) rows of compare field i (from 0), every group.
    std::string WriteField(int i);
    std::string WriteData(int i, const std::vector<dao::Value>& group, long k, double N, double E,
                          double X, long M);
    std::string WriteDetail(int i, const std::vector<dao::Value>& group, const dao::Value& category,
                            double O, double E, double N, double cumulative);
    const std::string& compareName(int i) const;
    int compareType(int i) const;

    std::string outputTable_, detailTable_;
    int G_ = 0, C_ = 1;
    bool detail_ = false, includeBlanks_ = false, allGroups_ = false;
    bool excludeBlanks_ = true;  // blanks are never a category
    bool ignoring_ = false;      // the scenario has an ignore rule
    int valueType_ = 0;          // type of Compare_Value with several compare fields

    // The groups in the order written, with their categories per compare field.
    struct Finished {
        std::vector<dao::Value> group;
        std::vector<Categories> fields;
    };
    std::vector<Finished> finished_;

    dao::Recordset summaryRs_, detailRs_;
};

// The type and text size of the column holding the categories of several
// compare fields of the given types and sizes: their common type (text
// keeping the largest size), else text of the largest text size, at least
// 25 when that is below 20.
void ChiCompareValueType(const std::vector<int>& types, const std::vector<long>& sizes, int& type,
                         long& size);

}  // namespace qrv
