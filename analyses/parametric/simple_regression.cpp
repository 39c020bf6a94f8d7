// Simple regression per group and X field: the pairwise sums of each X field
// with Y over the records where both are usable, solved as normal equations
// of one term in Extended, centred before the solve's pivot test so that
// data far from 0 still fits.
#include "analyses/parametric/simple_regression.h"

#include <optional>

#include "engine/quorvane.h"
#include "numeric/comoments.h"

namespace qrv {

using namespace qrv::dao;

namespace {

using SimpleGroup = PerFieldGroup<num::CoMoments>;

}  // namespace

std::string CRegressSimple::Quorvane_RegressSimple(const std::string& strOutputTable,
                                                   const std::string& strResidualTable,
                                                   const std::string& strUserTable,
                                                   const std::vector<std::string>& strFields,
                                                   int intGroupFields, int intFields,
                                                   bool fWeighted, bool fAnova, bool fIntercept,
                                                   int /*intConfidence*/, Quorvane& engine) {
    ProcedureScope scope(engine.ErrorHandler(), "Quorvane_RegressSimple");
    RegressionArgs a{strOutputTable, strResidualTable, strUserTable, strFields, intGroupFields,
                     intFields,      fWeighted,        fAnova,       fIntercept};
    if (intFields < 1 || static_cast<int>(strFields.size()) < intGroupFields + intFields + 1)
        return "The field list does not hold the group, X and Y fields.";
    return RunRegression(engine, a, true);
}

std::string CRegressSimple::CreateOutput() {
    if (std::string e = CreateFitTable(true, {"X"}); !e.empty()) return e;
    if (!residuals()) return {};
    return CreateResidualTable(true, {"X_Value"});
}

std::unique_ptr<GroupState> CRegressSimple::NewGroup() {
    auto g = std::make_unique<SimpleGroup>();
    g->sums.resize(static_cast<std::size_t>(args().xFields));
    return g;
}

std::string CRegressSimple::AddRow(GroupState& state) {
    ProcedureScope scope(engine().ErrorHandler(), "CalcData");
    auto& g = static_cast<SimpleGroup&>(state);
    return AddPerFieldRow(g);
}

std::string CRegressSimple::WriteGroup(GroupState& state, const std::vector<Value>& group,
                                       long records) {
    ProcedureScope scope(engine().ErrorHandler(), "WriteData");
    auto& g = static_cast<SimpleGroup&>(state);
    std::vector<num::RegressionFit> fits;
    for (int i = 0; i < args().xFields; ++i) {
        const num::CoMoments& s = g.sums[static_cast<std::size_t>(i)];
        fits.push_back(s.valid() > 0
                           ? num::fitLeastSquares(s.lineSystem(args().intercept), args().intercept)
                           : num::RegressionFit{});
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
