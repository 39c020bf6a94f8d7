// The frequency distribution analysis and its default interval borders: the
// output columns, which interval a value on a border belongs to, the outer
// intervals, counts, shares and sums per interval, weights, groups, the
// missing-value rule, and the borders computed from the data. Expected
// numbers are worked out by hand from the data of each case.
#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "analyses/parametric/frequency.h"
#include "engine/engine_fixture.h"

namespace qrv::test {
namespace {

using namespace qrv::dao;

// The rows of an output table in the order written, read by column name.
struct Rows {
    std::vector<std::string> columns;
    std::vector<std::vector<Value>> rows;

    size_t size() const { return rows.size(); }
    Value at(size_t r, const std::string& column) const {
        for (size_t c = 0; c < columns.size(); ++c)
            if (columns[c] == column) return rows.at(r)[c];
        ADD_FAILURE() << "no column " << column;
        return {};
    }
    double num(size_t r, const std::string& column) const {
        const Value v = at(r, column);
        EXPECT_FALSE(v.isNull()) << column << " of row " << r << " is Null";
        return v.asDouble();
    }
    bool isNull(size_t r, const std::string& column) const { return at(r, column).isNull(); }
};

// One expected interval row of a lower- or upper-closed table without sums.
struct Expected {
    std::optional<double> low, high;
    double count, cumulative, countShare, cumulativeShare;
};

class FrequencyTest : public EngineTest {
  protected:
    void pointAtData() {
        ASSERT_FALSE(engine.SetSourceDatabase(db));
        ASSERT_FALSE(engine.SetOutputDatabase(db));
    }
    void addX(std::initializer_list<double> xs, const char* grp = "a") {
        for (double x : xs) addRow(grp, x);
    }
    std::string frequency(const std::vector<std::string>& fields, int groups, int analysis,
                          bool weighted, const std::string& descriptor, int K, double initial,
                          double width, const std::string& out = "Freq") {
        return CFrequency().Quorvane_Frequency(out, "Data", fields, groups, analysis, weighted,
                                               descriptor, K, initial, width, engine);
    }
    // The table as written in this run (under its working name).
    Rows read(const std::string& out = "Freq") {
        Rows r;
        auto rs = db.OpenRecordset(engine.WorkingTableName(out));
        EXPECT_TRUE(rs.ok()) << "output table " << out << " missing";
        if (!rs) return r;
        for (int i = 0; i < rs->FieldCount(); ++i) r.columns.push_back(rs->FieldAt(i).Name);
        for (; !rs->Eof(); rs->MoveNext()) {
            std::vector<Value> row;
            for (int i = 0; i < rs->FieldCount(); ++i) row.push_back(rs->GetValue(i));
            r.rows.push_back(std::move(row));
        }
        return r;
    }
    void expectRows(const Rows& r, const std::string& low, const std::string& high,
                    const std::vector<Expected>& expected) {
        ASSERT_EQ(r.size(), expected.size());
        for (size_t i = 0; i < expected.size(); ++i) {
            SCOPED_TRACE("row " + std::to_string(i + 1));
            const Expected& e = expected[i];
            EXPECT_EQ(r.num(i, "Interval"), static_cast<double>(i + 1));
            if (e.low)
                EXPECT_DOUBLE_EQ(r.num(i, low), *e.low);
            else
                EXPECT_TRUE(r.isNull(i, low));
            if (e.high)
                EXPECT_DOUBLE_EQ(r.num(i, high), *e.high);
            else
                EXPECT_TRUE(r.isNull(i, high));
            EXPECT_DOUBLE_EQ(r.num(i, "Count"), e.count);
            EXPECT_DOUBLE_EQ(r.num(i, "Cumulative"), e.cumulative);
            EXPECT_DOUBLE_EQ(r.num(i, "Count%"), e.countShare);
            EXPECT_DOUBLE_EQ(r.num(i, "Cumulative%"), e.cumulativeShare);
        }
    }
    std::vector<std::string> columnNames(const std::string& out = "Freq") {
        auto def = db.GetTableDef(engine.WorkingTableName(out));
        std::vector<std::string> names;
        if (def)
            for (const Field& f : def->Fields()) names.push_back(f.Name);
        return names;
    }
    int columnType(const std::string& column, const std::string& out = "Freq") {
        auto def = db.GetTableDef(engine.WorkingTableName(out));
        const Field* f = def ? def->FindField(column) : nullptr;
        return f ? f->Type : -1;
    }
};

// --- Output columns ----------------------------------------------------------

TEST_F(FrequencyTest, LowerClosedColumnsWithSumsFollowTheGroupColumns) {
    pointAtData();
    addX({1, 2});
    ASSERT_EQ(frequency({"Grp", "X"}, 1, 1, false, "SYN", 2, 0, 1), "");
    EXPECT_EQ(columnNames(),
              (std::vector<std::string>{"Grp", "DataField", "Interval", "Low<=Range", "Range<High",
                                        "Count", "Cumulative", "Count%", "Cumulative%", "Sum",
                                        "CumulativeSum", "Sum%", "CumulativeSum%"}));
    EXPECT_EQ(columnType("Grp"), dbText);
    EXPECT_EQ(columnType("DataField"), dbText);
    EXPECT_EQ(columnType("Interval"), dbInteger);
    for (const char* c : {"Low<=Range", "Range<High", "Count", "Cumulative", "Count%",
                          "Cumulative%", "Sum", "CumulativeSum", "Sum%", "CumulativeSum%"})
        EXPECT_EQ(columnType(c), dbDouble) << c;
}

TEST_F(FrequencyTest, UpperClosedColumnsWithoutSumsOrGroups) {
    pointAtData();
    addX({1, 2});
    ASSERT_EQ(frequency({"X"}, 0, 1, false, "-NN", 2, 0, 1), "");
    EXPECT_EQ(columnNames(),
              (std::vector<std::string>{"DataField", "Interval", "Low<Range", "Range<=High",
                                        "Count", "Cumulative", "Count%", "Cumulative%"}));
    const Rows r = read();
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r.at(0, "DataField").toText(), "X");
}

// --- Values on interval borders: 0, 10, 20 with K = 2, initial 0, width 10 ---

TEST_F(FrequencyTest, LowerClosedBordersOpenTheIntervalAbove) {
    pointAtData();
    addX({0, 10, 10, 20});
    ASSERT_EQ(frequency({"X"}, 0, 1, false, "-YN", 2, 0, 10), "");
    // [0,10) holds 0, [10,20) both 10s; 20 lies above, in the unwritten outer interval.
    expectRows(read(), "Low<=Range", "Range<High",
               {{0.0, 10.0, 1, 1, 0.25, 0.25}, {10.0, 20.0, 2, 3, 0.5, 0.75}});
}

TEST_F(FrequencyTest, LowerClosedWithOuterIntervals) {
    pointAtData();
    addX({0, 10, 20});
    ASSERT_EQ(frequency({"X"}, 0, 1, false, "-YY", 2, 0, 10), "");
    expectRows(read(), "Low<=Range", "Range<High",
               {{std::nullopt, 0.0, 0, 0, 0, 0},
                {0.0, 10.0, 1, 1, 1.0 / 3, 1.0 / 3},
                {10.0, 20.0, 1, 2, 1.0 / 3, 2.0 / 3},
                {20.0, std::nullopt, 1, 3, 1.0 / 3, 1}});
}

TEST_F(FrequencyTest, UpperClosedBordersCloseTheIntervalBelow) {
    pointAtData();
    addX({0, 10, 10, 20});
    ASSERT_EQ(frequency({"X"}, 0, 1, false, "-NN", 2, 0, 10), "");
    // 0 closes the unwritten interval below; (0,10] holds both 10s, (10,20] holds 20.
    expectRows(read(), "Low<Range", "Range<=High",
               {{0.0, 10.0, 2, 2, 0.5, 0.5}, {10.0, 20.0, 1, 3, 0.25, 0.75}});
}

TEST_F(FrequencyTest, UpperClosedWithOuterIntervals) {
    pointAtData();
    addX({0, 10, 20});
    ASSERT_EQ(frequency({"X"}, 0, 1, false, "-NY", 2, 0, 10), "");
    expectRows(read(), "Low<Range", "Range<=High",
               {{std::nullopt, 0.0, 1, 1, 1.0 / 3, 1.0 / 3},
                {0.0, 10.0, 1, 2, 1.0 / 3, 2.0 / 3},
                {10.0, 20.0, 1, 3, 1.0 / 3, 1},
                {20.0, std::nullopt, 0, 3, 0, 1}});
}

TEST_F(FrequencyTest, ValuesBetweenBordersAndFarOutside) {
    pointAtData();
    // Initial 1, width 0.5, K = 3: borders 1, 1.5, 2, 2.5.
    addX({0.99, 1.2, 1.75, 2.25, 2.5, 1e300, -1e300});
    ASSERT_EQ(frequency({"X"}, 0, 1, false, "-NY", 3, 1, 0.5), "");
    // Upper-closed: 0.99 and -1e300 below; (1,1.5] 1.2; (1.5,2] 1.75;
    // (2,2.5] 2.25 and 2.5; above: 1e300.
    const Rows r = read();
    ASSERT_EQ(r.size(), 5u);
    const double counts[] = {2, 1, 1, 2, 1};
    for (size_t i = 0; i < 5; ++i) EXPECT_DOUBLE_EQ(r.num(i, "Count"), counts[i]) << i;
    EXPECT_DOUBLE_EQ(r.num(3, "Low<Range"), 2.0);
    EXPECT_DOUBLE_EQ(r.num(3, "Range<=High"), 2.5);
    EXPECT_DOUBLE_EQ(r.num(4, "Low<Range"), 2.5);
    EXPECT_DOUBLE_EQ(r.num(4, "Cumulative%"), 1.0);
}

// --- Sums per interval ------------------------------------------------------

TEST_F(FrequencyTest, SumSharesAddUpToOneWhenNoValueFallsOutside) {
    pointAtData();
    addX({1, 2, 3, 4, 5});
    ASSERT_EQ(frequency({"X"}, 0, 1, false, "SYN", 3, 0, 2), "");
    // [0,2): 1; [2,4): 2 + 3 = 5; [4,6): 4 + 5 = 9; all values sum to 15.
    const Rows r = read();
    ASSERT_EQ(r.size(), 3u);
    const double sums[] = {1, 5, 9}, cumulative[] = {1, 6, 15};
    double shareTotal = 0;
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_DOUBLE_EQ(r.num(i, "Sum"), sums[i]);
        EXPECT_DOUBLE_EQ(r.num(i, "CumulativeSum"), cumulative[i]);
        EXPECT_DOUBLE_EQ(r.num(i, "Sum%"), sums[i] / 15);
        EXPECT_DOUBLE_EQ(r.num(i, "CumulativeSum%"), cumulative[i] / 15);
        shareTotal += r.num(i, "Sum%");
    }
    EXPECT_NEAR(shareTotal, 1.0, 1e-15);
    EXPECT_DOUBLE_EQ(r.num(2, "CumulativeSum%"), 1.0);
    EXPECT_DOUBLE_EQ(r.num(1, "Count%"), 2.0 / 5);
}

