// CRegressPoly: y = a + b1 x + ... + bk x^k (or without a) of one Y field on
// each X field separately, per group, by weighted least squares; one output
// row per group and X field with a coefficient block per power, and
// optionally a residual table as simple regression writes it.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "analyses/parametric/regression_base.h"

namespace qrv {

class Quorvane;

class CRegressPoly : private RegressionBase {
  public:
    // Arguments as for simple regression, with the order k after the
    // (unused) confidence level. An order below 1 is refused before the run.
    // Returns the error text, empty on success.
    std::string Quorvane_RegressPoly(const std::string& strOutputTable,
                                     const std::string& strResidualTable,
                                     const std::string& strUserTable,
                                     const std::vector<std::string>& strFields, int intGroupFields,
                                     int intFields, bool fWeighted, bool fAnova, bool fIntercept,
                                     int intConfidence, int intOrder, Quorvane& engine);

  private:
    std::string CreateOutput() override;
    std::unique_ptr<GroupState> NewGroup() override;
    std::string AddRow(GroupState& state) override;
    std::string WriteGroup(GroupState& state, const std::vector<dao::Value>& group,
                           long records) override;

    int order_ = 2;
};

}  // namespace qrv
