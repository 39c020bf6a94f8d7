// Percentiles analysis: cut points by the interpolated-position method
// (unweighted) and the running-weight method (weighted), worked out by hand
// from the positions r = 1 + (n - 1) j / P and the targets j n / P; groups,
// the scratch table's reuse between groups, skipped records, the output
// table's shape, progress stages and the failure texts.
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <optional>

#include "analyses/parametric/percentiles.h"
#include "engine/engine_fixture.h"

namespace qrv::test {
namespace {

using namespace qrv::dao;

struct Row {
    Value grp, x, y, w;
};

struct OutRow {
    std::string grp;  // "(null)" for a Null group value
    std::string field;
    double percent;
    double value;
};

class Percentile : public EngineTest {
  protected:
    void pointAtData() {
        ASSERT_FALSE(engine.SetSourceDatabase(db));
        ASSERT_FALSE(engine.SetOutputDatabase(db));
    }

    // Many rows in one transaction.
    void addRows(const std::vector<Row>& rows) {
        ASSERT_FALSE(db.BeginTrans());
        auto rs = db.OpenRecordset("Data");
        ASSERT_TRUE(rs.ok());
        for (const Row& r : rows) {
            ASSERT_FALSE(rs->AddNew());
            rs->Collect("Grp", r.grp);
            rs->Collect("X", r.x);
            rs->Collect("Y", r.y);
            rs->Collect("W", r.w);
            ASSERT_FALSE(rs->Update());
        }
        rs->Close();
        ASSERT_FALSE(db.CommitTrans());
    }

    // Values of X in group grp, in a scrambled order so that sorting is not free.
    void addX(const Value& grp, std::vector<double> xs) {
        std::vector<Row> rows;
        const size_t n = xs.size();
        for (size_t i = 0; i < n; ++i) {
            // i -> 7i + 3 (mod n) is a permutation unless 7 divides n.
            rows.push_back({grp, xs[n % 7 ? (i * 7 + 3) % n : i], {}, {}});
        }
        addRows(rows);
    }

    // A second call on one engine writes to another table: the first one's
    // working table cannot be dropped while the input is being read from the
    // same database file.
    std::string percentile(const std::vector<std::string>& fields, int groups, int analysis,
                           bool weighted, const std::string& type,
                           const std::string& table = "Out") {
        CPercentiles p;
        return p.Quorvane_Percentile(table, "Data", fields, groups, analysis, weighted, type,
                                     engine);
    }