TEST_F(FrequencyTest, SumSharesStayNullWhenTheValuesSumToZero) {
    pointAtData();
    addX({-1, 1});
    ASSERT_EQ(frequency({"X"}, 0, 1, false, "SYN", 2, -2, 2), "");
    const Rows r = read();
    ASSERT_EQ(r.size(), 2u);
    EXPECT_DOUBLE_EQ(r.num(0, "Sum"), -1);
    EXPECT_DOUBLE_EQ(r.num(1, "Sum"), 1);
    EXPECT_DOUBLE_EQ(r.num(1, "CumulativeSum"), 0);
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_TRUE(r.isNull(i, "Sum%"));
        EXPECT_TRUE(r.isNull(i, "CumulativeSum%"));
        EXPECT_DOUBLE_EQ(r.num(i, "Count%"), 0.5) << "counts keep their shares";
    }
}

TEST_F(FrequencyTest, SumsKeepDigitsThatPlainDoublesLose) {
    pointAtData();
    // 1e16 + 1 + 1 - 1e16 is 2, but a running double sum gives 0.
    for (double x : {1e16, 1.0, 1.0, -1e16}) addRow("a", x);
    ASSERT_EQ(frequency({"X"}, 0, 1, false, "SYY", 1, 0, 10), "");
    const Rows r = read();
    ASSERT_EQ(r.size(), 3u);
    EXPECT_DOUBLE_EQ(r.num(1, "Sum"), 2.0);
    EXPECT_DOUBLE_EQ(r.num(2, "CumulativeSum"), 2.0);
    EXPECT_DOUBLE_EQ(r.num(1, "Sum%"), 1.0) << "the field's sum is 2 as well";
}

