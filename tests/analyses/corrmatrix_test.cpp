// Correlation matrix end to end through RunScenario. Expected values come
// from Python's fractions over each pair's common records (pairwise
// deletion), computed on deviations from the means, with mpmath for the
// square roots and the t probabilities (regularised incomplete beta
// I_{df/(df+t^2)}(df/2, 1/2)); the small cases are worked by hand.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "engine/engine_fixture.h"
#include "support/strd.h"

namespace qrv::test {
namespace {

using namespace qrv::dao;

struct MRow {
    Value grp, x1, x2, x3, w;
};

const Value N;  // a Null value

#define EXPECT_REL(actual, expected, tol) \
    EXPECT_NEAR((actual), (expected), std::abs(static_cast<double>(expected)) * (tol) + 1e-300)

class MatrixTest : public EngineTest {
  protected:
    void SetUp() override {
        EngineTest::SetUp();
        makeTable("Mtx", {Field("Grp", dbText, 10), Field("X1", dbDouble), Field("X2", dbDouble),
                          Field("X3", dbDouble), Field("W", dbDouble)});
    }
    void addRows(const std::vector<MRow>& rows) {
        std::vector<std::vector<Value>> values;
        for (const MRow& r : rows) values.push_back({r.grp, r.x1, r.x2, r.x3, r.w});
        appendRows("Mtx", {"Grp", "X1", "X2", "X3", "W"}, values);
    }
    // Every statistic on unless listed in off; tails as given.
    std::int32_t matrix(std::vector<std::pair<std::string, std::string>> fields,
                        const std::string& tails = "2-tail", std::vector<std::string> off = {}) {
        ScenarioRow s;
        s.subtype = "Matrix";
        s.input = "Mtx";
        s.fields = std::move(fields);
        const auto id = addScenario(s);
        std::vector<std::pair<std::string, Value>> options = {{"MProbTail", tails}};
        for (const char* o :
             {"MCnt", "MMis", "MMean", "MDev", "MCov", "MCor", "MR2", "MT", "MProb"})
            options.emplace_back(o, std::find(off.begin(), off.end(), o) == off.end());
        setOptions(id, options);
        return id;
    }
    // The rows in the order written.
    std::vector<TableRow> out() { return tableRows("Out1", "rowid"); }
    static double num(const TableRow& r, const std::string& column) {
        auto it = r.find(column);
        EXPECT_NE(it, r.end()) << "no column " << column;
        return it == r.end() || it->second.isNull() ? NAN : it->second.asDouble();
    }
    static bool isNull(const TableRow& r, const std::string& column) {
        auto it = r.find(column);
        EXPECT_NE(it, r.end()) << "no column " << column;
        return it != r.end() && it->second.isNull();
    }
};

// Group a: pairwise deletion leaves 6 records on each diagonal and 5 on
// every pair. Values from fractions + mpmath; upper triangle (i < j), the
// diagonal where it is defined.
const std::vector<MRow> kGroupA = {{"a", 2.0, 3.0, 10.0, N}, {"a", 4.0, N, 9.0, N},
                                   {"a", 5.0, 6.0, 9.0, N},  {"a", N, 8.0, 7.0, N},
                                   {"a", 7.0, 6.0, N, N},    {"a", 1.0, 2.0, 12.0, N},
                                   {"a", 3.0, 4.5, 11.0, N}};
struct Upper {
    double meanDiff, sd, cov, r, r2, t, p;
};
const Upper k12 = {-0.7,
                   0.97467943448089639068,
                   4.025,
                   0.93427967020329218646,
                   0.87287850215517241379,
                   -1.6059101370939323614,
                   0.18356686005527678605};
const Upper k13 = {-7.2,
                   2.7748873851023215893,
                   -1.75,
                   -0.84887468762716540732,
                   0.72058823529411764706,
                   -5.8019253409827381488,
                   0.0043893479772871194307};
const Upper k23 = {-5.1,
                   4.2190046219457973,
                   -4.2,
                   -0.91455746824961863893,
                   0.83641536273115220484,
                   -2.7029945940162179459,
                   0.05392681385299077039};
// Sample variances of X1, X2, X3 over their own records.
const double kVar[3] = {4.6666666666666666667, 4.8416666666666666667, 3.0666666666666666667};

TEST_F(MatrixTest, EveryStatisticWithPairwiseDeletion) {
    addRows(kGroupA);
    ASSERT_TRUE(run(matrix({{"X1", "X"}, {"X2", "X"}, {"X3", "X"}}))) << engine.ErrorInfo();
    EXPECT_EQ(tableColumns("Out1"),
              (std::vector<std::string>{"DataField", "CalcType", "X1", "X2", "X3"}));
    auto rows = out();
    ASSERT_EQ(rows.size(), 27u);
    const char* labels[] = {"Count",       "Missing",  "MeanDiff", "StdDevDiff",   "Covariance",
                            "Correlation", "R-Square", "t-Value",  "Prob (2-tail)"};
    const std::string names[] = {"X1", "X2", "X3"};
    for (size_t k = 0; k < 9; ++k)
        for (size_t i = 0; i < 3; ++i) {
            const TableRow& r = rows[k * 3 + i];
            EXPECT_EQ(r.at("CalcType").toText(), labels[k]) << k << "," << i;
            EXPECT_EQ(r.at("DataField").toText(), names[i]) << k << "," << i;
        }
    auto cell = [&](size_t k, size_t i, size_t j) { return num(rows[k * 3 + i], names[j]); };
    auto upper = [&](size_t i, size_t j) -> const Upper& {
        return i + j == 1 ? k12 : i + j == 2 ? k13 : k23;
    };
    for (size_t i = 0; i < 3; ++i)
        for (size_t j = 0; j < 3; ++j) {
            SCOPED_TRACE("row " + names[i] + " column " + names[j]);
            if (i == j) {
                EXPECT_EQ(cell(0, i, j), 6);
                EXPECT_EQ(cell(1, i, j), 1);
                EXPECT_EQ(cell(2, i, j), 0);
                EXPECT_TRUE(std::isnan(cell(3, i, j)));
                EXPECT_REL(cell(4, i, j), kVar[i], 1e-15);
                EXPECT_DOUBLE_EQ(cell(5, i, j), 1);
                EXPECT_DOUBLE_EQ(cell(6, i, j), 1);
                EXPECT_TRUE(std::isnan(cell(7, i, j)));
                EXPECT_TRUE(std::isnan(cell(8, i, j)));
                continue;
            }
            // Row minus column: the signed statistics turn round below the diagonal.
            const double sign = i < j ? 1 : -1;
            const Upper& u = upper(i, j);
            EXPECT_EQ(cell(0, i, j), 5);
            EXPECT_EQ(cell(1, i, j), 2);
            EXPECT_REL(cell(2, i, j), sign * u.meanDiff, 1e-15);
            EXPECT_REL(cell(3, i, j), u.sd, 1e-15);
            EXPECT_REL(cell(4, i, j), u.cov, 1e-15);
            EXPECT_REL(cell(5, i, j), u.r, 1e-15);
            EXPECT_REL(cell(6, i, j), u.r2, 1e-15);
            EXPECT_REL(cell(7, i, j), sign * u.t, 1e-14);
            EXPECT_REL(cell(8, i, j), u.p, 1e-12);
        }
}

TEST_F(MatrixTest, OneTailAndChosenStatistics) {
    addRows(kGroupA);
    ASSERT_TRUE(run(matrix({{"X1", "X"}, {"X2", "X"}, {"X3", "X"}}, "1-tail",
                           {"MCnt", "MMis", "MMean", "MDev", "MCov", "MR2"})))
        << engine.ErrorInfo();
    auto rows = out();
    ASSERT_EQ(rows.size(), 9u);
    EXPECT_EQ(rows[0].at("CalcType").toText(), "Correlation");
    EXPECT_EQ(rows[3].at("CalcType").toText(), "t-Value");
    EXPECT_EQ(rows[6].at("CalcType").toText(), "Prob (1-tail)");
    EXPECT_REL(num(rows[6], "X2"), k12.p / 2, 1e-12);
    EXPECT_REL(num(rows[8], "X2"), k23.p / 2, 1e-12);
    EXPECT_REL(num(rows[5], "X1"), -k13.t, 1e-14);
    auto def = db.GetTableDef("Out1");
    ASSERT_TRUE(def.ok());
    for (const Field& f : def->Fields()) {
        if (f.Name == "DataField") {
            EXPECT_EQ(f.Type, dbText);
            EXPECT_EQ(f.Size, 64);
        } else if (f.Name == "CalcType") {
            EXPECT_EQ(f.Type, dbText);
            EXPECT_EQ(f.Size, 13);
        } else {
            EXPECT_EQ(f.Type, dbDouble) << f.Name;
        }
    }
}

TEST_F(MatrixTest, GroupsWithOneCommonRecord) {
    // Group b: X1 and X2 share one record, X1 and X3 one, X2 and X3 none;
    // group c: one record with every field. The Null group sorts first.
    addRows({{"b", 1.0, 2.0, N, N},
             {"b", 3.0, N, 5.0, N},
             {"c", 1.0, 2.0, 3.0, N},
             {N, 4.0, 6.0, 8.0, N},
             {N, 5.0, 7.0, 9.0, N}});
    ASSERT_TRUE(run(matrix({{"Grp", "G"}, {"X1", "X"}, {"X2", "X"}, {"X3", "X"}})))
        << engine.ErrorInfo();
    auto rows = tableRows("Out1", "rowid");
    ASSERT_EQ(rows.size(), 81u);
    // Null group: X2 = X1 + 2 and X3 = X1 + 4, so no spread of the
    // differences (StdDevDiff, t and Prob Null) and correlation 1.
    for (size_t k = 0; k < 9; ++k) EXPECT_TRUE(rows[k * 3].at("Grp").isNull());
    EXPECT_EQ(num(rows[0], "X3"), 2);                 // Count
    EXPECT_EQ(num(rows[2 * 3 + 0], "X3"), -4);        // MeanDiff X1 - X3
    EXPECT_TRUE(isNull(rows[3 * 3 + 0], "X3"));       // StdDevDiff
    EXPECT_EQ(num(rows[4 * 3 + 0], "X3"), 0.5);       // Covariance, by hand
    EXPECT_DOUBLE_EQ(num(rows[5 * 3 + 1], "X3"), 1);  // Correlation
    EXPECT_TRUE(isNull(rows[7 * 3 + 2], "X1"));       // t-Value
    EXPECT_TRUE(isNull(rows[8 * 3 + 2], "X1"));       // Prob
    // Group b.
    const size_t b = 27;
    EXPECT_EQ(rows[b].at("Grp").toText(), "b");
    EXPECT_EQ(num(rows[b + 0], "X1"), 2);  // Count on the diagonal
    EXPECT_EQ(num(rows[b + 0], "X2"), 1);
    EXPECT_EQ(num(rows[b + 0], "X3"), 1);
    EXPECT_EQ(num(rows[b + 1], "X3"), 0);
    EXPECT_EQ(num(rows[b + 3 + 0], "X2"), 1);  // Missing
    EXPECT_EQ(num(rows[b + 3 + 1], "X3"), 2);
    EXPECT_EQ(num(rows[b + 3 + 2], "X3"), 1);
    EXPECT_TRUE(isNull(rows[b + 6 + 0], "X2"));   // MeanDiff needs two records
    EXPECT_EQ(num(rows[b + 6 + 0], "X1"), 0);     // X1 has two
    EXPECT_EQ(num(rows[b + 12 + 0], "X1"), 2);    // its variance: (1, 3)
    EXPECT_TRUE(isNull(rows[b + 12 + 0], "X2"));  // Covariance
    EXPECT_TRUE(isNull(rows[b + 15 + 1], "X2"));  // one record: no correlation
    // Group c: one record, only Count and Missing.
    const size_t c = 54;
    EXPECT_EQ(rows[c].at("Grp").toText(), "c");
    for (size_t k = 2; k < 9; ++k)
        for (const char* f : {"X1", "X2", "X3"}) EXPECT_TRUE(isNull(rows[c + k * 3], f));
    EXPECT_EQ(num(rows[c], "X3"), 1);
    EXPECT_EQ(num(rows[c + 3], "X3"), 0);
}

TEST_F(MatrixTest, WholeWeightsActLikeRepeatedRows) {
    const std::vector<std::vector<Value>> base = {
        {2.0, 5.0, N}, {4.0, 1.0, 3.0}, {N, 7.0, 2.0}, {6.0, 6.5, 9.0}, {8.0, 2.0, 1.0}};
    const int weights[] = {2, 3, 1, 4, 2};
    std::vector<MRow> rows;
    for (size_t i = 0; i < base.size(); ++i) {
        rows.push_back({"w", base[i][0], base[i][1], base[i][2], double(weights[i])});
        for (int k = 0; k < weights[i]; ++k)
            rows.push_back({"r", base[i][0], base[i][1], base[i][2], 1.0});
    }
    rows.push_back({"w", 1.0, 1.0, 1.0, 0.0});  // weight 0: missing everywhere
    rows.push_back({"r", 1.0, 1.0, 1.0, N});    // Null weight: the same
    addRows(rows);
    ASSERT_TRUE(run(matrix({{"Grp", "G"}, {"X1", "X"}, {"X2", "X"}, {"X3", "X"}, {"W", "W"}})))
        << engine.ErrorInfo();
    auto out1 = tableRows("Out1", "rowid");
    ASSERT_EQ(out1.size(), 54u);
    for (size_t k = 0; k < 27; ++k) {
        const TableRow& r = out1[k];
        const TableRow& w = out1[27 + k];
        ASSERT_EQ(r.at("Grp").toText(), "r");
        ASSERT_EQ(w.at("Grp").toText(), "w");
        if (k / 3 == 1) continue;  // Missing counts records, not weights
        for (const char* f : {"X1", "X2", "X3"}) {
            SCOPED_TRACE(r.at("CalcType").toText() + " " + r.at("DataField").toText() + " " + f);
            if (r.at(f).isNull()) {
                EXPECT_TRUE(w.at(f).isNull());
            } else {
                EXPECT_REL(num(w, f), num(r, f), 1e-13);
            }
        }
    }
    // Missing: weighted group has 6 records; X1-X3 are both usable in 3 of them.
    EXPECT_EQ(num(out1[27 + 3 + 0], "X3"), 3);
    // Repeated group: 12 records plus the one with a Null weight; X1-X3 are
    // both usable in 3 + 4 + 2 = 9 of them.
    EXPECT_EQ(num(out1[3 + 0], "X3"), 4);
    // Count X1 with itself: weights 2 + 3 + 4 + 2 = 11.
    EXPECT_EQ(num(out1[27], "X1"), 11);
}

TEST_F(MatrixTest, HashedAndSortedWalksAgree) {
    std::vector<MRow> rows;
    for (int i = 0; i < 90; ++i) {
        const char* g = i % 3 == 0 ? "x" : i % 3 == 1 ? "y" : "z";
        rows.push_back({g, i % 5 ? Value(double((i * 37) % 11)) : N,
                        i % 7 ? Value(double(i % 5) / 2) : N, double((i * 13) % 17) / 4, N});
    }
    addRows(rows);
    const auto id = matrix({{"Grp", "G"}, {"X1", "X"}, {"X2", "X"}, {"X3", "X"}});
    engine.SetHashedGroups(true);
    ASSERT_TRUE(run(id)) << engine.ErrorInfo();
    const auto hashed = tableValues("Out1");
    engine.SetHashedGroups(false);
    ASSERT_TRUE(run(id)) << engine.ErrorInfo();
    const auto sorted = tableValues("Out1");
    ASSERT_EQ(sorted.size(), 81u);
    ASSERT_EQ(hashed.size(), sorted.size());
    for (size_t r = 0; r < sorted.size(); ++r) {
        for (size_t c = 0; c < sorted[r].size(); ++c) {
            ASSERT_EQ(hashed[r][c].kind(), sorted[r][c].kind()) << r << "," << c;
            if (sorted[r][c].isText()) {
                EXPECT_EQ(hashed[r][c].textRef(), sorted[r][c].textRef());
            } else if (!sorted[r][c].isNull()) {
                EXPECT_REL(hashed[r][c].asDouble(), sorted[r][c].asDouble(), 1e-15);
            }
        }
    }
}

TEST_F(MatrixTest, GroupSpellingsThatDifferInCaseArePooled) {
    // "k" and "K" are one group, so the hashed walk merges their sums.
    // X1 = (1, 2, 3), X2 = (2, 4, 6): covariance 2, X1 - X2 = (-1, -2, -3)
    // with mean -2 and spread 1 (by hand).
    addRows({{"k", 1.0, 2.0, N, N}, {"K", 2.0, 4.0, N, N}, {"k", 3.0, 6.0, N, N}});
    const auto id = matrix({{"Grp", "G"}, {"X1", "X"}, {"X2", "X"}});
    for (bool hashed : {true, false}) {
        SCOPED_TRACE(hashed ? "hashed" : "sorted");
        engine.SetHashedGroups(hashed);
        ASSERT_TRUE(run(id)) << engine.ErrorInfo();
        auto rows = out();
        ASSERT_EQ(rows.size(), 18u);
        EXPECT_EQ(num(rows[0], "X2"), 3);
        EXPECT_DOUBLE_EQ(num(rows[4], "X2"), -2);
        EXPECT_DOUBLE_EQ(num(rows[6], "X2"), 1);
        EXPECT_DOUBLE_EQ(num(rows[8], "X2"), 2);
        EXPECT_DOUBLE_EQ(num(rows[10], "X2"), 1);
    }
}

TEST_F(MatrixTest, AFieldNamedLikeAnotherColumnIsRefused) {
    TableDef t = db.CreateTableDef("Odd");
    for (Field f : {Field("calctype", dbDouble), Field("B", dbDouble)}) t.AppendField(f);
    ASSERT_FALSE(db.AppendTableDef(t));
    auto rs = db.OpenRecordset("Odd");
    ASSERT_FALSE(rs->AddNew());
    rs->Collect("calctype", 1.0);
    rs->Collect("B", 2.0);
    ASSERT_FALSE(rs->Update());
    rs->Close();
    ScenarioRow s;
    s.subtype = "Matrix";
    s.input = "Odd";
    s.fields = {{"calctype", "X"}, {"B", "X"}};
    const auto id = addScenario(s);
    setOptions(id, {{"MCnt", true}});
    EXPECT_FALSE(run(id));
    EXPECT_EQ(engine.ErrorInfo(),
              "The output table cannot have two columns named [calctype]: rename the field or "
              "leave it out.");
    EXPECT_FALSE(db.GetTableDef("Out1").ok());
}

TEST_F(MatrixTest, IgnoreRuleDropsOneValueNotTheRecord) {
    // Rule "Equal" -1: the -1 in X2 leaves that record out of X2's pairs
    // only; X1 and X3 keep it. X1 = (1, 2, 3), X3 = (2, 4, 6): covariance 2.
    addRows({{"g", 1.0, 5.0, 2.0, N}, {"g", 2.0, -1.0, 4.0, N}, {"g", 3.0, 6.0, 6.0, N}});
    ScenarioRow s;
    s.subtype = "Matrix";
    s.input = "Mtx";
    s.fields = {{"X1", "X"}, {"X2", "X"}, {"X3", "X"}};
    s.missingType = "1";
    s.missingEqual = -1.0;
    const auto id = addScenario(s);
    setOptions(id, {{"MCnt", true}, {"MMis", true}, {"MCov", true}, {"MProbTail", "2-tail"}});
    ASSERT_TRUE(run(id)) << engine.ErrorInfo();
    auto rows = out();
    ASSERT_EQ(rows.size(), 9u);
    EXPECT_EQ(num(rows[0], "X3"), 3);
    EXPECT_EQ(num(rows[0], "X2"), 2);
    EXPECT_EQ(num(rows[3 + 1], "X2"), 1);
    EXPECT_EQ(num(rows[6 + 0], "X3"), 2);
    // X2 against X1 over (1, 5), (3, 6): deviations (-1, -0.5), (1, 0.5), so
    // the covariance is 1 / 1 (by hand).
    EXPECT_EQ(num(rows[6 + 1], "X1"), 1);
}

TEST_F(MatrixTest, ReachesTheCertifiedDigitsOfTheReferenceLine) {
    // Norris (y, x): the certified R-squared of the straight line is the
    // squared correlation, and the certified slope is cov(y, x) / var(x).
    // The ceilings an exact computation on the parsed doubles reaches are
    // 15.0 and 14.4 digits; the matrix must come within one digit.
    const StrdSet set = readStrd(std::string(QRV_TEST_DATA_DIR) + "/strd/Norris.txt");
    ASSERT_EQ(set.columns, (std::vector<std::string>{"y", "x"}));
    std::vector<MRow> rows;
    for (const auto& r : set.rows) rows.push_back({"n", r[0], r[1], N, N});
    addRows(rows);
    ASSERT_TRUE(run(matrix({{"X1", "X"}, {"X2", "X"}}))) << engine.ErrorInfo();
    auto out1 = out();
    ASSERT_EQ(out1.size(), 18u);
    EXPECT_EQ(out1[0].at("CalcType").toText(), "Count");
    EXPECT_EQ(num(out1[0], "X2"), 36);
    ASSERT_EQ(out1[12].at("CalcType").toText(), "R-Square");
    EXPECT_GE(correctDigits(num(out1[12], "X2"), set.certified.at("r2")), 14.0);
    EXPECT_GE(correctDigits(num(out1[13], "X1"), set.certified.at("r2")), 14.0);
    ASSERT_EQ(out1[8].at("CalcType").toText(), "Covariance");
    const double slope = num(out1[8], "X2") / num(out1[9], "X2");
    EXPECT_GE(correctDigits(slope, set.certified.at("b1")), 13.4);
}

}  // namespace
}  // namespace qrv::test
