// CRegressMulti: y = a + b1 x1 + ... + bF xF (or without a) of one Y field on
// all X fields together, per group, by weighted least squares; one output row
// per group, and optionally a residual table with every used record's X
// values, y, fitted value and residual.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "analyses/parametric/regression_base.h"

namespace qrv {

class Quorvane;

class CRegressMulti : private RegressionBase {
  public:
    // Arguments as for simple regression: strFields holds the group fields,
    // the X fields, the Y field and the weight field when weighted;
    // intConfidence is accepted and unused. Returns the error text, empty on
    // success.
    std::string Quorvane_RegressMulti(const std::string& strOutputTable,
                                      const std::string& strResidualTable,
                                      const std::string& strUserTable,
                                      const std::vector<std::string>& strFields, int intGroupFields,
                                      int intFields, bool fWeighted, bool fAnova, bool fIntercept,
                                      int intConfidence, Quorvane& engine);

  private:
    std::string CreateOutput() override;
    std::unique_ptr<GroupState> NewGroup() override;
    std::string AddRow(GroupState& state) override;
    std::string WriteGroup(GroupState& state, const std::vector<dao::Value>& group,
                           long records) override;

    const std::string& xName(int i) const {
        return args().fields[static_cast<std::size_t>(args().groups + i)];
    }
};

}  // namespace qrv
