// CNonParamFriedman: the Friedman test of k fields measured on the same
// records. Within each complete record the k values are ranked 1..k (ties
// share the mean of their positions), the ranks, times the record's weight,
// are summed per field, and the rank sums give the Friedman chi-square with
// k - 1 degrees of freedom. One output row per group; the optional detail
// table holds each field's rank sum and mean rank.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "dataaccess/objects/recordset.h"
#include "dataaccess/value.h"
#include "engine/analysis_run.h"

namespace qrv {

class Quorvane;

class CNonParamFriedman : private AnalysisRun {
  public:
    // Fields hold positions 1.. at indexes 0..: group fields, the k compared
    // fields, then the weight field when weighted. The detail table is
    // written when strDetailTable is not empty. Returns the error text, empty
    // on success.
    std::string Quorvane_NonParamFriedman(const std::string& strOutputTable,
                                          const std::string& strDetailTable,
                                          const std::string& strUserTable,
                                          const std::vector<std::string>& strFields,
                                          int intGroupFields, int intFields, bool fWeighted,
                                          Quorvane& engine);

  private:
    std::string CreateOutput() override;
    std::unique_ptr<GroupState> NewGroup() override;
    std::string AddRow(GroupState& state) override;
    std::string WriteGroup(GroupState& state, const std::vector<dao::Value>& group,
                           long records) override;

    std::string createSummary();
    std::string createDetail();
    std::string writeDetail(const std::vector<dao::Value>& group, double n,
                            const std::vector<double>& rankSums);

    std::string outputTable_, detailTable_;
    dao::Recordset detail_;
    // One record's values with their field numbers, and the fields' ranks
    // within it, reused from row to row.
    std::vector<std::pair<double, int>> record_;
    std::vector<double> ranks_;
};

}  // namespace qrv
