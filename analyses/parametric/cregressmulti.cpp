// Multiple regression per group: the cross products of (x1, ..., xF, 1, y)
// over the records where every value is usable, solved in Extended,
// centred before the solve's pivot test so that data far from 0 still fits.
#include "analyses/parametric/cregressmulti.h"

#include <cmath>
#include <optional>

#include "engine/quorvane.h"
#include "numeric/cross_products.h"

namespace qrv {

using namespace qrv::dao;

namespace {

struct MultiGroup : GroupState {
    explicit MultiGroup(int terms) : sums(terms) {}
    num::CrossProducts sums;
    std::vector<Bookmark> residual;
    void Merge(const GroupState& other) override {
        const auto& o = static_cast<const MultiGroup&>(other);
        sums.merge(o.sums);
        residual.insert(residual.end(), o.residual.begin(), o.residual.end());
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
    if (std::string e = reader().Weight(w); !e.empty()) return e;
    if (!(w > 0)) return {};
    // A record counts only when every X value and Y are usable.
    std::vector<double> xs(static_cast<std::size_t>(args().xFields));
    for (int i = 0; i < args().xFields; ++i) {
        std::optional<double> x;
        if (std::string e = reader().Usable(i, x); !e.empty()) return e;
        if (!x) return {};
        xs[static_cast<std::size_t>(i)] = *x;
    }
    std::optional<double> y;
    if (std::string e = reader().Usable(args().xFields, y); !e.empty()) return e;
    if (!y) return {};
    g.sums.add(xs, *y, w);
    if (residuals()) {
        Bookmark row = 0;
        // This table's Observations hold the weight as a whole number.
        if (std::string e = AppendResidual({}, std::nearbyint(w), xs, *y, row); !e.empty())
            return e;
        g.residual.push_back(row);
    }
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
    if (residuals()) AddModel(fit, g.residual);
    return {};
}

}  // namespace qrv
