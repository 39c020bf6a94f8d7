// Describe end to end through RunScenario: every column block against values
// worked out by hand or from textbook formulas on the deviations (not the
// running sums the analysis uses), groups, weights, the ignore rule, the edge
// cases, and the certified values of the reference univariate data sets.
#include <cmath>
#include <numeric>

#include "engine/engine_fixture.h"
#include "support/strd.h"

namespace qrv::test {
namespace {

using namespace qrv::dao;

// Two-tailed p-value of Student's t by Simpson integration of the density,
// independent of the engine's distribution code.
double tTwoTailed(double t, double df) {
    const double c =
        std::exp(std::lgamma((df + 1) / 2) - std::lgamma(df / 2)) / std::sqrt(df * M_PI);
    auto f = [&](double x) { return c * std::pow(1 + x * x / df, -(df + 1) / 2); };
    const int n = 20000;
    const double a = 0, b = std::abs(t), h = (b - a) / n;
    double s = f(a) + f(b);
    for (int i = 1; i < n; ++i) s += f(a + i * h) * (i % 2 ? 4 : 2);
    return 1 - 2 * (s * h / 3);
}

class DescribeTest : public EngineTest {
  protected:
    std::int32_t describe(std::vector<std::pair<std::string, std::string>> fields,
                          std::vector<std::pair<std::string, Value>> options,
                          std::string missingType = "0", Value equal = {}) {
        ScenarioRow s;
        s.fields = std::move(fields);
        s.missingType = std::move(missingType);
        s.missingEqual = equal;
        const auto id = addScenario(s);
        setOptions(id, std::move(options));
        return id;
    }
    double num(const TableRow& r, const char* column) {
        auto it = r.find(column);
        EXPECT_NE(it, r.end()) << "no column " << column;
        return it == r.end() ? NAN : it->second.asDouble();
    }
    bool isNull(const TableRow& r, const char* column) {
        auto it = r.find(column);
        EXPECT_NE(it, r.end()) << "no column " << column;
        return it != r.end() && it->second.isNull();
    }
};

const std::vector<double> kClassic = {2, 4, 4, 4, 5, 5, 7, 9};

TEST_F(DescribeTest, EveryBlockOnAClassicSample) {
    for (double x : kClassic) addRow("g", x);
    const auto id = describe({{"X", "X"}}, {{"Range", true},
                                            {"VarStd", true},
                                            {"Sum", true},
                                            {"Mean", true},
                                            {"Skew", true},
                                            {"Mode", true},
                                            {"CI", true},
                                            {"CITypeRadio", "t-Test"},
                                            {"CI95", true},
                                            {"CIUser", 90},
                                            {"TTestMean", true},
                                            {"TTestValue", 4.0},
                                            {"Percentile", true},
                                            {"PercentileRadio", "Quartiles"}});
    ASSERT_TRUE(run(id)) << engine.ErrorInfo();
    auto out = tableRows("Out1");
    ASSERT_EQ(out.size(), 1u);
    const TableRow& r = out[0];
    EXPECT_EQ(r.at("DataField").toText(), "X");
    EXPECT_EQ(num(r, "Count"), 8);
    EXPECT_EQ(num(r, "Missing"), 0);
    EXPECT_EQ(r.count("Observations"), 0u) << "only weighted runs have Observations";

    // Deviations from the mean 5: -3 -1 -1 -1 0 0 2 4; squares sum 32, cubes 42, fourths 356.
    const double n = 8, mean = 5, ss = 32, s3 = 42, s4 = 356;
    const double s2 = ss / (n - 1), s = std::sqrt(s2);
    EXPECT_DOUBLE_EQ(num(r, "Mean"), mean);
    EXPECT_EQ(num(r, "Minimum"), 2);
    EXPECT_EQ(num(r, "Maximum"), 9);
    EXPECT_EQ(num(r, "Range"), 7);
    EXPECT_DOUBLE_EQ(num(r, "Variance"), s2);
    EXPECT_DOUBLE_EQ(num(r, "StdDeviation"), s);
    EXPECT_DOUBLE_EQ(num(r, "CoeffOfVariance"), s / mean);
    EXPECT_DOUBLE_EQ(num(r, "StdError"), s / std::sqrt(n));
    EXPECT_EQ(num(r, "Sum"), 40);
    EXPECT_EQ(num(r, "SumSquared"), 232);
    EXPECT_DOUBLE_EQ(num(r, "AdjSumSquared"), ss);
    double logs = 0, inverses = 0;
    for (double x : kClassic) logs += std::log(x), inverses += 1 / x;
    EXPECT_NEAR(num(r, "GeometricMean"), std::exp(logs / n), 1e-12);
    EXPECT_NEAR(num(r, "HarmonicMean"), n / inverses, 1e-12);
    EXPECT_NEAR(num(r, "RMS"), std::sqrt(29.0), 1e-14);
    // Adjusted sample skewness and excess kurtosis from the standardised deviations.
    const double g1 = n / ((n - 1) * (n - 2)) * s3 / (s * s * s);
    const double g2 = n * (n + 1) / ((n - 1) * (n - 2) * (n - 3)) * s4 / (s2 * s2) -
                      3 * (n - 1) * (n - 1) / ((n - 2) * (n - 3));
    EXPECT_NEAR(num(r, "Skewness"), g1, 1e-12);
    EXPECT_NEAR(num(r, "Kurtosis"), g2, 1e-12);
    const double seSkew = std::sqrt(6 * n * (n - 1) / ((n - 2) * (n + 1) * (n + 3)));
    EXPECT_NEAR(num(r, "SE_Skewness"), seSkew, 1e-12);
    EXPECT_NEAR(num(r, "SE_Kurtosis"),
                std::sqrt(4 * (n * n - 1) * seSkew * seSkew / ((n - 3) * (n + 5))), 1e-12);
    EXPECT_EQ(num(r, "Mode"), 4);
    EXPECT_EQ(num(r, "ModeCount"), 3);
    // t with 7 df: 2.364624 two-tailed at 0.05, 1.894579 at 0.10 (standard tables).
    const double se = s / std::sqrt(n);
    EXPECT_NEAR(num(r, "95%_t_Band"), 2.364624 * se, 1e-5);
    EXPECT_NEAR(num(r, "95%_Lower"), mean - 2.364624 * se, 1e-5);
    EXPECT_NEAR(num(r, "95%_Upper"), mean + 2.364624 * se, 1e-5);
    EXPECT_NEAR(num(r, "90%_t_Band"), 1.894579 * se, 1e-5);
    const double t = (mean - 4) * std::sqrt(n) / s;
    EXPECT_EQ(num(r, "Population_Mean"), 4);
    EXPECT_NEAR(num(r, "t-Value"), t, 1e-12);
    EXPECT_NEAR(num(r, "Prob_(2-Tail)"), tTwoTailed(t, 7), 1e-7);
    EXPECT_NEAR(num(r, "Prob_(1-Tail)"), tTwoTailed(t, 7) / 2, 1e-7);
    // Quartiles at positions 2.75, 4.5, 6.25 of the sorted values.
    EXPECT_DOUBLE_EQ(num(r, "25_Percentile"), 4);
    EXPECT_DOUBLE_EQ(num(r, "50_Percentile"), 4.5);
    EXPECT_DOUBLE_EQ(num(r, "75_Percentile"), 5.5);
    EXPECT_DOUBLE_EQ(num(r, "Quartile_Range"), 1.5);
}

TEST_F(DescribeTest, ColumnsFollowTheOptionsInOrder) {
    addRow("g", 1.0, {}, 1.0);
    const auto id =
        describe({{"Grp", "G"}, {"X", "X"}, {"W", "W"}}, {{"Range", false},
                                                          {"VarStd", false},
                                                          {"Sum", false},
                                                          {"CI", true},
                                                          {"CITypeRadio", "Normal"},
                                                          {"CIStdDev", 2.0},
                                                          {"CI95", true},
                                                          {"CIUser", 90},
                                                          {"Percentile", true},
                                                          {"PercentileRadio", "Median"}});
    ASSERT_TRUE(run(id)) << engine.ErrorInfo();
    EXPECT_EQ(
        tableColumns("Out1"),
        (std::vector<std::string>{"Grp", "DataField", "Count", "Observations", "Missing", "Mean",
                                  "Population_StdDev", "95%_N_Band", "95%_Lower", "95%_Upper",
                                  "90%_N_Band", "90%_Lower", "90%_Upper", "Median"}));
    auto def = db.GetTableDef("Out1");
    EXPECT_EQ(def->FindField("Grp")->Type, dbText);
    EXPECT_EQ(def->FindField("Grp")->Size, 10) << "group columns keep the input's size";
    EXPECT_EQ(def->FindField("DataField")->Size, 64);
    EXPECT_EQ(def->FindField("Missing")->Type, dbLong);
    // Normal bands: sigma * z / sqrt(n), z = 1.959964 (95%) and 1.644854 (90%).
    const TableRow r = tableRows("Out1")[0];
    EXPECT_NEAR(num(r, "95%_N_Band"), 2 * 1.959964, 1e-5);
    EXPECT_NEAR(num(r, "90%_N_Band"), 2 * 1.644854, 1e-5);
    EXPECT_TRUE(isNull(r, "Median")) << "percentiles need more than one value";
}

TEST_F(DescribeTest, GroupsMissingValuesAndTheIgnoreRule) {
    addRow("a", 1.0);
    addRow("a", 3.0);
    addRow("b", Value());
    addRow("b", Value());
    addRow("c", -99.0);  // ignored by the rule
    addRow("c", 6.0);
    addRow("A", 5.0);  // the same group as "a": text compares without regard to case
    const auto id = describe({{"Grp", "G"}, {"X", "X"}}, {{"VarStd", true}}, "1", -99.0);
    ASSERT_TRUE(run(id)) << engine.ErrorInfo();
    auto out = tableRows("Out1", "[Grp]");
    ASSERT_EQ(out.size(), 3u);
    EXPECT_EQ(num(out[0], "Count"), 3);
    EXPECT_DOUBLE_EQ(num(out[0], "Mean"), 3);
    EXPECT_DOUBLE_EQ(num(out[0], "Variance"), 4);
    EXPECT_EQ(num(out[1], "Count"), 0);
    EXPECT_EQ(num(out[1], "Missing"), 2);
    EXPECT_TRUE(isNull(out[1], "Mean")) << "nothing but the counts when no value is usable";
    EXPECT_TRUE(isNull(out[1], "Variance"));
    EXPECT_EQ(num(out[2], "Count"), 1);
    EXPECT_EQ(num(out[2], "Missing"), 1);
    EXPECT_TRUE(isNull(out[2], "Variance")) << "one value: no sample variance";
}

TEST_F(DescribeTest, WeightsActLikeRepeatedRows) {
    // Weighted: (1, w2), (4, w1), (6, w3), plus records whose weight makes them missing.
    addRow("w", 1.0, {}, 2.0);
    addRow("w", 4.0, {}, 1.0);
    addRow("w", 6.0, {}, 3.0);
    addRow("w", 100.0, {}, 0.0);
    addRow("w", 100.0, {}, -1.0);
    addRow("w", 100.0, {}, Value());
    const auto weighted =
        describe({{"X", "X"}, {"W", "W"}}, {{"VarStd", true}, {"Skew", true}, {"Mode", true}});
    ASSERT_TRUE(run(weighted)) << engine.ErrorInfo();
    const TableRow w = tableRows("Out1")[0];
    // The same values repeated: 1 1 4 6 6 6.
    db.Execute("DELETE * FROM [Data]");
    for (double x : {1.0, 1.0, 4.0, 6.0, 6.0, 6.0}) addRow("r", x);
    const auto repeated =
        describe({{"X", "X"}}, {{"VarStd", true}, {"Skew", true}, {"Mode", true}});
    ASSERT_TRUE(run(repeated)) << engine.ErrorInfo();
    const TableRow r = tableRows("Out1")[0];
    EXPECT_EQ(num(w, "Count"), 6);
    EXPECT_EQ(num(w, "Observations"), 3);
    EXPECT_EQ(num(w, "Missing"), 3) << "zero, negative and Null weights";
    for (const char* c :
         {"Mean", "Variance", "StdDeviation", "Skewness", "Kurtosis", "Mode", "ModeCount"})
        EXPECT_NEAR(num(w, c), num(r, c), 1e-12) << c;
}

TEST_F(DescribeTest, EdgeCases) {
    for (int i = 0; i < 4; ++i) addRow("same", 2.5);
    addRow("single", 7.0);
    addRow("nonpos", -2.0);
    addRow("nonpos", 0.0);
    addRow("tie", 1.0);
    addRow("tie", 1.0);
    addRow("tie", 2.0);
    addRow("tie", 2.0);
    addRow("tie", 3.0);
    const auto id = describe({{"Grp", "G"}, {"X", "X"}},
                             {{"VarStd", true}, {"Skew", true}, {"Mean", true}, {"Mode", true}});
    ASSERT_TRUE(run(id)) << engine.ErrorInfo();
    auto out = tableRows("Out1", "[Grp]");
    ASSERT_EQ(out.size(), 4u);
    const TableRow& nonpos = out[0];
    EXPECT_EQ(num(nonpos, "GeometricMean"), 1) << "exp(0): no positive values";
    EXPECT_TRUE(isNull(nonpos, "HarmonicMean"));
    const TableRow& same = out[1];
    EXPECT_EQ(num(same, "Variance"), 0);
    EXPECT_EQ(num(same, "StdDeviation"), 0);
    EXPECT_EQ(num(same, "CoeffOfVariance"), 0);
    EXPECT_TRUE(isNull(same, "Skewness"));
    EXPECT_TRUE(isNull(same, "Kurtosis"));
    EXPECT_EQ(num(same, "Mode"), 2.5);
    const TableRow& single = out[2];
    EXPECT_TRUE(isNull(single, "Variance"));
    const TableRow& tie = out[3];
    EXPECT_EQ(num(tie, "ModeCount"), 2);
    EXPECT_TRUE(isNull(tie, "Mode")) << "two values share the highest count";

    // The population method gives 0 for a single value.
    const auto byN = describe({{"Grp", "G"}, {"X", "X"}}, {{"VarStd", true}, {"VarNRadio", "N"}});
    ASSERT_TRUE(run(byN)) << engine.ErrorInfo();
    out = tableRows("Out1", "[Grp]");
    EXPECT_EQ(num(out[2], "Variance"), 0);
    EXPECT_DOUBLE_EQ(num(out[3], "Variance"), 0.56) << "1 1 2 2 3: mean 1.8, squares 2.8 / 5";
}

TEST_F(DescribeTest, FrequencyColumns) {
    for (double x : {0.0, 10.0, 19.0, 25.0, 40.0, -1.0, 45.0}) addRow("f", x);
    // Specified bounds: K = 4 from 0 by 10, closed below, counts and percents, outer intervals.
    const auto id = describe({{"X", "X"}}, {{"FreqN", true},
                                            {"FreqP", true},
                                            {"InterV", 4},
                                            {"FreqIncRadio", "Lower"},
                                            {"FreqGroupRadio", "Specified"},
                                            {"FreqInit", 0.0},
                                            {"FreqWidth", 10.0}});
    ASSERT_TRUE(run(id)) << engine.ErrorInfo();
    auto cols = tableColumns("Out1");
    std::vector<std::string> freq(cols.end() - 12, cols.end());
    EXPECT_EQ(freq, (std::vector<std::string>{"N<0", "0<=N<10", "10<=N<20", "20<=N<30", "30<=N<40",
                                              "40<=N", "%<0", "0<=%<10", "10<=%<20", "20<=%<30",
                                              "30<=%<40", "40<=%"}));
    TableRow r = tableRows("Out1")[0];
    EXPECT_EQ(num(r, "N<0"), 1);
    EXPECT_EQ(num(r, "0<=N<10"), 1);
    EXPECT_EQ(num(r, "10<=N<20"), 2) << "10 belongs above its border";
    EXPECT_EQ(num(r, "40<=N"), 2);
    EXPECT_DOUBLE_EQ(num(r, "10<=%<20"), 2.0 / 7);

    // Closed above, cumulative, counts only.
    const auto up = describe({{"X", "X"}}, {{"FreqN", true},
                                            {"InterV", 4},
                                            {"FreqIncRadio", "Upper"},
                                            {"FreqDispRadio", "Cumulative"},
                                            {"FreqGroupRadio", "Specified"},
                                            {"FreqInit", 0.0},
                                            {"FreqWidth", 10.0}});
    ASSERT_TRUE(run(up)) << engine.ErrorInfo();
    cols = tableColumns("Out1");
    EXPECT_EQ(
        std::vector<std::string>(cols.end() - 6, cols.end()),
        (std::vector<std::string>{"N<=0", "0<N<=10", "10<N<=20", "20<N<=30", "30<N<=40", "40<N"}));
    r = tableRows("Out1")[0];
    // -1 and 0 fall below (a border value joins the interval under it); 10 into (0,10];
    // 19 into (10,20]; 25; 40 into (30,40]; 45 above. Running sums from the lowest.
    EXPECT_EQ(num(r, "N<=0"), 2);
    EXPECT_EQ(num(r, "0<N<=10"), 3);
    EXPECT_EQ(num(r, "10<N<=20"), 4);
    EXPECT_EQ(num(r, "20<N<=30"), 5);
    EXPECT_EQ(num(r, "30<N<=40"), 6);
    EXPECT_EQ(num(r, "40<N"), 7);

    // A width of 0.25 shows borders with up to four decimals.
    const auto narrow = describe({{"X", "X"}}, {{"FreqN", true},
                                                {"InterV", 2},
                                                {"FreqGroupRadio", "Specified"},
                                                {"FreqInit", 0.125},
                                                {"FreqWidth", 0.25}});
    ASSERT_TRUE(run(narrow)) << engine.ErrorInfo();
    cols = tableColumns("Out1");
    EXPECT_EQ(
        std::vector<std::string>(cols.end() - 4, cols.end()),
        (std::vector<std::string>{"N<0.125", "0.125<=N<0.375", "0.375<=N<0.625", "0.625<=N"}));
}

TEST_F(DescribeTest, ProgressOfASmallRun) {
    for (int i = 1; i <= 7; ++i) addRow(i <= 4 ? "a" : "b", i * 1.0);
    const auto id = describe({{"Grp", "G"}, {"X", "X"}}, {});
    std::vector<std::string> seen;
    engine.OnStatStatus([&](const std::string& m) { seen.push_back(m); });
    RunScenarioArgs args;
    args.ScenarioDb = db;
    args.ShowProgress = true;
    // Hashed groups: every fifth record as read, and the last when all are read.
    ASSERT_TRUE(engine.RunScenario(id, args)) << engine.ErrorInfo();
    EXPECT_EQ(seen, (std::vector<std::string>{"Retrieving and sorting data...",
                                              "Creating output table...", "Analyzing records...",
                                              "Analyzing record: 5", "Analyzing record: 7"}));
    // The sorted walk also reports the record that ends each group.
    seen.clear();
    engine.SetHashedGroups(false);
    ASSERT_TRUE(engine.RunScenario(id, args)) << engine.ErrorInfo();
    EXPECT_EQ(seen, (std::vector<std::string>{"Retrieving and sorting data...",
                                              "Creating output table...", "Analyzing records...",
                                              "Analyzing record: 4", "Analyzing record: 5",
                                              "Analyzing record: 7"}));
}

TEST_F(DescribeTest, ARowTheOutputRefusesEndsTheRunWithItsMessage) {
    // The group column copies the input's Byte type, but the file holds 300
    // in it (the database stores what it is given): the first group's row is
    // written, the second cannot be, and the run must stop with that failure.
    makeTable("Bytes", {Field("B", dbByte), Field("X", dbDouble)});
    ASSERT_TRUE(db.Execute("INSERT INTO [Bytes] ([B], [X]) VALUES (7, 1.5)").ok());
    ASSERT_TRUE(db.Execute("INSERT INTO [Bytes] ([B], [X]) VALUES (300, 2.5)").ok());
    ScenarioRow s;
    s.input = "Bytes";
    s.fields = {{"B", "G"}, {"X", "X"}};
    const auto id = addScenario(s);
    setOptions(id, {{"VarStd", true}});
    for (bool hashed : {true, false}) {
        SCOPED_TRACE(hashed ? "hashed groups" : "sorted groups");
        engine.SetHashedGroups(hashed);
        EXPECT_FALSE(run(id)) << "a refused row must not end in success";
        EXPECT_NE(engine.ErrorInfo().find("Numeric field overflow"), std::string::npos)
            << engine.ErrorInfo();
    }
}

TEST_F(DescribeTest, ReferenceDataSetsToTheInputCeiling) {
    // Digits lost by rounding the decimal data to doubles, from the data sets'
    // notes; elsewhere the certified 15 digits are reachable.
    const std::map<std::string, double> ceiling = {
        {"Mavro", 13.1}, {"Michelso", 13.8}, {"NumAcc3", 9.5}, {"NumAcc4", 8.3}};
    TableDef t = db.CreateTableDef("Ref");
    t.AppendField(Field("y", dbDouble));
    ASSERT_FALSE(db.AppendTableDef(t));
    ScenarioRow reference;
    reference.input = "Ref";
    reference.fields = {{"y", "X"}};
    const auto id = addScenario(reference);
    setOptions(id, {{"VarStd", true}});
    for (const char* name : {"PiDigits", "Lottery", "Lew", "Mavro", "Michelso", "NumAcc1",
                             "NumAcc2", "NumAcc3", "NumAcc4"}) {
        const StrdSet set = readStrd(std::string(QRV_TEST_DATA_DIR) + "/strd/" + name + ".txt");
        ASSERT_FALSE(set.rows.empty()) << name;
        ASSERT_TRUE(db.Execute("DELETE * FROM [Ref]").ok());
        auto rs = db.OpenRecordset("Ref");
        db.BeginTrans();
        for (const auto& row : set.rows) {
            rs->AddNew();
            rs->SetValue(0, row[0]);
            ASSERT_FALSE(rs->Update());
        }
        db.CommitTrans();
        ASSERT_TRUE(run(id)) << name << ": " << engine.ErrorInfo();
        const TableRow r = tableRows("Out1")[0];
        const double need = (ceiling.count(name) ? ceiling.at(name) : 15.0) - 0.5;
        EXPECT_GE(correctDigits(num(r, "Mean"), set.certified.at("mean")), 14.5) << name << " mean";
        EXPECT_GE(correctDigits(num(r, "StdDeviation"), set.certified.at("sd")), need)
            << name << " sd: " << num(r, "StdDeviation");
    }
}

}  // namespace
}  // namespace qrv::test