// --- Groups and fields -------------------------------------------------------

TEST_F(FrequencyTest, EachGroupAndFieldGetsItsRowsAndAnAllNullFieldNone) {
    pointAtData();
    addRow("a", 1.0, 3.0);
    addRow("a", 3.0, 3.5);
    addRow("a", 3.5, Value());
    addRow("b", Value(), 1.0);
    addRow("b", Value(), 2.0);
    ASSERT_EQ(frequency({"Grp", "X", "Y"}, 1, 2, false, "-YN", 2, 0, 2), "");
    const Rows r = read();
    // a/X: [0,2) 1, [2,4) 3 and 3.5; a/Y: [2,4) 3 and 3.5; b/X none; b/Y: [0,2) 1, [2,4) 2.
    ASSERT_EQ(r.size(), 6u);
    const char* groups[] = {"a", "a", "a", "a", "b", "b"};
    const char* fields[] = {"X", "X", "Y", "Y", "Y", "Y"};
    const double counts[] = {1, 2, 0, 2, 1, 1};
    const double shares[] = {1.0 / 3, 2.0 / 3, 0, 1, 0.5, 0.5};
    for (size_t i = 0; i < 6; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(r.at(i, "Grp").toText(), groups[i]);
        EXPECT_EQ(r.at(i, "DataField").toText(), fields[i]);
        EXPECT_EQ(r.num(i, "Interval"), static_cast<double>(i % 2 + 1)) << "numbered per field";
        EXPECT_DOUBLE_EQ(r.num(i, "Count"), counts[i]);
        EXPECT_DOUBLE_EQ(r.num(i, "Count%"), shares[i]);
    }
}

