// The Friedman test per group. Each complete record is ranked on its own, so
// the state of a group is only its weight total and the k weighted rank sums:
// the walk needs no sorted values, and groups may be accumulated in parts.
#include "analyses/nonparametric/field_rank_tests.h"

#include <cstdint>
#include <optional>

#include "analyses/nonparametric/paired_ranks.h"
#include "engine/quorvane.h"
#include "engine/row_writer.h"
#include "numeric/extended.h"
#include "numeric/related_ranks.h"

namespace qrv {

using namespace qrv::dao;

namespace {

struct FriedmanGroup : GroupState {
    explicit FriedmanGroup(int k) : rankSums(static_cast<size_t>(k)) {}
    num::Extended n;  // weight total of the complete records
    long complete = 0;
    std::vector<num::Extended> rankSums;  // per field, ranks times weights
    void Merge(const GroupState& other) override {
        const auto& o = static_cast<const FriedmanGroup&>(other);
        n += o.n;
        complete += o.complete;
        for (size_t j = 0; j < rankSums.size(); ++j) rankSums[j] += o.rankSums[j];
    }
};

}  // namespace

std::string CNonParamFriedman::Quorvane_NonParamFriedman(const std::string& strOutputTable,
                                                         const std::string& strDetailTable,
                                                         const std::string& strUserTable,
                                                         const std::vector<std::string>& strFields,
                                                         int intGroupFields, int intFields,
                                                         bool fWeighted, Quorvane& engine) {
    ProcedureScope scope(engine.ErrorHandler(), "Quorvane_NonParamFriedman");
    outputTable_ = strOutputTable;
    detailTable_ = strDetailTable;
    std::string error =
        Run(engine, {strUserTable, strFields, intGroupFields, intFields, fWeighted}, Walk::Hashed);
    detail_.Close();
    return error;
}

std::string CNonParamFriedman::CreateOutput() {
    if (!detailTable_.empty())
        if (std::string e = createDetail(); !e.empty()) return e;
    return createSummary();
}

// One row per group: the group columns and no DataField, since the row
// speaks of all compared fields at once.
std::string CNonParamFriedman::createSummary() {
    ProcedureScope scope(engine().ErrorHandler(), "CreateOutput");
    engine().Quorvane_DeleteTable(false, outputTable_);
    TableDef def = engine().OutputDatabase().CreateTableDef(outputTable_);
    int ordinal = 1;
    const InputFields fields = inputFields();
    for (int g = 0; g < fields.groups; ++g) {
        const size_t i = static_cast<size_t>(g);
        const int type = fields.types[i] ? fields.types[i] : dbText;
        engine().AddTableField(def, fields.names[i], type, ordinal,
                               type == dbText ? (fields.sizes[i] > 0 ? fields.sizes[i] : 255) : 0);
    }
    qrv::AddCountColumns(engine(), def, ordinal, in().weighted);
    for (const char* name : {"DF", "Fields", "Chi-Squared", "Friedman_Prob"})
        engine().AddTableField(def, name, dbDouble, ordinal, 0);
    return CreateOutputTable(def);
}

std::string CNonParamFriedman::createDetail() {
    ProcedureScope scope(engine().ErrorHandler(), "CreateDetail");
    engine().Quorvane_DeleteTable(false, detailTable_);
    TableDef def = engine().OutputDatabase().CreateTableDef(detailTable_);
    int ordinal = 1;
    AddGroupColumns(engine(), def, ordinal, inputFields());
    for (const char* name : {"Count", "SumRanks", "MeanRank"})
        engine().AddTableField(def, name, dbDouble, ordinal, 0);
    return CreateOutputTable(def, &detail_);
}

std::unique_ptr<GroupState> CNonParamFriedman::NewGroup() {
    return std::make_unique<FriedmanGroup>(in().analysisFields);
}

std::string CNonParamFriedman::AddRow(GroupState& state) {
    ProcedureScope scope(engine().ErrorHandler(), "CalcData");
    auto& g = static_cast<FriedmanGroup&>(state);
    double w = 0;
    if (std::string e = reader().Weight(w); !e.empty()) return e;
    if (!(w > 0)) return {};  // a skipped record counts as missing
    const int k = in().analysisFields;
    record_.clear();
    for (int j = 0; j < k; ++j) {
        std::optional<double> x;
        if (std::string e = reader().Usable(j, x); !e.empty()) return e;
        if (!x) return {};  // one missing value leaves the whole record out
        // Compared as the paired signed ranks compare: values that read the
        // same to 15 digits are tied.
        record_.emplace_back(TieValue(*x), j);
    }
    g.n += w;
    ++g.complete;
    // A record holds only its k values, so they are ranked here rather than
    // in the group's sort table.
    num::midRanks(record_, ranks_);
    for (size_t j = 0; j < ranks_.size(); ++j)
        g.rankSums[j] += num::Extended::product(ranks_[j], w);
    return {};
}

std::string CNonParamFriedman::WriteGroup(GroupState& state, const std::vector<Value>& group,
                                          long records) {
    ProcedureScope scope(engine().ErrorHandler(), "WriteData");
    auto& g = static_cast<FriedmanGroup&>(state);
    const int k = in().analysisFields;
    const double n = g.n.toDouble();
    std::vector<double> rankSums;
    num::Extended s;  // the squared rank sums added
    for (const num::Extended& r : g.rankSums) {
        rankSums.push_back(r.toDouble());
        s += r * r;
    }
    // A group without complete records has no ranks, and so no detail rows.
    if (detail_.IsOpen() && g.complete > 0)
        if (std::string e = writeDetail(group, n, rankSums); !e.empty()) return e;

    RowWriter row(output());
    row.groupsOnly(in().groups, group).set("Count", n);
    if (in().weighted) row.set("Observations", static_cast<double>(g.complete));
    row.set("Missing", static_cast<std::int32_t>(records - g.complete))
        .set("DF", static_cast<double>(k - 1))
        .set("Fields", static_cast<double>(k));
    if (const std::optional<num::Tested> chi = num::friedman(g.n, s, k))
        row.set("Chi-Squared", chi->value).set("Friedman_Prob", chi->p);
    if (Error e = row.finish()) return Unexpected(e);
    return {};
}

std::string CNonParamFriedman::writeDetail(const std::vector<Value>& group, double n,
                                           const std::vector<double>& rankSums) {
    const int groups = in().groups;
    for (size_t j = 0; j < rankSums.size(); ++j) {
        const std::string& name = in().fields[static_cast<size_t>(groups) + j];
        RowWriter row(detail_);
        row.groups(inputFields(), group, name)
            .set("Count", n)
            .set("SumRanks", rankSums[j])
            .set("MeanRank", rankSums[j] / n);
        if (Error e = row.finish()) return Unexpected(e);
    }
    return {};
}

}  // namespace qrv
