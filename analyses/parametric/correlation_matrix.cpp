// Correlation matrix: the sums of every pair of analysis fields (a field
// with itself on the diagonal) over the records in which both are usable,
// and one output row per group, statistic and row field. Records in which
// every field is usable, the usual case, are summed once per field and once
// per pair for the cross products and differences; the others per pair.
#include "analyses/parametric/correlation_matrix.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>

#include "analyses/parametric/column_names.h"
#include "analyses/parametric/pair_differences.h"
#include "engine/quorvane.h"
#include "engine/row_writer.h"
#include "numeric/comoments.h"

namespace qrv {

using namespace qrv::dao;

namespace {

// Pair (a, b), a <= b, holds field a as x and field b as y. A pair's sums
// are those of the records with every field usable (whole, and the pair's
// differences) merged with those of the other records in which both of
// its fields are (rest). A field's differences with itself are 0 and left
// unsummed.
struct MatrixGroup : GroupState {
    num::CoMomentMatrix whole;
    std::vector<DifferenceSums> differences;
    std::vector<PairDifferences> rest;

    void Merge(const GroupState& other) override {
        const auto& o = static_cast<const MatrixGroup&>(other);
        for (size_t i = 0; i < differences.size(); ++i)
            differences[i].merge(o.differences[i], o.whole.n());
        whole.merge(o.whole);
        for (size_t i = 0; i < rest.size(); ++i) rest[i].merge(o.rest[i]);
    }
    // The sums of pair (a, b) over every record in which both are usable.
    PairDifferences pair(int a, int b, size_t index) const {
        PairDifferences p(whole.pair(a, b), differences[index]);
        p.merge(rest[index]);
        return p;
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
    values_.assign(row_.size(), 0.0);
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
    const auto pairs = static_cast<size_t>(F_ * (F_ + 1) / 2);
    g->whole = num::CoMomentMatrix(F_);
    g->differences.resize(pairs);
    g->rest.resize(pairs);
    return g;
}

std::string CCorrMatrix::AddRow(GroupState& state) {
    ProcedureScope scope(engine().ErrorHandler(), "CalcData");
    auto& g = static_cast<MatrixGroup&>(state);
    double w = 0;
    if (std::string e = reader().Weight(w); !e.empty()) return e;
    if (!(w > 0)) return {};
    bool every = true;
    for (int i = 0; i < F_; ++i) {
        std::optional<double>& x = row_[static_cast<size_t>(i)];
        if (std::string e = reader().Usable(i, x); !e.empty()) return e;
        if (x)
            values_[static_cast<size_t>(i)] = *x;
        else
            every = false;
    }
    if (every) {
        g.whole.add(values_.data(), w);
        for (int a = 0; a < F_; ++a)
            for (int b = a + 1; b < F_; ++b)
                g.differences[Pair(a, b)].add(values_[static_cast<size_t>(a)],
                                              values_[static_cast<size_t>(b)], w);
        return {};
    }
    for (int a = 0; a < F_; ++a) {
        const std::optional<double>& xa = row_[static_cast<size_t>(a)];
        if (!xa) continue;
        for (int b = a; b < F_; ++b) {
            const std::optional<double>& xb = row_[static_cast<size_t>(b)];
            if (xb) g.rest[Pair(a, b)].add(*xa, *xb, w);
        }
    }
    return {};
}

std::string CCorrMatrix::WriteGroup(GroupState& state, const std::vector<Value>& group,
                                    long records) {
    ProcedureScope scope(engine().ErrorHandler(), "WriteData");
    auto& g = static_cast<MatrixGroup&>(state);
    const InputFields fields = inputFields();
    const bool oneTail = tails_ == "1";
    std::vector<PairDifferences::Result> results(g.rest.size());
    std::vector<long> counts(g.rest.size());
    for (int a = 0; a < F_; ++a)
        for (int b = a; b < F_; ++b) {
            const size_t p = Pair(a, b);
            const PairDifferences pair = g.pair(a, b, p);
            results[p] = pair.result();
            counts[p] = pair.moments().valid();
        }
    for (int k = 0; k < kStats; ++k) {
        if (descriptor_.size() <= static_cast<size_t>(k) ||
            (descriptor_[static_cast<size_t>(k)] != 'Y' &&
             descriptor_[static_cast<size_t>(k)] != 'y'))
            continue;
        const std::string label = k == kProb ? "Prob (" + tails_ + "-tail)"
                                             : std::string(kLabels[static_cast<size_t>(k)]);
        for (int i = 0; i < F_; ++i) {
            RowWriter row(output());
            row.groups(fields, group, field(i)).set("CalcType", label);
            for (int j = 0; j < F_; ++j) {
                const bool swapped = i > j;
                const size_t p = swapped ? Pair(j, i) : Pair(i, j);
                row.set(field(j), Cell(static_cast<Statistic>(k), results[p], counts[p], swapped,
                                       records, oneTail));
            }
            if (Error e = row.finish()) return Unexpected(e);
        }
    }
    return {};
}

}  // namespace qrv