// --- Weights -----------------------------------------------------------------

TEST_F(FrequencyTest, WeightsCountLikeRepeatedRowsAndBadWeightsSkipTheRow) {
    pointAtData();
    // Group "r": every value repeated as often as group "w" weights it.
    for (double x : {1.0, 1.0, 3.0, 3.0, 3.0, 5.0}) addRow("r", x, Value(), 1.0);
    addRow("w", 1.0, Value(), 2.0);
    addRow("w", 3.0, Value(), 3.0);
    addRow("w", 5.0, Value(), 1.0);
    // Rows whose weight is negative, 0 or Null are left out altogether.
    addRow("w", 1.0, Value(), -1.0);
    addRow("w", 3.0, Value(), 0.0);
    addRow("w", 5.0, Value());
    ASSERT_EQ(frequency({"Grp", "X", "W"}, 1, 1, true, "SYN", 3, 0, 2), "");
    const Rows r = read();
    ASSERT_EQ(r.size(), 6u);
    // [0,2): weight 2, sum 2; [2,4): 3, sum 9; [4,6): 1, sum 5; n = 6, S = 16.
    const double counts[] = {2, 3, 1}, cumulative[] = {2, 5, 6}, sums[] = {2, 9, 5};
    for (size_t i = 0; i < 3; ++i) {
        for (size_t g : {i, i + 3}) {
            SCOPED_TRACE(r.at(g, "Grp").toText() + " interval " + std::to_string(i + 1));
            EXPECT_DOUBLE_EQ(r.num(g, "Count"), counts[i]);
            EXPECT_DOUBLE_EQ(r.num(g, "Cumulative"), cumulative[i]);
            EXPECT_DOUBLE_EQ(r.num(g, "Count%"), counts[i] / 6);
            EXPECT_DOUBLE_EQ(r.num(g, "Cumulative%"), cumulative[i] / 6);
            EXPECT_DOUBLE_EQ(r.num(g, "Sum"), sums[i]);
            EXPECT_DOUBLE_EQ(r.num(g, "Sum%"), sums[i] / 16);
        }
    }
    EXPECT_EQ(r.at(0, "Grp").toText(), "r");
    EXPECT_EQ(r.at(3, "Grp").toText(), "w");
}

