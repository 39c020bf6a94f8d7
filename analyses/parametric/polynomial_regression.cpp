// Polynomial regression per group and X field: the power sums of each X
// field with Y over the records where both are usable; the fit runs in a
// centred and scaled variable and is mapped back to powers of x.
#include "analyses/parametric/polynomial_regression.h"

#include <optional>

#include "engine/quorvane.h"
#include "numeric/polynomial.h"

namespace qrv {

using namespace qrv::dao;

namespace {

using PolyGroup = PerFieldGroup<num::PowerSums>;

}  // namespace

std::string CRegressPoly::Quorvane_RegressPoly(const std::string& strOutputTable,
                                               const std::string& strResidualTable,
                                               const std::string& strUserTable,
                                               const std::vector<std::string>& strFields,
                                               int intGroupFields, int intFields, bool fWeighted,
                                               bool fAnova, bool fIntercept, int /*intConfidence*/,
                                               int intOrder, Quorvane& engine) {
    ProcedureScope scope(engine.ErrorHandler(), "Quorvane_RegressPoly");
    if (intOrder < 1) return "The polynomial order must be at least 1.";
    order_ = intOrder;
    RegressionArgs a{strOutputTable, strResidualTable, strUserTable, strFields, intGroupFields,
                     intFields,      fWeighted,        fAnova,       fIntercept};
    if (intFields < 1 || static_cast<int>(strFields.size()) < intGroupFields + intFields + 1)
        return "The field list does not hold the group, X and Y fields.";
    return RunRegression(engine, a, true);
}

std::string CRegressPoly::CreateOutput() {
    std::vector<std::string> suffixes;
    for (int j = 1; j <= order_; ++j) suffixes.push_back("X^" + std::to_string(j));
    if (std::string e = CreateFitTable(true, suffixes); !e.empty()) return e;
    if (!residuals()) return {};
    return CreateResidualTable(true, {"X_Value"});
}

std::unique_ptr<GroupState> CRegressPoly::NewGroup() {
    auto g = std::make_unique<PolyGroup>();
    g->sums.assign(static_cast<std::size_t>(args().xFields), num::PowerSums(order_));
    return g;
}

std::string CRegressPoly::AddRow(GroupState& state) {
    ProcedureScope scope(engine().ErrorHandler(), "CalcData");
    auto& g = static_cast<PolyGroup&>(state);
    return AddPerFieldRow(g);
}

std::string CRegressPoly::WriteGroup(GroupState& state, const std::vector<Value>& group,
                                     long records) {
    ProcedureScope scope(engine().ErrorHandler(), "WriteData");
    auto& g = static_cast<PolyGroup&>(state);
    std::vector<num::RegressionFit> fits;
    for (int i = 0; i < args().xFields; ++i) {
        const num::PowerSums& s = g.sums[static_cast<std::size_t>(i)];
        fits.push_back(s.fit(args().intercept));
        const std::string& name = args().fields[static_cast<std::size_t>(args().groups + i)];
        if (std::string e =
                WriteFitRow(group, name, s.n().toDouble(), s.valid(), records, fits.back());
            !e.empty())
            return e;
    }
    if (residuals()) KeepModels(group, records, fits);
    return {};
}

}  // namespace qrv
