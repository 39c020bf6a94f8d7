// CRegressSimple: the straight line y = a + b x (or b x through the origin)
// of one Y field on each X field separately, per group, by weighted least
// squares; one output row per group and X field, and optionally a residual
// table with every used record's x, y, fitted value and residual.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "analyses/parametric/regression_base.h"

namespace qrv {

class Quorvane;

class CRegressSimple : private RegressionBase {
  public:
    // strFields holds the group fields, the X fields, the Y field and the
    // weight field when weighted. intConfidence is accepted and unused (the
    // dispatch always passes 0, which adds no columns). Returns the error
    // text, empty on success.
    std::string Quorvane_RegressSimple(const std::string& strOutputTable,
                                       const std::string& strResidualTable,
                                       const std::string& strUserTable,
                                       const std::vector<std::string>& strFields,
                                       int intGroupFields, int intFields, bool fWeighted,
                                       bool fAnova, bool fIntercept, int intConfidence,
                                       Quorvane& engine);

  private:
    std::string CreateOutput() override;
    std::unique_ptr<GroupState> NewGroup() override;
    std::string AddRow(GroupState& state) override;
    std::string WriteGroup(GroupState& state, const std::vector<dao::Value>& group,
                           long records) override;
};

}  // namespace qrv