TEST_F(FrequencyTest, FractionalWeights) {
    pointAtData();
    addRow("a", 0.5, Value(), 0.25);
    addRow("a", 1.5, Value(), 0.75);
    addRow("a", 1.5, Value(), 1.5);
    ASSERT_EQ(frequency({"X", "W"}, 0, 1, true, "SYN", 2, 0, 1), "");
    const Rows r = read();
    ASSERT_EQ(r.size(), 2u);
    // n = 2.5; [0,1): 0.25, sum 0.125; [1,2): 2.25, sum 3.375; S = 3.5.
    EXPECT_DOUBLE_EQ(r.num(0, "Count"), 0.25);
    EXPECT_DOUBLE_EQ(r.num(1, "Count"), 2.25);
    EXPECT_DOUBLE_EQ(r.num(0, "Count%"), 0.1);
    EXPECT_DOUBLE_EQ(r.num(1, "Cumulative%"), 1.0);
    EXPECT_DOUBLE_EQ(r.num(0, "Sum"), 0.125);
    EXPECT_DOUBLE_EQ(r.num(1, "Sum"), 3.375);
    EXPECT_DOUBLE_EQ(r.num(0, "Sum%"), 0.125 / 3.5);
}

TEST_F(FrequencyTest, AGroupWhoseRowsAllWeighNothingWritesNoRows) {
    pointAtData();
    addRow("a", 1.0, Value(), 0.0);
    addRow("a", 1.0, Value(), -2.0);
    addRow("b", 1.0, Value(), 4.0);
    ASSERT_EQ(frequency({"Grp", "X", "W"}, 1, 1, true, "-YN", 1, 0, 2), "");
    const Rows r = read();
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r.at(0, "Grp").toText(), "b");
    EXPECT_DOUBLE_EQ(r.num(0, "Count"), 4);
}

// --- The missing-value rule --------------------------------------------------

TEST_F(FrequencyTest, MissingValuesAreLeftOut) {
    setRule("1", -99.0, {}, {});
    pointAtData();
    addX({-99, 1, 3});
    ASSERT_EQ(frequency({"X"}, 0, 1, false, "-YY", 2, 0, 2), "");
    // -99 would fall below the first interval and count in every share.
    expectRows(read(), "Low<=Range", "Range<High",
               {{std::nullopt, 0.0, 0, 0, 0, 0},
                {0.0, 2.0, 1, 1, 0.5, 0.5},
                {2.0, 4.0, 1, 2, 0.5, 1},
                {4.0, std::nullopt, 0, 2, 0, 1}});
}

TEST_F(FrequencyTest, RangeRuleKeepsOnlyItsClosedRange) {
    setRule("2", {}, 0.0, 10.0);
    pointAtData();
    addX({-0.5, 0, 10, 10.5});
    ASSERT_EQ(frequency({"X"}, 0, 1, false, "-YY", 1, 0, 20), "");
    const Rows r = read();
    ASSERT_EQ(r.size(), 3u);
    EXPECT_DOUBLE_EQ(r.num(0, "Count"), 0);
    EXPECT_DOUBLE_EQ(r.num(1, "Count"), 2) << "both bounds are kept";
    EXPECT_DOUBLE_EQ(r.num(2, "Count"), 0);
    EXPECT_DOUBLE_EQ(r.num(1, "Count%"), 1);
}

// --- Run stages and failures -------------------------------------------------

