// Paired-field tests: per group and X field the pair sums of X and Y over the
// records in which both are usable, the comparison counts, and the values
// the rank tests need, kept in the group's sorted values.
#include "analyses/nonparametric/paired_tests.h"

#include <cmath>
#include <cstdint>
#include <optional>

#include "analyses/nonparametric/paired_ranks.h"
#include "analyses/parametric/column_names.h"
#include "analyses/parametric/pair_differences.h"
#include "engine/quorvane.h"
#include "engine/row_writer.h"

namespace qrv {

using namespace qrv::dao;

namespace {

struct PairedGroup : GroupState {
    std::vector<PairComparison> fields;
    void Merge(const GroupState& other) override {
        const auto& o = static_cast<const PairedGroup&>(other);
        for (size_t i = 0; i < fields.size(); ++i) fields[i].merge(o.fields[i]);
    }
};

}  // namespace

std::string CNonParametric::Quorvane_NonParametric(
    const std::string& strOutputTable, const std::string& strUserTable,
    const std::vector<std::string>& strFields, int intGroupFields, int intFields, int intYPosition,
    bool fWeighted, bool fMedianSign, const std::vector<double>& /*medians*/, bool fSign,
    bool fWilcoxon, bool fSpearman, bool fKendall, bool fContingency, Quorvane& engine) {
    ProcedureScope scope(engine.ErrorHandler(), "Quorvane_NonParametric");
    const auto yAt = static_cast<size_t>(intGroupFields + intFields);
    if (intGroupFields < 0 || intFields < 1 || intYPosition != intGroupFields + intFields + 1 ||
        strFields.size() <= yAt)
        return "The field list does not hold the group, X and Y fields.";
    if (fMedianSign || fKendall || fContingency)
        return "The median sign test, Kendall's tau and contingency statistics are not available "
               "for paired fields.";
    outputTable_ = strOutputTable;
    F_ = intFields;
    sign_ = fSign;
    wilcoxon_ = fWilcoxon;
    spearman_ = fSpearman;
    row_ = 0;
    countColumn_ = ("Count_of_" + strFields[yAt]).substr(0, 64);
    // Y reads as the analysis field after the X fields. The rank tests keep
    // the values in order. Fractional weights round the comparison counts
    // record by record, so with weights the rows come in the sorted walk's
    // order (rows of group values that differ only in case included), rank
    // tests or not; without weights any order gives the same table.
    const bool ranks = wilcoxon_ || spearman_;
    const Walk walk = ranks       ? (fWeighted ? Walk::SortedRowsWithValues : Walk::SortedValues)
                      : fWeighted ? Walk::Sorted
                                  : Walk::Hashed;
    return Run(engine, {strUserTable, strFields, intGroupFields, intFields + 1, fWeighted}, walk);
}

std::string CNonParametric::CreateOutput() {
    ProcedureScope scope(engine().ErrorHandler(), "CreateOutput");
    std::vector<std::string> names = LeadingColumnNames(countColumn_);
    const size_t first = names.size();  // the double columns
    names.insert(names.end(),
                 {"Mean", "MeanY", "MeanDiff", "Count<Y", "Count=Y", "Count>Y", "Pearson's_R"});
    if (sign_) names.insert(names.end(), {"SignZ", "SignProb"});
    if (wilcoxon_)
        names.insert(names.end(),
                     {"Wilcoxon_Neg_SumRank", "Wilcoxon_Pos_SumRank", "Wilcoxon_Neg_MeanRank",
                      "Wilcoxon_Pos_MeanRank", "Wilcoxon_Z", "Wilcoxon_Prob"});
    if (spearman_)
        names.insert(names.end(),
                     {"TiedGroups_X", "TiedGroups_Y", "Spearman", "Spearman_t", "Spearman_Prob",
                      "Spearman_(ties)", "Spearman_t_(ties)", "Spearman_Prob_(ties)"});
    if (std::string e = RepeatedColumn(names); !e.empty()) return e;

    TableDef def = NewOutputTable(outputTable_);
    AddCountColumns(def, countColumn_);
    for (size_t i = first; i < names.size(); ++i) AddColumn(def, names[i], dbDouble);
    return CreateOutputTable(def);
}

std::unique_ptr<GroupState> CNonParametric::NewGroup() {
    auto g = std::make_unique<PairedGroup>();
    g->fields.resize(static_cast<size_t>(F_));
    return g;
}

std::string CNonParametric::AddRow(GroupState& state) {
    ProcedureScope scope(engine().ErrorHandler(), "CalcData");
    auto& g = static_cast<PairedGroup&>(state);
    double w = 0;
    std::optional<double> y;
    if (std::string e = reader().WeightedUsable(F_, w, y); !e.empty()) return e;
    if (!y) return {};  // a skipped row, or Y missing for every X field
    // The rank tests count a record as many times as its whole weight.
    const double times = std::trunc(w);
    const std::int64_t row = ++row_;
    for (int i = 0; i < F_; ++i) {
        std::optional<double> x;
        if (std::string e = reader().Usable(i, x); !e.empty()) return e;
        if (!x) continue;
        g.fields[static_cast<size_t>(i)].add(*x, *y, w);
        if (times < 1) continue;
        const double d = *x - *y;
        Error e;
        if (wilcoxon_ && d != 0)
            e = g.values.Append(differences(i), TieValue(std::fabs(d)), times, d > 0 ? 1 : 0);
        if (!e && spearman_) e = g.values.Append(xValues(i), *x, times, row);
        if (!e && spearman_) e = g.values.Append(yValues(i), *y, times, row);
        if (e) return Unexpected(e);
    }
    return {};
}

std::string CNonParametric::WriteGroup(GroupState& state, const std::vector<Value>& group,
                                       long records) {
    ProcedureScope scope(engine().ErrorHandler(), "WriteData");
    auto& g = static_cast<PairedGroup&>(state);
    const InputFields fields = inputFields();
    Recordset& out = output();
    for (int i = 0; i < F_; ++i) {
        const PairComparison& f = g.fields[static_cast<size_t>(i)];
        const std::string& name = in().fields[static_cast<size_t>(in().groups + i)];
        const num::CoMoments& m = f.pair.moments();
        const PairDifferences::Result r = f.pair.result();
        num::SignedRanks wx;
        if (wilcoxon_) {
            engine().Quorvane_Msg(0, false, "Calculating Wilcoxon for [" + name + "]");
            if (Error e = Wilcoxon(g.values, differences(i), wx)) return Unexpected(e);
        }
        const bool spearman = spearman_ && r.n > 1;
        SpearmanResult sp;
        if (spearman) {
            engine().Quorvane_Msg(0, false, "Calculating Spearman for [" + name + "]");
            if (Error e = Spearman(g.values, xValues(i), yValues(i), RunBudget(), sp))
                return Unexpected(e);
        }

        RowWriter row(out);
        row.groups(fields, group, name).set(countColumn_, r.n);
        if (in().weighted) row.set("Observations", static_cast<double>(m.valid()));
        row.set("Missing", static_cast<std::int32_t>(records - m.valid()));
        if (r.n > 0)
            row.set("Mean", r.meanX)
                .set("MeanY", r.meanY)
                .set("MeanDiff", r.meanDiff)
                .set("Count<Y", static_cast<double>(f.below))
                .set("Count=Y", static_cast<double>(f.equal))
                .set("Count>Y", static_cast<double>(f.above))
                .set("Pearson's_R", r.correlation);
        if (sign_)
            if (std::optional<num::Tested> s = num::pairedSignTest(f.below, f.above))
                row.set("SignZ", s->value).set("SignProb", s->p);
        if (wilcoxon_) {
            const num::SignedRankTest w = num::signedRankTest(wx);
            row.set("Wilcoxon_Neg_SumRank", wx.negSum).set("Wilcoxon_Pos_SumRank", wx.posSum);
            row.set("Wilcoxon_Neg_MeanRank", w.negMean).set("Wilcoxon_Pos_MeanRank", w.posMean);
            if (w.z) row.set("Wilcoxon_Z", w.z->value).set("Wilcoxon_Prob", w.z->p);
        }
        if (spearman) {
            const num::Spearman& s = sp.rho;
            row.set("TiedGroups_X", sp.x.tiedGroups).set("TiedGroups_Y", sp.y.tiedGroups);
            row.set("Spearman", s.rho).set("Spearman_t", s.t).set("Spearman_Prob", s.p);
            row.set("Spearman_(ties)", s.rhoTies).set("Spearman_t_(ties)", s.tTies);
            row.set("Spearman_Prob_(ties)", s.pTies);
        }
        if (Error e = row.finish()) return Unexpected(e);
    }
    return {};
}

}  // namespace qrv