    // The output rows in the order written; the group column is read when groupColumn is set.
    std::vector<OutRow> output(const std::string& table = "Out", bool groupColumn = true) {
        std::vector<OutRow> rows;
        auto rs = db.OpenRecordset(engine.WorkingTableName(table));
        EXPECT_TRUE(rs.ok()) << rs.error().description;
        if (!rs) return rows;
        for (; !rs->Eof(); rs->MoveNext()) {
            OutRow r;
            if (groupColumn) {
                const Value g = *rs->GetValue("Grp");
                r.grp = g.isNull() ? "(null)" : g.toText();
            }
            r.field = rs->GetValue("DataField")->toText();
            r.percent = rs->GetValue("Percentile")->asDouble();
            r.value = rs->GetValue("Value")->asDouble();
            rows.push_back(r);
        }
        return rows;
    }
};

// Checks one group's rows of one field: percents and values in order.
void expectCuts(const std::vector<OutRow>& rows, size_t first, const std::string& grp,
                const std::string& field, const std::vector<double>& percents,
                const std::vector<double>& values) {
    ASSERT_LE(first + values.size(), rows.size()) << grp << " " << field;
    for (size_t j = 0; j < values.size(); ++j) {
        const OutRow& r = rows[first + j];
        EXPECT_EQ(r.grp, grp) << "row " << first + j;
        EXPECT_EQ(r.field, field) << "row " << first + j;
        EXPECT_EQ(r.percent, percents[j]) << grp << " " << field << " cut " << j + 1;
        EXPECT_DOUBLE_EQ(r.value, values[j]) << grp << " " << field << " cut " << j + 1;
    }
}

std::vector<double> range(double from, double to, double by = 1) {
    std::vector<double> v;
    for (double x = from; x <= to + 1e-9; x += by) v.push_back(x);
    return v;
}

// --- Unweighted: interpolated positions -------------------------------------

TEST_F(Percentile, QuartilesAndMedianOfOneToFour) {
    pointAtData();
    addX("a", {1, 2, 3, 4});
    ASSERT_EQ(percentile({"Grp", "X"}, 1, 1, false, "Q"), "");
    // r = 1 + 3j/4 = 1.75, 2.5, 3.25 and the values equal their rows.
    auto rows = output();
    ASSERT_EQ(rows.size(), 3u);
    expectCuts(rows, 0, "a", "X", {25, 50, 75}, {1.75, 2.5, 3.25});

    ASSERT_EQ(percentile({"Grp", "X"}, 1, 1, false, "m", "Out2"), "") << "type letters ignore case";
    rows = output("Out2");
    ASSERT_EQ(rows.size(), 1u);
    expectCuts(rows, 0, "a", "X", {50}, {2.5});
}

TEST_F(Percentile, SingleValueGivesEveryCut) {
    pointAtData();
    addX("a", {7.25});
    ASSERT_EQ(percentile({"Grp", "X"}, 1, 1, false, "D"), "");
    auto rows = output();
    ASSERT_EQ(rows.size(), 9u);
    expectCuts(rows, 0, "a", "X", range(10, 90, 10), std::vector<double>(9, 7.25));
}

TEST_F(Percentile, PercentilesOfOneToHundredAndOne) {
    pointAtData();
    addX("a", range(1, 101));
    ASSERT_EQ(percentile({"Grp", "X"}, 1, 1, false, "P"), "");
    // r = 1 + 100j/100 = j + 1: every cut sits on a row.
    auto rows = output();
    ASSERT_EQ(rows.size(), 99u);
    expectCuts(rows, 0, "a", "X", range(1, 99), range(2, 100));
}

TEST_F(Percentile, DecilesAndQuintilesInterpolate) {
    pointAtData();
    addX("a", range(1, 10));
    ASSERT_EQ(percentile({"Grp", "X"}, 1, 1, false, "d"), "");
    // r = 1 + 9j/10: 1.9, 2.8, ..., 9.1.
    expectCuts(output(), 0, "a", "X", range(10, 90, 10),
               {1.9, 2.8, 3.7, 4.6, 5.5, 6.4, 7.3, 8.2, 9.1});

    addX("b", {50, 10, 40, 20, 30});
    ASSERT_EQ(percentile({"Grp", "X"}, 1, 1, false, "5", "Out2"), "");
    // r = 1 + 4j/5 = 1.8, 2.6, 3.4, 4.2 over 10, 20, 30, 40, 50.
    auto rows = output("Out2");
    ASSERT_EQ(rows.size(), 8u);
    expectCuts(rows, 0, "a", "X", {20, 40, 60, 80}, {2.8, 4.6, 6.4, 8.2});
    expectCuts(rows, 4, "b", "X", {20, 40, 60, 80}, {18, 26, 34, 42});
}

// --- Weighted: running weight -----------------------------------------------

TEST_F(Percentile, WeightedMedianFollowsTheRunningWeight) {
    pointAtData();
    addRows({{"a", 1.0, {}, 1.0}, {"a", 2.0, {}, 1.0}, {"a", 3.0, {}, 2.0}, {"a", 4.0, {}, 4.0}});
    addRows({{"b", 1.0, {}, 1.0}, {"b", 2.0, {}, 1.0}, {"b", 3.0, {}, 1.0}, {"b", 4.0, {}, 5.0}});
    ASSERT_EQ(percentile({"Grp", "X", "W"}, 1, 1, true, "M"), "");
    // a: half of 8 is first reached at 3 (1+1+2); b: at 4 (1+1+1 < 4 <= 8).
    auto rows = output();
    ASSERT_EQ(rows.size(), 2u);
    expectCuts(rows, 0, "a", "X", {50}, {3});
    expectCuts(rows, 1, "b", "X", {50}, {4});
}

TEST_F(Percentile, WeightedCutsReachTheirTargets) {
    pointAtData();
    // Targets 2.5, 5, 7.5 of n = 10; running weights 1, 3, 6, 10.
    addRows(
        {{"a", 40.0, {}, 4.0}, {"a", 10.0, {}, 1.0}, {"a", 30.0, {}, 3.0}, {"a", 20.0, {}, 2.0}});
    // One heavy value satisfies all three cuts: running weights 1, 10.
    addRows({{"b", 1.0, {}, 1.0}, {"b", 2.0, {}, 9.0}});
    // Equal weights: the targets 1, 2, 3 are met exactly at rows 1, 2, 3, not interpolated.
    addRows({{"c", 1.0, {}, 1.0}, {"c", 2.0, {}, 1.0}, {"c", 3.0, {}, 1.0}, {"c", 4.0, {}, 1.0}});
    // Fractional weights: n = 1, targets .25, .5, .75 against running .5, .75, 1.
    addRows({{"d", 3.0, {}, 0.25}, {"d", 1.0, {}, 0.5}, {"d", 2.0, {}, 0.25}});
    ASSERT_EQ(percentile({"Grp", "X", "W"}, 1, 1, true, "Q"), "");
    auto rows = output();
    ASSERT_EQ(rows.size(), 12u);
    expectCuts(rows, 0, "a", "X", {25, 50, 75}, {20, 30, 40});
    expectCuts(rows, 3, "b", "X", {25, 50, 75}, {2, 2, 2});
    expectCuts(rows, 6, "c", "X", {25, 50, 75}, {1, 2, 3});
    expectCuts(rows, 9, "d", "X", {25, 50, 75}, {1, 1, 2});
}

TEST_F(Percentile, TenthWeightsMeetDecileTargetsExactly) {
    pointAtData();
    std::vector<Row> rows;
    for (double x : range(1, 10)) rows.push_back({"a", x, {}, 0.1});
    addRows(rows);
    ASSERT_EQ(percentile({"Grp", "X", "W"}, 1, 1, true, "D"), "");
    // Running weight after k values is k/10, reaching j/10 at the j-th value.
    expectCuts(output(), 0, "a", "X", range(10, 90, 10), range(1, 9));
}

TEST_F(Percentile, RecordsWithoutPositiveWeightAreSkipped) {
    pointAtData();
    // Each group: 5 and 6 with weight 1 (quartiles 5, 5, 6) plus a record at 1
    // that must not count. Counted with weight -5 or as 1 it would move the cuts.
    addRows({{"neg", 1.0, {}, -5.0}, {"neg", 5.0, {}, 1.0}, {"neg", 6.0, {}, 1.0}});
    addRows({{"nul", 1.0, {}, {}}, {"nul", 5.0, {}, 1.0}, {"nul", 6.0, {}, 1.0}});
    addRows({{"zer", 1.0, {}, 0.0}, {"zer", 5.0, {}, 1.0}, {"zer", 6.0, {}, 1.0}});
    // Nothing usable at all: no rows.
    addRows({{"non", 1.0, {}, 0.0}, {"non", 2.0, {}, -1.0}, {"non", 3.0, {}, {}}});
    ASSERT_EQ(percentile({"Grp", "X", "W"}, 1, 1, true, "Q"), "");
    auto rows = output();
    ASSERT_EQ(rows.size(), 9u);
    expectCuts(rows, 0, "neg", "X", {25, 50, 75}, {5, 5, 6});
    expectCuts(rows, 3, "nul", "X", {25, 50, 75}, {5, 5, 6});
    expectCuts(rows, 6, "zer", "X", {25, 50, 75}, {5, 5, 6});
}

// --- Groups, fields and the scratch table ------------------------------------

TEST_F(Percentile, GroupsAcrossScratchTableReuse) {
    pointAtData();
    // 600 values: the next group finds the table dropped and made anew.
    addX("a", range(1, 600));
    // 150 values (>= 100: the next group empties the table with one DELETE).
    addX("b", range(1001, 1150));
    // 5 values (< 100: the next group empties it row by row).
    addX("c", {2, 4, 6, 8, 10});
    addX("d", {7, 5, 6});
    addX(Value(), {3, 1});
    ASSERT_EQ(percentile({"Grp", "X"}, 1, 1, false, "Q"), "");
    auto rows = output();
    ASSERT_EQ(rows.size(), 15u);
    // Null group values sort first. r = 1 + (n - 1) j / 4 in each group.
    expectCuts(rows, 0, "(null)", "X", {25, 50, 75}, {1.5, 2, 2.5});          // 1.25 1.5 1.75
    expectCuts(rows, 3, "a", "X", {25, 50, 75}, {150.75, 300.5, 450.25});     // rows = values
    expectCuts(rows, 6, "b", "X", {25, 50, 75}, {1038.25, 1075.5, 1112.75});  // 1000 + r
    expectCuts(rows, 9, "c", "X", {25, 50, 75}, {4, 6, 8});                   // r = 2, 3, 4
    expectCuts(rows, 12, "d", "X", {25, 50, 75}, {5.5, 6, 6.5});              // 1.5, 2, 2.5
}

TEST_F(Percentile, SeveralFieldsAndANullOnlyField) {
    pointAtData();
    // X arrives sorted with the group; Y does not, the scratch table sorts it.
    addRows({{"a", 1.0, 40.0, {}},
             {"a", 2.0, 10.0, {}},
             {"a", 3.0, 30.0, {}},
             {"a", 4.0, 20.0, {}},
             {"b", {}, 5.0, {}},
             {"b", {}, 9.0, {}}});
    ASSERT_EQ(percentile({"Grp", "X", "Y"}, 1, 2, false, "Q"), "");
    auto rows = output();
    ASSERT_EQ(rows.size(), 9u) << "group b writes nothing for X";
    expectCuts(rows, 0, "a", "X", {25, 50, 75}, {1.75, 2.5, 3.25});
    expectCuts(rows, 3, "a", "Y", {25, 50, 75}, {17.5, 25, 32.5});
    expectCuts(rows, 6, "b", "Y", {25, 50, 75}, {6, 7, 8});  // r = 1.25, 1.5, 1.75
}

TEST_F(Percentile, NoGroupFields) {
    pointAtData();
    addX("a", {3, 1});
    addX("b", {2, 4});
    ASSERT_EQ(percentile({"X"}, 0, 1, false, "M"), "");
    auto rows = output("Out", false);
    ASSERT_EQ(rows.size(), 1u) << "one group over all records";
    EXPECT_EQ(rows[0].field, "X");
    EXPECT_EQ(rows[0].percent, 50);
    EXPECT_DOUBLE_EQ(rows[0].value, 2.5);
}

TEST_F(Percentile, MissingValueRuleDropsValues) {
    setRule("1", -99.0, {}, {});
    pointAtData();
    addX("a", {1, 2, -99, 3, 4});
    addRows({{"a", {}, {}, {}}});
    ASSERT_EQ(percentile({"Grp", "X"}, 1, 1, false, "Q"), "");
    expectCuts(output(), 0, "a", "X", {25, 50, 75}, {1.75, 2.5, 3.25});

    setRule("2", {}, 0.0, 10.0);
    pointAtData();
    addX("b", {-5, 1, 2, 3, 4, 11, 0, 10});  // keeps the closed range 0..10
    ASSERT_EQ(percentile({"Grp", "X"}, 1, 1, false, "Q", "Out2"), "");
    auto rows = output("Out2");
    ASSERT_EQ(rows.size(), 6u);
    // a: -99 is below the low bound. b keeps 0 1 2 3 4 10: r = 2.25, 3.5, 4.75.
    expectCuts(rows, 0, "a", "X", {25, 50, 75}, {1.75, 2.5, 3.25});
    expectCuts(rows, 3, "b", "X", {25, 50, 75}, {1.25, 2.5, 3.75});
}

// --- Output table, progress, failures ----------------------------------------

TEST_F(Percentile, OutputColumnsFollowTheInput) {
    pointAtData();
    addRows({{"a", 1.0, 2.0, {}}, {"a", 3.0, 2.0, {}}});
    ASSERT_EQ(percentile({"Grp", "Y", "X"}, 2, 1, false, "M"), "");
    auto def = db.GetTableDef(engine.WorkingTableName("Out"));
    ASSERT_TRUE(def.ok());
    const auto& f = def->Fields();
    ASSERT_EQ(f.size(), 5u);
    EXPECT_EQ(f[0].Name, "Grp");
    EXPECT_EQ(f[0].Type, dbText);
    EXPECT_EQ(f[0].Size, 10);
    EXPECT_EQ(f[1].Name, "Y");
    EXPECT_EQ(f[1].Type, dbDouble);
    EXPECT_EQ(f[2].Name, "DataField");
    EXPECT_EQ(f[2].Type, dbText);
    EXPECT_EQ(f[2].Size, 64);
    EXPECT_EQ(f[3].Name, "Percentile");
    EXPECT_EQ(f[3].Type, dbDouble);
    EXPECT_EQ(f[4].Name, "Value");
    EXPECT_EQ(f[4].Type, dbDouble);
    auto rs = db.OpenRecordset(engine.WorkingTableName("Out"));
    ASSERT_FALSE(rs->Eof());
    EXPECT_EQ(rs->GetValue(0).toText(), "a");
    EXPECT_EQ(rs->GetValue(1).asDouble(), 2);
    EXPECT_DOUBLE_EQ(rs->GetValue(4).asDouble(), 2);
}

TEST_F(Percentile, ProgressStages) {
    pointAtData();
    addX("a", range(1, 7));
    std::vector<std::string> seen;
    engine.OnStatStatus([&](const std::string& m) { seen.push_back(m); });
    engine.SetShowProgress(true);
    ASSERT_EQ(percentile({"Grp", "X"}, 1, 1, false, "M"), "");
    EXPECT_EQ(seen, (std::vector<std::string>{"Retrieving and sorting data...",
                                              "Creating output table...", "Analyzing records...",
                                              "Analyzing record: 5", "Analyzing record: 7"}));
}

TEST_F(Percentile, UnknownTypeCreatesNothing) {
    pointAtData();
    addX("a", {1, 2});
    EXPECT_EQ(percentile({"Grp", "X"}, 1, 1, false, "X"), "Unknown percentile type: X");
    EXPECT_EQ(percentile({"Grp", "X"}, 1, 1, false, "Quartiles"),
              "Unknown percentile type: Quartiles");
    EXPECT_EQ(engine.WorkingTableName("Out"), "Out") << "no output table under way";
    EXPECT_FALSE(db.GetTableDef("Out").ok());
    EXPECT_FALSE(engine.DataRecordset().IsOpen()) << "the input was not read";
    EXPECT_TRUE(engine.ScratchPath().empty()) << "no scratch database made";
}

TEST_F(Percentile, InputProblemsEndTheRun) {
    pointAtData();
    EXPECT_EQ(percentile({"Grp", "X"}, 1, 1, false, "Q"), "No records found in Data");
    EXPECT_EQ(engine.WorkingTableName("Out"), "Out");
}

TEST_F(Percentile, SpillFolderWhereNoFileCanBeMade) {
    pointAtData();
    addX("a", range(1, 2000));
    const char* old = ::getenv("TMPDIR");
    const std::optional<std::string> saved = old ? std::optional<std::string>(old) : std::nullopt;
    ::setenv("TMPDIR", "/proc", 1);  // a folder where no file can be created
    // Values that fit the budget need no file at all.
    const std::string fits = percentile({"Grp", "X"}, 1, 1, false, "Q");
    engine.SetSortMemoryBudget(1024);
    const std::string spills = percentile({"Grp", "X"}, 1, 1, false, "Q", "Out2");
    engine.SetSortMemoryBudget(SortBudget::kDefaultBytes);
    if (saved)
        ::setenv("TMPDIR", saved->c_str(), 1);
    else
        ::unsetenv("TMPDIR");
    EXPECT_EQ(fits, "");
    EXPECT_EQ(spills.rfind("Cannot create the sort spill file /proc/qrv", 0), 0u) << spills;
    EXPECT_FALSE(engine.OutputRecordset().IsOpen());
}

TEST_F(Percentile, NoScratchFileIsMadeOrLeft) {
    pointAtData();
    addX("a", range(1, 20));
    {
        CPercentiles p;
        ASSERT_EQ(p.Quorvane_Percentile("Out", "Data", {"Grp", "X"}, 1, 1, false, "Q", engine), "");
        EXPECT_EQ(engine.ScratchPath(), "") << "sorted values need no scratch database";
    }
    // Through the run pipeline: the output table appears under its own name and
    // the scratch file is deleted at the end.
    std::string error = "not run";
    engine.OnRunScenarioBegin([&] {
        CPercentiles p;
        error = p.Quorvane_Percentile("Out2", "Data", {"Grp", "X"}, 1, 1, false, "M", engine);
    });
    ScenarioRow s;
    s.output1 = "Summary";
    ASSERT_TRUE(run(addScenario(s))) << engine.ErrorInfo();
    EXPECT_EQ(error, "");
    const std::string mine = "qrv" + std::to_string(::getpid()) + "_";
    for (const auto& e : std::filesystem::directory_iterator(Quorvane::ScratchFolder()))
        EXPECT_NE(e.path().filename().string().rfind(mine, 0), 0u) << e.path();
    auto rs = db.OpenRecordset("SELECT [Percentile], [Value] FROM [Out2]");
    ASSERT_TRUE(rs.ok()) << rs.error().description;
    ASSERT_FALSE(rs->Eof());
    EXPECT_EQ(rs->GetValue(0).asDouble(), 50);
    EXPECT_DOUBLE_EQ(rs->GetValue(1).asDouble(), 10.5);  // r = 1 + 19/2
}

}  // namespace
}  // namespace qrv::test