TEST_F(FrequencyTest, ReportsItsStagesInOrder) {
    pointAtData();
    addX({1, 2, 3, 4, 5, 6});
    std::vector<std::string> messages;
    engine.SetShowProgress(true);
    engine.OnStatStatus([&](const std::string& m) { messages.push_back(m); });
    ASSERT_EQ(frequency({"X"}, 0, 1, false, "-YN", 2, 0, 5), "");
    ASSERT_GE(messages.size(), 3u);
    EXPECT_EQ(messages[0], "Retrieving and sorting data...");
    EXPECT_EQ(messages[1], "Creating output table...");
    EXPECT_EQ(messages[2], "Analyzing records...");
    EXPECT_NE(std::find(messages.begin(), messages.end(), "Analyzing record: 5"), messages.end());
    EXPECT_FALSE(engine.DataRecordset().IsOpen()) << "closed at the end of the run";
    EXPECT_FALSE(engine.OutputRecordset().IsOpen());
}

TEST_F(FrequencyTest, BadIntervalArgumentsAreRefusedBeforeAnyOutput) {
    pointAtData();
    addX({1, 2});
    EXPECT_EQ(frequency({"X"}, 0, 1, false, "-YN", 2, 0, 0),
              "The frequency interval width must be greater than 0.");
    EXPECT_EQ(frequency({"X"}, 0, 1, false, "-YN", 2, 0, -1),
              "The frequency interval width must be greater than 0.");
    EXPECT_EQ(frequency({"X"}, 0, 1, false, "-YN", 0, 0, 1),
              "The number of frequency intervals must be between 1 and 32765.");
    EXPECT_EQ(frequency({"X"}, 0, 1, false, "-YN", 32766, 0, 1),
              "The number of frequency intervals must be between 1 and 32765.");
    EXPECT_EQ(frequency({"X"}, 0, 1, true, "-YN", 2, 0, 1),
              "The field list does not hold the group, analysis and weight fields.");
    EXPECT_EQ(engine.WorkingTableName("Freq"), "Freq") << "no output table was started";
}

TEST_F(FrequencyTest, InputProblemsEndTheRun) {
    pointAtData();
    EXPECT_EQ(frequency({"X"}, 0, 1, false, "-YN", 2, 0, 1), "No records found in Data");
    addRow("a", 1.0);
    EXPECT_EQ(frequency({"Nope"}, 0, 1, false, "-YN", 2, 0, 1),
              "Field [Nope] not found in [Data].");
    EXPECT_EQ(frequency({"Grp"}, 0, 1, false, "-YN", 2, 0, 1),
              "Field [Grp] holds a value that is not a number: 'a'");
}

// --- Default borders ---------------------------------------------------------

class DescFreqInitTest : public FrequencyTest {
  protected:
    struct Borders {
        std::string error;
        double initial = -12345, width = -12345;
    };
    Borders defaults(bool adjust, int K, bool lowerClosed,
                     const std::vector<std::string>& fields = {"X"}, int groups = 0,
                     int analysis = 1) {
        Borders b;
        b.error = engine.DescFreqInit(adjust, K, lowerClosed, "Data", fields, groups, analysis,
                                      b.initial, b.width);
        return b;
    }
};

TEST_F(DescFreqInitTest, RangeAboveOneLeavesATenthOfItAsMargin) {
    pointAtData();
    addX({53, 3, 20});
    // d = 50 / 10 = 5; width = (53 + 5 - 3) / 10 = 5.5, not below 1, so kept.
    for (bool adjust : {true, false}) {
        Borders lower = defaults(adjust, 10, true);
        ASSERT_EQ(lower.error, "");
        EXPECT_DOUBLE_EQ(lower.width, 5.5);
        EXPECT_DOUBLE_EQ(lower.initial, 3);
        Borders upper = defaults(adjust, 10, false);
        EXPECT_DOUBLE_EQ(upper.width, 5.5);
        EXPECT_DOUBLE_EQ(upper.initial, -2);
    }
    // Range 1000 exactly: d = 100, width = 1100 / 4.
    addX({1003});
    Borders b = defaults(true, 4, false);
    EXPECT_DOUBLE_EQ(b.width, 275);
    EXPECT_DOUBLE_EQ(b.initial, -97);
}

