// Correlation matrix: the sums of every pair of analysis fields (a field
// with itself on the diagonal) over the records in which both are usable,
// and one output row per group, statistic and row field.
#include "analyses/parametric/ccorrmatrix.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>

#include "analyses/parametric/column_names.h"
#include "analyses/parametric/pair_differences.h"
#include "engine/quorvane.h"

namespace qrv {

using namespace qrv::dao;

namespace {

// Pair (a, b), a <= b, holds field a as x and field b as y.
struct MatrixGroup : GroupState {
    std::vector<PairDifferences> pairs;
    void Merge(const GroupState& other) override {
        const auto& o = static_cast<const MatrixGroup&>(other);
        for (size_t i = 0; i < pairs.size(); ++i) pairs[i].merge(o.pairs[i]);
    }
};

enum Statistic { kCount, kMissing, kMeanDiff, kStdDevDiff, kCov, kCorr, kR2, kT, kProb, kStats };

const std::array<const char*, kStats - 1> kLabels = {"Count",      "Missing",    "MeanDiff",
                                                     "StdDevDiff", "Covariance", "Correlation",
                                                     "R-Square",   "t-Value"};

// One cell: row field against column field. The pair's sums have the row
// field as x when swapped is false; the signed statistics turn round
// otherwise.
std::optional<double> Cell(Statistic k, const PairDifferences::Result& r, long c, bool swapped,
                           long records, bool oneTail) {
    if (k == kMissing) return static_cast<double>(records - c);
    if (k == kCount) return r.n;
    if (c <= 1) return std::nullopt;
    const double sign = swapped ? -1.0 : 1.0;
    switch (k) {
        case kMeanDiff:
            if (r.meanDiff) return sign * *r.meanDiff;
            return std::nullopt;
        case kStdDevDiff:
            return r.stdDevDiff;
        case kCov:
            return r.covariance;
        case kCorr:
            return r.correlation;
        case kR2:
            return r.rSquare;
        case kT:
            if (r.t) return sign * *r.t;
            return std::nullopt;
        case kProb:
            if (r.p) return oneTail ? *r.p / 2 : *r.p;
            return std::nullopt;
        default:
            return std::nullopt;
    }
}

}  // namespace

std::string CCorrMatrix::Quorvane_Matrix(const std::string& strOutputTable,
                                         const std::string& strUserTable,
                                         const std::vector<std::string>& strFields,
                                         int intGroupFields, int intFields, bool fWeighted,
                                         const std::string& strDescriptor,
                                         const std::string& strTails, Quorvane& engine) {
    ProcedureScope scope(engine.ErrorHandler(), "Quorvane_Matrix");
    outputTable_ = strOutputTable;
    descriptor_ = strDescriptor;
    tails_ = strTails.substr(0, 1);
    F_ = intFields;
    row_.assign(static_cast<size_t>(std::max(intFields, 0)), std::nullopt);
    return Run(engine, {strUserTable, strFields, intGroupFields, intFields, fWeighted},
               Walk::Hashed);
}

std::string CCorrMatrix::CreateOutput() {
    ProcedureScope scope(engine().ErrorHandler(), "CreateOutput");
    std::vector<std::string> names(in().fields.begin(), in().fields.begin() + in().groups);
    names.push_back("DataField");
    names.push_back("CalcType");
    names.insert(names.end(), in().fields.begin() + in().groups,
                 in().fields.begin() + in().groups + F_);
    if (std::string e = RepeatedColumn(names); !e.empty()) return e;
    TableDef def = NewOutputTable(outputTable_);
    AddColumn(def, "CalcType", dbText, 13);
    for (int j = 0; j < F_; ++j)
        AddColumn(def, in().fields[static_cast<size_t>(in().groups + j)], dbDouble);
    return CreateOutputTable(def);
}

std::unique_ptr<GroupState> CCorrMatrix::NewGroup() {
    auto g = std::make_unique<MatrixGroup>();
    g->pairs.resize(static_cast<size_t>(F_ * (F_ + 1) / 2));
    return g;
}

std::string CCorrMatrix::AddRow(GroupState& state) {
    ProcedureScope scope(engine().ErrorHandler(), "CalcData");
    auto& g = static_cast<MatrixGroup&>(state);
    double w = 0;
    if (std::string e = reader().Weight(w); !e.empty()) return e;
    if (!(w > 0)) return {};
    for (int i = 0; i < F_; ++i)
        if (std::string e = reader().Usable(i, row_[static_cast<size_t>(i)]); !e.empty()) return e;
    for (int a = 0; a < F_; ++a) {
        const std::optional<double>& xa = row_[static_cast<size_t>(a)];
        if (!xa) continue;
        for (int b = a; b < F_; ++b) {
            const std::optional<double>& xb = row_[static_cast<size_t>(b)];
            if (xb) g.pairs[Pair(a, b)].add(*xa, *xb, w);
        }
    }
    return {};
}

std::string CCorrMatrix::WriteGroup(GroupState& state, const std::vector<Value>& group,
                                    long records) {
    ProcedureScope scope(engine().ErrorHandler(), "WriteData");
    auto& g = static_cast<MatrixGroup&>(state);
    const InputFields fields = inputFields();
    const int first = in().groups + 2;  // the first matrix column
    const bool oneTail = tails_ == "1";
    std::vector<PairDifferences::Result> results;
    results.reserve(g.pairs.size());
    for (const PairDifferences& pair : g.pairs) results.push_back(pair.result());
    Recordset& out = output();
    for (int k = 0; k < kStats; ++k) {
        if (descriptor_.size() <= static_cast<size_t>(k) ||
            (descriptor_[static_cast<size_t>(k)] != 'Y' &&
             descriptor_[static_cast<size_t>(k)] != 'y'))
            continue;
        const std::string label = k == kProb ? "Prob (" + tails_ + "-tail)"
                                             : std::string(kLabels[static_cast<size_t>(k)]);
        for (int i = 0; i < F_; ++i) {
            Error e = out.AddNew();
            if (!e)
                e = WriteGroupColumns(out, fields, group,
                                      in().fields[static_cast<size_t>(in().groups + i)]);
            if (!e) e = out.SetValue(first - 1, Value::text(label));
            for (int j = 0; j < F_ && !e; ++j) {
                const bool swapped = i > j;
                const size_t p = swapped ? Pair(j, i) : Pair(i, j);
                if (std::optional<double> v =
                        Cell(static_cast<Statistic>(k), results[p], g.pairs[p].moments().valid(),
                             swapped, records, oneTail))
                    e = out.SetValue(first + j, Value::real(*v));
            }
            if (!e) e = out.Update();
            if (e) return Unexpected(e);
        }
    }
    return {};
}

}  // namespace qrv
