// Percentiles per group and field: the usable values of a group are appended
// to the scratch sort table, and at the end of the group the cut points of
// every field are read back from it in order and written one row each.
#include "analyses/parametric/percentiles.h"

#include <optional>

#include "engine/quorvane.h"
#include "engine/row_writer.h"
#include "engine/sort_table.h"

namespace qrv {

using namespace qrv::dao;

namespace {

// The weight sum of the usable values of one group, per field; the values
// themselves are in the sort table.
struct PercentileGroup : GroupState {
    std::vector<num::Extended> n;
    void Merge(const GroupState& other) override {
        const auto& o = static_cast<const PercentileGroup&>(other);
        for (size_t i = 0; i < n.size(); ++i) n[i] += o.n[i];
    }
};

}  // namespace

std::string CPercentiles::Quorvane_Percentile(const std::string& strOutputTable,
                                              const std::string& strUserTable,
                                              const std::vector<std::string>& strFields,
                                              int intGroupFields, int intFields, bool fWeighted,
                                              const std::string& strType, Quorvane& engine) {
    ProcedureScope scope(engine.ErrorHandler(), "Quorvane_Percentile");
    parts_ = strType.size() == 1 ? SortTable::PartsOf(strType[0]) : 0;
    if (parts_ == 0) return "Unknown percentile type: " + strType;
    // The percent reported for cut j is j times this step (50, 25, 20, 10 or 1).
    step_ = static_cast<int>(100.0f / static_cast<float>(parts_));
    outputTable_ = strOutputTable;
    return Run(engine, {strUserTable, strFields, intGroupFields, intFields, fWeighted},
               Walk::SortedValues);
}

std::string CPercentiles::CreateOutput() {
    ProcedureScope scope(engine().ErrorHandler(), "CreateOutput");
    TableDef def = NewOutputTable(outputTable_);
    AddColumn(def, "Percentile", dbDouble);
    AddColumn(def, "Value", dbDouble);
    return CreateOutputTable(def);
}

std::unique_ptr<GroupState> CPercentiles::NewGroup() {
    auto g = std::make_unique<PercentileGroup>();
    g->n.assign(static_cast<size_t>(in().analysisFields), num::Extended());
    return g;
}

std::string CPercentiles::AddRow(GroupState& state) {
    ProcedureScope scope(engine().ErrorHandler(), "CalcData");
    auto& g = static_cast<PercentileGroup&>(state);
    double w = 0;
    if (std::string e = reader().Weight(w); !e.empty()) return e;
    if (!(w > 0)) return {};  // counts as missing for every field
    for (int f = 0; f < in().analysisFields; ++f) {
        std::optional<double> x;
        if (std::string e = reader().Usable(f, x); !e.empty()) return e;
        if (!x) continue;
        g.n[static_cast<size_t>(f)] += w;
        if (Error e = g.values.Append(f + 1, *x, w)) return Unexpected(e);
    }
    return {};
}

std::string CPercentiles::WriteGroup(GroupState& state, const std::vector<Value>& group, long) {
    ProcedureScope scope(engine().ErrorHandler(), "WriteData");
    auto& g = static_cast<PercentileGroup&>(state);
    const InputFields fields = inputFields();
    const int groups = in().groups;
    std::vector<double> cuts;
    for (int f = 0; f < in().analysisFields; ++f) {
        const num::Extended& n = g.n[static_cast<size_t>(f)];
        if (!(n > 0.0)) continue;  // no usable value: no rows for this field
        if (std::string e = g.values.CalcPercentiles(f + 1, in().weighted, parts_, n, cuts);
            !e.empty())
            return e;
        const std::string& name = in().fields[static_cast<size_t>(groups + f)];
        for (int j = 1; j < parts_; ++j) {
            RowWriter row(output());
            row.groups(fields, group, name)
                .set("Percentile", static_cast<double>(j * step_))
                .set("Value", cuts[static_cast<size_t>(j - 1)]);
            if (Error e = row.finish()) return Unexpected(e);
        }
    }
    return {};
}

}  // namespace qrv