TEST_F(DescFreqInitTest, NarrowRangeWidthIsRoundedUpOrSetToOne) {
    pointAtData();
    addX({0.2, 0.9, 0.5});
    // d = 0.7 / 100 = 0.007; width = 0.707 / 10 = 0.0707, raised to 0.071.
    Borders lower = defaults(true, 10, true);
    ASSERT_EQ(lower.error, "");
    EXPECT_DOUBLE_EQ(lower.width, 0.071);
    EXPECT_DOUBLE_EQ(lower.initial, 0.2);
    Borders upper = defaults(true, 10, false);
    EXPECT_DOUBLE_EQ(upper.width, 0.071);
    EXPECT_DOUBLE_EQ(upper.initial, 0.193);
    // Without the adjustment a width below 1 becomes 1.
    Borders plain = defaults(false, 10, false);
    EXPECT_DOUBLE_EQ(plain.width, 1);
    EXPECT_DOUBLE_EQ(plain.initial, 0.193);
}

TEST_F(DescFreqInitTest, WidthRoundingDependsOnItsLeadingDigits) {
    pointAtData();
    // Range exactly 1 counts as narrow: d = 0.01, width = 1.01 / 10 = 0.101 -> 0.11.
    addX({0, 1});
    EXPECT_DOUBLE_EQ(defaults(true, 10, true).width, 0.11);
    EXPECT_DOUBLE_EQ(defaults(true, 10, false).initial, -0.01);
    // Range 6.3: d = 0.63, width = 6.93 / 10 = 0.693 -> 0.70.
    addX({6.3});
    EXPECT_DOUBLE_EQ(defaults(true, 10, true).width, 0.7);
}

TEST_F(DescFreqInitTest, AWidthAlreadyOnTheGridStays) {
    pointAtData();
    addX({0, 4.5});
    // d = 0.45, width = 4.95 / 9 = 0.55 exactly: the smallest multiple of 0.01 not below it.
    const Borders b = defaults(true, 9, true);
    EXPECT_DOUBLE_EQ(b.width, 0.55);
    EXPECT_DOUBLE_EQ(b.initial, 0);
}

TEST_F(DescFreqInitTest, AllValuesEqualGetWidthOneAndAnIntervalHoldingThem) {
    pointAtData();
    addX({7, 7, 7});
    for (bool adjust : {true, false}) {
        const Borders lower = defaults(adjust, 5, true);
        ASSERT_EQ(lower.error, "");
        EXPECT_DOUBLE_EQ(lower.width, 1);
        EXPECT_DOUBLE_EQ(lower.initial, 7);
        // Describe's path: margin 0, width raised to 1, start at the value
        // whichever border closes; Frequency's starts a width below it.
        const Borders upper = defaults(adjust, 5, false);
        EXPECT_DOUBLE_EQ(upper.width, 1);
        EXPECT_DOUBLE_EQ(upper.initial, adjust ? 6 : 7) << "width adjust " << adjust;
    }
    // Either way every value lands in the first written interval.
    for (const char* descriptor : {"-YN", "-NN"}) {
        const Borders b = defaults(true, 5, descriptor[1] == 'Y');
        const std::string out = std::string("Freq") + descriptor[1];
        ASSERT_EQ(frequency({"X"}, 0, 1, false, descriptor, 5, b.initial, b.width, out), "");
        const Rows r = read(out);
        ASSERT_EQ(r.size(), 5u);
        EXPECT_DOUBLE_EQ(r.num(0, "Count"), 3) << descriptor;
        EXPECT_DOUBLE_EQ(r.num(0, "Count%"), 1) << descriptor;
    }
}

