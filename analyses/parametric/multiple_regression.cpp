// Multiple regression per group: the cross products of (x1, ..., xF, 1, y)
// over the records where every value is usable, solved in Extended,
// centred before the solve's pivot test so that data far from 0 still fits.
#include "analyses/parametric/multiple_regression.h"

#include <optional>

#include "engine/quorvane.h"
#include "numeric/cross_products.h"

namespace qrv {

using namespace qrv::dao;

namespace {

struct MultiGroup : GroupState {
    explicit MultiGroup(int terms) : sums(terms) {}
    num::CrossProducts sums;
    std::vector<double> xs;  // the current row's, kept to spare an allocation per row
    void Merge(const GroupState& other) override {
        sums.merge(static_cast<const MultiGroup&>(other).sums);
    }
};

}  // namespace

std::string CRegressMulti::Quorvane_RegressMulti(const std::string& strOutputTable,
                                                 const std::string& strResidualTable,
                                                 const std::string& strUserTable,
                                                 const std::vector<std::string>& strFields,
                                                 int intGroupFields, int intFields, bool fWeighted,
                                                 bool fAnova, bool fIntercept,
                                                 int /*intConfidence*/, Quorvane& engine) {
    ProcedureScope scope(engine.ErrorHandler(), "Quorvane_RegressMulti");
    RegressionArgs a{strOutputTable, strResidualTable, strUserTable, strFields, intGroupFields,
                     intFields,      fWeighted,        fAnova,       fIntercept};
    if (intFields < 1 || static_cast<int>(strFields.size()) < intGroupFields + intFields + 1)
        return "The field list does not hold the group, X and Y fields.";
    return RunRegression(engine, a, false);
}

std::string CRegressMulti::CreateOutput() {
    std::vector<std::string> suffixes, columns;
    for (int i = 0; i < args().xFields; ++i) {
        const std::string number = std::to_string(i + 1);
        suffixes.push_back("X" + number + ": " + xName(i));
        columns.push_back("X" + number + ":" + xName(i));
    }
    if (std::string e = CreateFitTable(false, suffixes); !e.empty()) return e;
    if (!residuals()) return {};
    return CreateResidualTable(false, columns);
}

std::unique_ptr<GroupState> CRegressMulti::NewGroup() {
    return std::make_unique<MultiGroup>(args().xFields);
}

std::string CRegressMulti::AddRow(GroupState& state) {
    ProcedureScope scope(engine().ErrorHandler(), "CalcData");
    auto& g = static_cast<MultiGroup&>(state);
    double w = 0;
    std::optional<double> y;
    if (std::string e = ReadAllFieldsRow(w, g.xs, y); !e.empty()) return e;
    if (y) g.sums.add(g.xs, *y, w);
    return {};
}

std::string CRegressMulti::WriteGroup(GroupState& state, const std::vector<Value>& group,
                                      long records) {
    ProcedureScope scope(engine().ErrorHandler(), "WriteData");
    auto& g = static_cast<MultiGroup&>(state);
    const num::RegressionFit fit =
        g.sums.valid() > 0 ? num::fitLeastSquares(g.sums.system(args().intercept), args().intercept)
                           : num::RegressionFit{};
    if (std::string e = WriteFitRow(group, {}, g.sums.n().toDouble(), g.sums.valid(), records, fit);
        !e.empty())
        return e;
    if (residuals()) KeepModels(group, records, {fit});
    return {};
}

}  // namespace qrv
