// The sign test and the shared parts of the K-S fit: the run, the output
// tables, the per-group sums and values, and the rows' leading columns. Each
// group's usable values are kept in its sort table, so the sign test can read
// them twice: once for the median, once to count against the test values.
#include "analyses/nonparametric/sign_test.h"

#include <cmath>
#include <cstdint>
#include <optional>
#include <utility>

#include "analyses/parametric/column_names.h"
#include "engine/group_walk.h"
#include "engine/quorvane.h"
#include "engine/row_writer.h"
#include "numeric/related_ranks.h"

namespace qrv {

using namespace qrv::dao;

namespace {

constexpr const char* kSignTypes[] = {"Mean", "Median", "Custom"};

}  // namespace

void CNonParamSign::Group::Merge(const GroupState& other) {
    const auto& o = static_cast<const Group&>(other);
    for (size_t i = 0; i < m.size(); ++i) m[i].merge(o.m[i]);
}

std::string CNonParamSign::Quorvane_SignFitTest(const std::string& strOutputTable,
                                                const std::string& strUserTable,
                                                const std::vector<std::string>& strFields,
                                                int intGroupFields, int intFields, bool fWeighted,
                                                bool fFit, const std::array<bool, 3>& fitChoices,
                                                bool fMean, bool fMedian, bool fCustom,
                                                double customValue, Quorvane& engine) {
    ProcedureScope scope(engine.ErrorHandler(), "Quorvane_SignFitTest");
    outputTable_ = strOutputTable;
    fit_ = fFit;
    // One kind of test per run: the other kind's choices are off.
    fitChoices_ = fFit ? fitChoices : std::array<bool, 3>{};
    signChoices_ = fFit ? std::array<bool, 3>{} : std::array<bool, 3>{fMean, fMedian, fCustom};
    customValue_ = customValue;
    rows_.Reset(intFields);
    return Run(engine, {strUserTable, strFields, intGroupFields, intFields, fWeighted},
               Walk::SortedValues);
}

const std::string& CNonParamSign::fieldName(int f) const {
    return in().fields[static_cast<size_t>(in().groups + f)];
}

void CNonParamSign::StageRetrieving() {
    engine().Quorvane_Msg(0, false, RetrievingField(fieldName(0)));
}

void CNonParamSign::StageAnalyzing() {
    // The one read retrieves the other data fields as well.
    for (int f = 1; f < in().analysisFields; ++f)
        engine().Quorvane_Msg(0, false, RetrievingField(fieldName(f)));
}

RecordTicks CNonParamSign::Ticks() const {
    // Records name their field when there is one; with several, every record
    // is analysed for all of them at once.
    if (in().analysisFields != 1) return {};
    return {true, AnalyzingField(fieldName(0))};
}

std::string CNonParamSign::CreateOutput() {
    ProcedureScope scope(engine().ErrorHandler(), fit_ ? "CreateOutputFit" : "CreateOutput");
    std::vector<std::string> names = LeadingColumnNames();
    const size_t first = names.size();
    if (fit_)
        names.insert(names.end(),
                     {"Mean", "StdDeviation", "Minimum", "Maximum", "Range", "TestType",
                      "Max_Absolute", "Max_Positive", "Max_Negative", "K-S_Z", "Prob"});
    else
        names.insert(names.end(), {"TestType", "TestValue", "Count<Test", "Count=Test",
                                   "Count>Test", "Prob<=Test", "Prob>=Test"});
    if (std::string e = RepeatedColumn(names); !e.empty()) return e;

    TableDef def = NewOutputTable(outputTable_);
    AddCountColumns(def);
    for (size_t i = first; i < names.size(); ++i) {
        if (names[i] == "TestType")
            AddColumn(def, names[i], dbText, fit_ ? 7 : 6);
        else
            AddColumn(def, names[i], dbDouble);
    }
    return CreateOutputTable(def);
}

std::unique_ptr<GroupState> CNonParamSign::NewGroup() {
    auto g = std::make_unique<Group>();
    g->m.assign(static_cast<size_t>(in().analysisFields),
                num::Moments(num::Moments::Powers::ToSecond));
    return g;
}

std::string CNonParamSign::AddRow(GroupState& state) {
    ProcedureScope scope(engine().ErrorHandler(), fit_ ? "CalcDataFit" : "CalcData");
    auto& g = static_cast<Group&>(state);
    double w = 0;
    if (std::string e = reader().Weight(w); !e.empty()) return e;
    if (!(w > 0)) return {};  // not counted for any field
    for (int f = 0; f < in().analysisFields; ++f) {
        std::optional<double> x;
        if (std::string e = reader().Usable(f, x); !e.empty()) return e;
        if (!x) continue;
        g.m[static_cast<size_t>(f)].add(*x, w, false);
        if (Error e = g.values.Append(f + 1, *x, w)) return Unexpected(e);
    }
    return {};
}

std::string CNonParamSign::WriteGroup(GroupState& state, const std::vector<Value>& group,
                                      long records) {
    auto& g = static_cast<Group&>(state);
    for (int f = 0; f < in().analysisFields; ++f) {
        // A weight total of 1 or less gives no row.
        if (!(g.m[static_cast<size_t>(f)].n() > 1.0)) continue;
        std::string e = fit_ ? WriteDataFit(g, f, group, records) : WriteData(g, f, group, records);
        if (!e.empty()) return e;
    }
    return {};
}

Error CNonParamSign::WriteRow(const std::vector<Value>& group, int f, const num::Moments& m,
                              long records, const char* testType, Stats stats) {
    const double n = m.n().toDouble();
    const long counted = m.count();
    // Rows of later fields are written after the walk, when the group's
    // state is gone: the row keeps copies of what it writes.
    return rows_.Add(f, [this, group, f, n, counted, records, testType, stats = std::move(stats)] {
        RowWriter row(output());
        row.groups(inputFields(), group, fieldName(f)).set("Count", n);
        if (in().weighted) row.set("Observations", static_cast<double>(counted));
        row.set("Missing", static_cast<std::int32_t>(records - counted)).set("TestType", testType);
        for (const auto& [column, value] : stats) row.set(column, value);
        return row.finish();
    });
}

std::string CNonParamSign::Median(Group& g, int f, double& median) {
    const num::Moments& m = g.m[static_cast<size_t>(f)];
    SortedStream values = g.values.Read(f + 1);
    SortItem it;
    if (in().weighted) {
        // The value at which the running weight reaches half the total.
        const num::Extended half = m.n() * 0.5;
        num::Extended running;
        while (values.Next(it)) {
            running += it.weight;
            if (!(running < half)) break;
        }
        median = it.value;
    } else {
        // Positions c/2 and c/2 + 1 averaged for an even count c, else (c + 1)/2.
        const long c = m.count();
        const long lower = c % 2 == 0 ? c / 2 : (c + 1) / 2;
        long position = 0;
        double first = 0;
        while (values.Next(it)) {
            if (++position == lower) first = it.value;
            if (position == lower + (c % 2 == 0 ? 1 : 0)) break;
        }
        median = c % 2 == 0 ? (first + it.value) / 2 : first;
    }
    if (values.error()) return Unexpected(values.error());
    return {};
}

std::string CNonParamSign::WriteData(Group& g, int f, const std::vector<Value>& group,
                                     long records) {
    ProcedureScope scope(engine().ErrorHandler(), "WriteData");
    const num::Moments& m = g.m[static_cast<size_t>(f)];
    // Values spread wider than the doubles reach have no mean to test against.
    const std::optional<double> mean = num::mean(m);
    auto wanted = [&](size_t t) { return signChoices_[t] && (t != 0 || mean); };
    std::array<double, 3> test{};
    test[0] = mean.value_or(0);
    if (signChoices_[1])
        if (std::string e = Median(g, f, test[1]); !e.empty()) return e;
    test[2] = customValue_;

    // Below, equal, above per test. Each count grows by the record's weight
    // and is rounded to a whole number (halves to even) at every record.
    std::array<std::array<double, 3>, 3> counts{};
    {
        ProcedureScope compare(engine().ErrorHandler(), "CalcCompare");
        SortedStream values = g.values.Read(f + 1);
        for (SortItem it; values.Next(it);)
            for (size_t t = 0; t < 3; ++t) {
                if (!wanted(t)) continue;
                double& c = counts[t][it.value < test[t] ? 0 : it.value == test[t] ? 1 : 2];
                c = std::nearbyint(c + it.weight);
            }
        if (values.error()) return Unexpected(values.error());
    }

    for (size_t t = 0; t < 3; ++t) {
        if (!wanted(t)) continue;
        const auto& [below, equal, above] = counts[t];
        const double trials = below + above;  // values at the test value take no part
        Stats stats = {{"TestValue", test[t]},
                       {"Count<Test", below},
                       {"Count=Test", equal},
                       {"Count>Test", above},
                       {"Prob<=Test", num::signTestTail(trials, below)},
                       {"Prob>=Test", num::signTestTail(trials, above)}};
        if (Error e = WriteRow(group, f, m, records, kSignTypes[t], std::move(stats)))
            return Unexpected(e);
    }
    return {};
}

std::string CNonParamSign::AfterWalk() {
    return WriteGroupInTransaction(engine(), [this]() -> std::string {
        if (Error e = rows_.Flush()) return Unexpected(e);
        return {};
    });
}

}  // namespace qrv
