// Runs test per group and data field. Each usable value goes into the
// group's sort table tagged with its sample and carrying its weight; at the
// end of the group the values are read back as runs of equal values, and
// each run adds to the smallest and the largest possible run count.
#include "analyses/nonparametric/runs_test.h"

#include <cmath>
#include <cstdint>
#include <optional>
#include <tuple>
#include <utility>

#include "engine/group_walk.h"
#include "engine/quorvane.h"
#include "engine/row_writer.h"
#include "numeric/extended.h"
#include "numeric/rank_statistics.h"

namespace qrv {

using namespace qrv::dao;

namespace {

// The failure of a compare field without exactly two values.
std::string countMessage(std::size_t count) {
    if (count == 1) return "Compare Field has 1 value.\r\nTwo values are required.";
    if (count > 2)
        return "Compare Field has " + std::to_string(count) +
               " values.\r\nOnly two values are permitted.";
    return {};
}

// The sample sizes (weights) and the records counted, per data field; the
// values themselves are in the sort table.
struct WaldGroup : GroupState {
    explicit WaldGroup(int fields)
        : size1(static_cast<size_t>(fields)),
          size2(static_cast<size_t>(fields)),
          counted(static_cast<size_t>(fields), 0) {}
    std::vector<num::Extended> size1, size2;
    std::vector<long> counted;
    void Merge(const GroupState& other) override {
        const auto& o = static_cast<const WaldGroup&>(other);
        for (size_t i = 0; i < counted.size(); ++i) {
            size1[i] += o.size1[i];
            size2[i] += o.size2[i];
            counted[i] += o.counted[i];
        }
    }
};

}  // namespace

std::string CNonParamWald::Quorvane_NonParametricRuns(const std::string& strOutputTable,
                                                      const std::string& strUserTable,
                                                      const std::vector<std::string>& strFields,
                                                      int intComparePosition, int intFields,
                                                      bool fWeighted, Quorvane& engine) {
    ProcedureScope scope(engine.ErrorHandler(), "Quorvane_NonParametricRuns");
    const int groups = intComparePosition - 1;
    const size_t needed = static_cast<size_t>(intComparePosition + intFields) + (fWeighted ? 1 : 0);
    if (groups < 0 || intFields < 1 || strFields.size() < needed)
        return "The field list does not hold the group, compare, data and weight fields.";

    engine.Quorvane_Msg(0, false, "Retrieving comparison values");
    if (std::string e = samples_.Read(engine, strUserTable, strFields[static_cast<size_t>(groups)]);
        !e.empty())
        return e;
    const std::size_t count = samples_.size();
    if (count == 0) return "Problem with input query";
    // More values may be fewer once texts that differ only in case are one.
    if (count == 1) return countMessage(1);

    // The run reads the group fields, the data fields, then the compare field
    // and the weight field last.
    AnalysisInput in{strUserTable, {}, groups, intFields, fWeighted};
    for (int i = 0; i < groups; ++i) in.fields.push_back(strFields[static_cast<size_t>(i)]);
    for (int k = 0; k < intFields; ++k)
        in.fields.push_back(strFields[static_cast<size_t>(intComparePosition + k)]);
    in.fields.push_back(strFields[static_cast<size_t>(groups)]);
    if (fWeighted)
        in.fields.push_back(strFields[static_cast<size_t>(intComparePosition + intFields)]);
    outputTable_ = strOutputTable;
    rows_.Reset(intFields);
    return Run(engine, std::move(in), Walk::SortedValues);
}

std::string CNonParamWald::BeforeWalk() {
    samples_.MergeCase(engine().BinaryCompare());
    return countMessage(samples_.size());
}

void CNonParamWald::StageAnalyzing() {
    // The one read retrieves every data field.
    for (int k = 0; k < in().analysisFields; ++k)
        engine().Quorvane_Msg(0, false,
                              RetrievingField(in().fields[static_cast<size_t>(in().groups + k)]));
}

RecordTicks CNonParamWald::Ticks() const {
    // Records name their field when there is one; with several, every record
    // is analysed for all of them at once.
    if (in().analysisFields != 1) return {};
    return {true, AnalyzingField(in().fields[static_cast<size_t>(in().groups)])};
}

std::string CNonParamWald::CreateOutput() {
    ProcedureScope scope(engine().ErrorHandler(), "CreateOutput");
    TableDef def = NewOutputTable(outputTable_);
    AddCountColumns(def);
    for (const char* name :
         {"Cases-1", "Cases-2", "Wald_Mean", "Wald_StdDev", "Ties", "TiedGroups", "Wald_Min_Runs",
          "Wald_Min_Z", "Wald_Min_Prob", "Wald_Max_Runs", "Wald_Max_Z", "Wald_Max_Prob"})
        AddColumn(def, name, dbDouble);
    return CreateOutputTable(def);
}

std::unique_ptr<GroupState> CNonParamWald::NewGroup() {
    return std::make_unique<WaldGroup>(in().analysisFields);
}

std::string CNonParamWald::AddRow(GroupState& state) {
    ProcedureScope scope(engine().ErrorHandler(), "CalcData");
    auto& g = static_cast<WaldGroup&>(state);
    double w = 0;
    if (std::string e = reader().Weight(w); !e.empty()) return e;
    if (!(w > 0)) return {};
    // The compare field follows the data fields.
    const int sample =
        1 + samples_.Find(engine().DataRecordset().GetValue(in().groups + in().analysisFields));
    if (sample == 0) return {};  // not one of the two values listed
    for (int k = 0; k < in().analysisFields; ++k) {
        std::optional<double> x;
        if (std::string e = reader().Usable(k, x); !e.empty()) return e;
        if (!x) continue;
        const size_t i = static_cast<size_t>(k);
        (sample == 1 ? g.size1[i] : g.size2[i]) += w;
        ++g.counted[i];
        if (Error e = g.values.Append(k + 1, *x, w, sample)) return Unexpected(e);
    }
    return {};
}

std::string CNonParamWald::WriteGroup(GroupState& state, const std::vector<Value>& group,
                                      long records) {
    ProcedureScope scope(engine().ErrorHandler(), "WriteData");
    auto& g = static_cast<WaldGroup&>(state);
    for (int k = 0; k < in().analysisFields; ++k) {
        const size_t i = static_cast<size_t>(k);
        // The values in order, a run of equal values at a time; the last
        // one is told so.
        num::RunCounts runs;
        TieRuns values = g.values.Runs(k + 1, true);
        TieRun run, next;
        bool have = values.Next(run);
        while (have) {
            const bool more = values.Next(next);
            bool has1 = false, has2 = false;
            double c1 = 0, c2 = 0;
            for (auto [tag, weight] : run.tags)
                if (tag == 1) {
                    has1 = true;
                    c1 = std::trunc(weight);
                } else {
                    has2 = true;
                    c2 = std::trunc(weight);
                }
            runs.add(has1, has2, c1, c2, !more);
            std::swap(run, next);
            have = more;
        }
        if (values.error()) return Unexpected(values.error());

        const double n1 = std::trunc(g.size1[i].toDouble());
        const double n2 = std::trunc(g.size2[i].toDouble());
        const double n = n1 + n2;
        const auto missing = static_cast<std::int32_t>(records - g.counted[i]);
        std::vector<std::pair<const char*, double>> stats = {{"Count", n},
                                                             {"Cases-1", n1},
                                                             {"Cases-2", n2},
                                                             {"Ties", runs.ties},
                                                             {"TiedGroups", runs.tiedGroups},
                                                             {"Wald_Min_Runs", runs.minRuns},
                                                             {"Wald_Max_Runs", runs.maxRuns}};
        if (in().weighted) stats.push_back({"Observations", static_cast<double>(g.counted[i])});
        if (const std::optional<num::RunsTest> t =
                num::runsTest(n1, n2, runs.minRuns, runs.maxRuns)) {
            stats.push_back({"Wald_Mean", t->mean});
            stats.push_back({"Wald_StdDev", t->sd});
            for (auto [tested, zName, pName] : {std::tuple{t->minZ, "Wald_Min_Z", "Wald_Min_Prob"},
                                                {t->maxZ, "Wald_Max_Z", "Wald_Max_Prob"}}) {
                if (!tested) continue;
                stats.push_back({zName, tested->value});
                stats.push_back({pName, tested->p});
            }
        }
        // The row is written later for all but the first field: it keeps
        // its own copies of the group and the statistics.
        const std::string& name = in().fields[static_cast<size_t>(in().groups + k)];
        Error e = rows_.Add(k, [this, group, name, missing, stats = std::move(stats)] {
            RowWriter row(output());
            row.groups(inputFields(), group, name).set("Missing", missing);
            for (const auto& [column, value] : stats) row.set(column, value);
            return row.finish();
        });
        if (e) return Unexpected(e);
    }
    return {};
}

std::string CNonParamWald::AfterWalk() {
    return WriteGroupInTransaction(engine(), [this]() -> std::string {
        if (Error e = rows_.Flush()) return Unexpected(e);
        return {};
    });
}

}  // namespace qrv
