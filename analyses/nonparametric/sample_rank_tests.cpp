// The rank tests' run: the compare values, the output tables, one pass that
// keeps each usable value with its sample and its whole-number count, and per
// group and data field the tie runs of the pooled values, from which the rank
// sums, the tie statistics and the empirical distribution functions follow.
#include "analyses/nonparametric/sample_rank_tests.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

#include "engine/quorvane.h"
#include "engine/row_writer.h"
#include "numeric/rank_statistics.h"

namespace qrv {

using namespace qrv::dao;

// Per data field and sample: the observations stored (rows with a usable
// value) and their count as ranked, the sum of the whole parts of their
// weights. The values themselves sit in the sorted values, field k + 1,
// tagged with their sample number (from 1).
struct RankSamples : GroupState {
    RankSamples(int dataFields, int samples)
        : M(samples),
          stored(static_cast<std::size_t>(dataFields * samples)),
          counted(static_cast<std::size_t>(dataFields * samples)) {}
    std::size_t at(int k, int j) const { return static_cast<std::size_t>(k * M + j); }
    void Merge(const GroupState& other) override {
        const auto& o = static_cast<const RankSamples&>(other);
        for (std::size_t i = 0; i < stored.size(); ++i) {
            stored[i] += o.stored[i];
            counted[i] += o.counted[i];
        }
    }
    int M;
    std::vector<long> stored;
    std::vector<double> counted;
};

namespace {

std::size_t at(int i) {
    return static_cast<std::size_t>(i);
}

// The compare field's name cut to 62 characters (whole UTF-8 characters),
// so that a suffix of two still fits a 64-character column name.
std::string cutName(const std::string& name) {
    std::size_t chars = 0;
    for (std::size_t i = 0; i < name.size(); ++i)
        if ((static_cast<unsigned char>(name[i]) & 0xC0) != 0x80 && ++chars > 62)
            return name.substr(0, i);
    return name;
}

}  // namespace

std::string CNonParamMannKruskalKS::Quorvane_MannKSKruskal(
    const std::string& strOutputTable, const std::string& strDetailTable,
    const std::string& strUserTable, const std::vector<std::string>& strFields,
    int intComparePosition, int intDataFields, bool fWeighted, bool fMann, bool fKS, bool fKruskal,
    Quorvane& engine) {
    ProcedureScope scope(engine.ErrorHandler(), "Quorvane_MannKSKruskal");
    G_ = intComparePosition - 1;
    K_ = intDataFields;
    const int needed = G_ + 1 + K_ + (fWeighted ? 1 : 0);
    if (G_ < 0 || K_ < 1 || static_cast<int>(strFields.size()) < needed)
        return "The field list does not hold the group, compare, data and weight fields.";
    outputTable_ = strOutputTable;
    detailTable_ = strDetailTable;
    weighted_ = fWeighted;
    mann_ = fMann;
    ks_ = fKS;
    kruskal_ = fKruskal;
    if (!twoSample() && !kruskal_) return {};  // no test asked for
    compareName_ = strFields[at(G_)];
    missingShown_ = false;

    engine.Quorvane_Msg(0, false, "Retrieving comparison values");
    if (std::string e = samples_.Read(engine, strUserTable, compareName_); !e.empty()) return e;
    if (samples_.empty()) return "Problem with input table";

    // The frame reads the data fields right after the group fields and the
    // weight last; the compare field rides between them.
    AnalysisInput in{strUserTable, {}, G_, K_, fWeighted};
    in.fields.assign(strFields.begin(), strFields.begin() + G_);
    in.fields.insert(in.fields.end(), strFields.begin() + G_ + 1, strFields.begin() + G_ + 1 + K_);
    in.fields.push_back(compareName_);
    if (fWeighted) in.fields.push_back(strFields[at(G_ + 1 + K_)]);
    std::string error = Run(engine, std::move(in), Walk::SortedValues);
    detail_.Close();
    return error;
}

std::string CNonParamMannKruskalKS::CreateOutput() {
    if (twoSample()) return CreateMannKS();
    if (!detailTable_.empty())
        if (std::string e = CreateKruskalDetail(); !e.empty()) return e;
    return CreateKruskalWallis();
}

std::string CNonParamMannKruskalKS::BeforeWalk() {
    samples_.MergeCase(engine().BinaryCompare());
    return {};
}

std::string CNonParamMannKruskalKS::CreateMannKS() {
    ProcedureScope scope(engine().ErrorHandler(), "CreateOutput");
    TableDef def = NewOutputTable(outputTable_);
    const InputFields in = inputFields();
    const int compareType = in.types[at(G_ + K_)];
    const long compareSize = in.sizes[at(G_ + K_)];
    const std::string cut = cutName(compareName_);
    sampleColumns_ = {cut + "-1", cut + "-2"};
    for (const std::string& name : sampleColumns_) AddColumn(def, name, compareType, compareSize);
    for (const char* name : {"Count", "Cases-1", "Cases-2"}) AddColumn(def, name, dbDouble);
    if (mann_)
        for (const char* name :
             {"SumRank-1", "SumRank-2", "MeanRank-1", "MeanRank-2", "Ties", "TiedGroups", "SumTies",
              "MW_U", "MW_U_Prime", "MW_W", "MW_Z", "MW_Prob", "MW_Z_(ties)", "MW_Prob_(ties)"})
            AddColumn(def, name, dbDouble);
    if (ks_)
        for (const char* name :
             {"KS_MaxAbsoluteDiff", "KS_MaxPosDiff", "KS_MaxNegDiff", "KS_Z", "KS_Prob"})
            AddColumn(def, name, dbDouble);
    return CreateOutputTable(def);
}

std::string CNonParamMannKruskalKS::CreateKruskalWallis() {
    ProcedureScope scope(engine().ErrorHandler(), "CreateKruskalWallis");
    TableDef def = NewOutputTable(outputTable_);
    AddCountColumns(def);
    for (const char* name :
         {"Groups", "Ties", "TiedGroups", "SumTies", "H", "Prob", "H_(ties)", "Prob_(ties)"})
        AddColumn(def, name, dbDouble);
    return CreateOutputTable(def);
}

std::string CNonParamMannKruskalKS::CreateKruskalDetail() {
    ProcedureScope scope(engine().ErrorHandler(), "CreateKruskalDetail");
    engine().Quorvane_DeleteTable(false, detailTable_);
    TableDef def = engine().OutputDatabase().CreateTableDef(detailTable_);
    int ordinal = 1;
    const InputFields in = inputFields();
    detailNames_.assign(in.names.begin(), in.names.begin() + G_);
    detailTypes_.assign(in.types.begin(), in.types.begin() + G_);
    detailSizes_.assign(in.sizes.begin(), in.sizes.begin() + G_);
    detailNames_.push_back(compareName_);
    detailTypes_.push_back(in.types[at(G_ + K_)]);
    detailSizes_.push_back(in.sizes[at(G_ + K_)]);
    AddGroupColumns(engine(), def, ordinal, {detailNames_, detailTypes_, detailSizes_, G_ + 1});
    auto add = [&](const char* name) { engine().AddTableField(def, name, dbDouble, ordinal, 0); };
    add("Count");
    if (weighted_) add("Observations");
    add("SumRanks");
    add("MeanRank");
    return CreateOutputTable(def, &detail_);
}

std::unique_ptr<GroupState> CNonParamMannKruskalKS::NewGroup() {
    return std::make_unique<RankSamples>(K_, static_cast<int>(samples_.size()));
}

std::string CNonParamMannKruskalKS::AddRow(GroupState& state) {
    ProcedureScope scope(engine().ErrorHandler(), "CalcData");
    auto& g = static_cast<RankSamples&>(state);
    double w = 1;
    if (std::string e = reader().Weight(w); !e.empty()) return e;
    if (w <= 0) return {};
    // A value the list does not hold (the input changed since it was read)
    // belongs to no sample. The message comes once a run, not once a row:
    // a table changed under the run may hold many such rows.
    const int j = samples_.Find(engine().DataRecordset().GetValue(G_ + K_));
    if (j < 0) {
        if (!missingShown_) engine().ShowMessage("Missing group value", "Data Error");
        missingShown_ = true;
        return {};
    }
    // Ranks count each row by the whole part of its weight.
    const double count = std::trunc(w);
    // Two-sample tests rank the first two samples only.
    const bool ranked = count > 0 && (!twoSample() || j < 2);
    for (int k = 0; k < K_; ++k) {
        std::optional<double> x;
        if (std::string e = reader().Usable(k, x); !e.empty()) return e;
        if (!x) continue;
        ++g.stored[g.at(k, j)];
        g.counted[g.at(k, j)] += count;
        if (ranked)
            if (Error e = g.values.Append(k + 1, *x, count, j + 1)) return Unexpected(e);
    }
    return {};
}

std::string CNonParamMannKruskalKS::WriteGroup(GroupState& state, const std::vector<Value>& group,
                                               long records) {
    ProcedureScope scope(engine().ErrorHandler(), "WriteData");
    auto& g = static_cast<RankSamples&>(state);
    for (int k = 0; k < K_; ++k) {
        std::string e =
            twoSample() ? WriteMannKS(g, group, k) : WriteKruskalWallis(g, group, k, records);
        if (!e.empty()) return e;
    }
    return {};
}

std::string CNonParamMannKruskalKS::WriteMannKS(RankSamples& g, const std::vector<Value>& group,
                                                int k) {
    ProcedureScope scope(engine().ErrorHandler(), "WriteMannKS");
    const int m = static_cast<int>(samples_.size());
    const double n1 = g.counted[g.at(k, 0)];
    const double n2 = m > 1 ? g.counted[g.at(k, 1)] : 0.0;
    RowWriter row(output());
    row.groups(inputFields(), group, DataName(k)).set(sampleColumns_[0], samples_[0]);
    if (m > 1) row.set(sampleColumns_[1], samples_[1]);
    row.set("Count", n1 + n2).set("Cases-1", n1).set("Cases-2", n2);
    if (n1 > 0 && n2 > 0) {
        // One pass over the tie runs: rank sums, tie statistics, and the two
        // empirical distribution functions compared at the end of each run.
        double r1 = 0, r2 = 0, c1 = 0, c2 = 0, maxPos = 0, maxNeg = 0;
        num::TieTotals ties;
        TieRuns runs = g.values.Runs(k + 1, true);
        for (TieRun run; runs.Next(run);) {
            for (const auto& [tag, count] : run.tags) {
                (tag == 1 ? r1 : r2) += count * run.meanRank;
                (tag == 1 ? c1 : c2) += count;
            }
            ties.add(run.count);
            const double d = c1 / n1 - c2 / n2;
            maxPos = std::max(maxPos, d);
            maxNeg = std::min(maxNeg, d);
        }
        if (runs.error()) return Unexpected(runs.error());
        if (mann_) {
            const num::MannWhitney m = *num::mannWhitney(n1, n2, r1, r2, ties);
            row.set("SumRank-1", r1)
                .set("SumRank-2", r2)
                .set("MeanRank-1", m.meanRank1)
                .set("MeanRank-2", m.meanRank2)
                .set("Ties", ties.ties)
                .set("TiedGroups", ties.tiedGroups)
                .set("SumTies", m.sumTies)
                .set("MW_U", m.u)
                .set("MW_U_Prime", m.uPrime)
                .set("MW_W", m.w)
                .set("MW_Z", m.z.value)
                .set("MW_Prob", m.z.p);
            if (m.zTies) row.set("MW_Z_(ties)", m.zTies->value).set("MW_Prob_(ties)", m.zTies->p);
        }
        if (ks_) {
            const num::KolmogorovSmirnov ks = num::ksTwoSample(maxPos, maxNeg, n1, n2);
            row.set("KS_MaxAbsoluteDiff", ks.absolute)
                .set("KS_MaxPosDiff", ks.positive)
                .set("KS_MaxNegDiff", ks.negative)
                .set("KS_Z", ks.z)
                .set("KS_Prob", ks.p);
        }
    }
    if (Error e = row.finish()) return Unexpected(e);
    return {};
}

std::string CNonParamMannKruskalKS::WriteKruskalWallis(RankSamples& g,
                                                       const std::vector<Value>& group, int k,
                                                       long records) {
    ProcedureScope scope(engine().ErrorHandler(), "WriteKruskalWallis");
    const int m = g.M;
    std::vector<double> rankSum(at(m), 0.0);
    num::TieTotals ties;
    TieRuns runs = g.values.Runs(k + 1, true);
    for (TieRun run; runs.Next(run);) {
        for (const auto& [tag, count] : run.tags)
            rankSum[at(static_cast<int>(tag) - 1)] += count * run.meanRank;
        ties.add(run.count);
    }
    if (runs.error()) return Unexpected(runs.error());

    num::RankSums sums;
    long stored = 0;
    for (int j = 0; j < m; ++j) {
        stored += g.stored[g.at(k, j)];
        const double nj = g.counted[g.at(k, j)];
        if (!(nj > 0)) continue;
        const double rj = rankSum[at(j)];
        if (!detailTable_.empty()) {
            std::vector<Value> keys = group;
            keys.push_back(samples_[at(j)]);
            RowWriter row(detail_);
            row.groups({detailNames_, detailTypes_, detailSizes_, G_ + 1}, keys, DataName(k))
                .set("Count", nj);
            if (weighted_) row.set("Observations", static_cast<double>(g.stored[g.at(k, j)]));
            row.set("SumRanks", rj).set("MeanRank", rj / nj);
            if (Error e = row.finish()) return Unexpected(e);
        }
        sums.add(nj, rj);
    }

    RowWriter row(output());
    row.groups(inputFields(), group, DataName(k)).set("Count", sums.n);
    if (weighted_) row.set("Observations", static_cast<double>(stored));
    row.set("Missing", static_cast<std::int32_t>(records - stored))
        .set("Groups", sums.groups)
        .set("Ties", ties.ties)
        .set("TiedGroups", ties.tiedGroups)
        .set("SumTies", ties.sumCubes);
    if (const std::optional<num::KruskalWallis> kw = num::kruskalWallis(sums, ties)) {
        row.set("H", kw->h.value).set("Prob", kw->h.p);
        if (kw->hTies) row.set("H_(ties)", kw->hTies->value).set("Prob_(ties)", kw->hTies->p);
    }
    if (Error e = row.finish()) return Unexpected(e);
    return {};
}

const std::string& CNonParamMannKruskalKS::DataName(int k) const {
    return in().fields[at(G_ + k)];
}

}  // namespace qrv