TEST_F(DescFreqInitTest, LastIntervalReachesTheLargestValue) {
    pointAtData();
    addX({0.2, 0.9, 0.35, 0.61});
    for (const char* descriptor : {"-YN", "-NN"}) {
        const Borders b = defaults(true, 10, descriptor[1] == 'Y');
        const std::string out = std::string("Freq") + descriptor[1];
        ASSERT_EQ(frequency({"X"}, 0, 1, false, descriptor, 10, b.initial, b.width, out), "");
        const Rows r = read(out);
        ASSERT_EQ(r.size(), 10u);
        EXPECT_DOUBLE_EQ(r.num(9, "Cumulative%"), 1) << descriptor << ": no value left out";
    }
}

TEST_F(DescFreqInitTest, RangeSpansAllAnalysisFieldsButNotGroupFields) {
    pointAtData();
    addRow("a", 3.0, 20.0);
    addRow("b", 10.0, 53.0);
    addRow("c", Value(), 40.0);
    const Borders b = defaults(true, 10, true, {"Grp", "X", "Y"}, 1, 2);
    ASSERT_EQ(b.error, "");
    EXPECT_DOUBLE_EQ(b.initial, 3);
    EXPECT_DOUBLE_EQ(b.width, 5.5);
}

TEST_F(DescFreqInitTest, EveryFieldIsReadWithOrWithoutARule) {
    pointAtData();
    addRow("a", Value(), 4.0);
    addRow("b", Value(), 14.0);
    // X holds no value at all: the range is Y's alone, 4 to 14: d = 1,
    // width (14 + 1 - 4) / 10 = 1.1.
    Borders b = defaults(true, 10, true, {"X", "Y"}, 0, 2);
    ASSERT_EQ(b.error, "");
    EXPECT_DOUBLE_EQ(b.initial, 4);
    EXPECT_DOUBLE_EQ(b.width, 1.1);
    // A text in the second field is found whether the fields are read
    // together (no rule) or one by one (a rule).
    ASSERT_TRUE(db.Execute("UPDATE [Data] SET [Y] = 'many' WHERE [Grp] = 'b'").ok());
    EXPECT_EQ(defaults(true, 10, true, {"X", "Y"}, 0, 2).error,
              "Field [Y] holds a value that is not a number: 'many'");
    setRule("2", {}, 0.0, {});
    pointAtData();
    EXPECT_EQ(defaults(true, 10, true, {"X", "Y"}, 0, 2).error,
              "Field [Y] holds a value that is not a number: 'many'");
}

TEST_F(DescFreqInitTest, MissingValuesDoNotWidenTheRange) {
    setRule("2", {}, 0.0, {});
    pointAtData();
    addX({-100, 3, 28, 53});
    Borders b = defaults(true, 10, false);
    ASSERT_EQ(b.error, "");
    EXPECT_DOUBLE_EQ(b.initial, -2);
    EXPECT_DOUBLE_EQ(b.width, 5.5);

    setRule("1", 53.0, {}, {});
    pointAtData();
    // Now -100..28 remain: d = 12.8, width = 140.8 / 10.
    b = defaults(true, 10, true);
    EXPECT_DOUBLE_EQ(b.initial, -100);
    EXPECT_DOUBLE_EQ(b.width, 14.08);
}

TEST_F(DescFreqInitTest, NoUsableValueIsAnError) {
    pointAtData();
    EXPECT_EQ(defaults(true, 10, true).error, "No data found");
    addRow("a", Value(), 1.0);
    EXPECT_EQ(defaults(true, 10, true).error, "No data found") << "X holds only Null";
    setRule("2", {}, 5.0, {});
    pointAtData();
    addX({1, 2});
    EXPECT_EQ(defaults(true, 10, true).error, "No data found") << "every value below the rule";
}

TEST_F(DescFreqInitTest, RefusesNoIntervalsAndReportsProgress) {
    pointAtData();
    addX({1, 2});
    std::vector<std::string> messages;
    engine.SetShowProgress(true);
    engine.OnStatStatus([&](const std::string& m) { messages.push_back(m); });
    EXPECT_EQ(defaults(true, 0, true).error,
              "The number of frequency intervals must be at least 1.");
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages[0], "Calculating default frequency values...");
}

}  // namespace
}  // namespace qrv::test
