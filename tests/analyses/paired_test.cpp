// Paired-field tests end to end through RunScenario. The small cases are
// worked by hand in the comments (ranks, rank sums, D, tie sums); the
// statistics and probabilities that follow from them come from Python's
// fractions with mpmath at 40 digits: the normal two-tailed area as
// erfc(|z| / sqrt 2), the t two-tailed probability as the regularised
// incomplete beta I_{df/(df+t^2)}(df/2, 1/2), Pearson's r from the exact
// centred sums.
#include <cmath>
#include <string>
#include <vector>

#include "engine/engine_fixture.h"
#include "engine/sort_budget.h"
#include "support/raw_sqlite.h"

namespace qrv::test {
namespace {

using namespace qrv::dao;

struct PairRow {
    Value grp, x1, x2, y, w;
};

#define EXPECT_REL(actual, expected, tol) \
    EXPECT_NEAR((actual), (expected), std::abs(static_cast<double>(expected)) * (tol) + 1e-300)

class PairedTest : public EngineTest {
  protected:
    void SetUp() override {
        EngineTest::SetUp();
        makeTable("Pr", {Field("Grp", dbText, 10), Field("X1", dbDouble), Field("X2", dbDouble),
                         Field("Y", dbDouble), Field("W", dbDouble)});
    }
    void addRows(const std::vector<PairRow>& rows) {
        std::vector<std::vector<Value>> values;
        for (const PairRow& r : rows) values.push_back({r.grp, r.x1, r.x2, r.y, r.w});
        appendRows("Pr", {"Grp", "X1", "X2", "Y", "W"}, values);
    }
    std::int32_t paired(std::vector<std::pair<std::string, std::string>> fields, bool sign = true,
                        bool wilcoxon = true, bool spearman = true) {
        ScenarioRow s;
        s.category = "N";
        s.subtype = "Paired Fields";
        s.input = "Pr";
        s.fields = std::move(fields);
        const auto id = addScenario(s);
        setOptions(
            id,
            {{"NPPair_Sign", sign}, {"NPPair_Wilcoxon", wilcoxon}, {"NPPair_Spearman", spearman}});
        return id;
    }
    // Ordered by group (Null first) and X field; by X field without groups.
    std::vector<TableRow> out(const std::string& order = "[Grp], [DataField]") {
        return tableRows("Out1", order);
    }
    static double num(const TableRow& r, const char* column) {
        auto it = r.find(column);
        EXPECT_NE(it, r.end()) << "no column " << column;
        return it == r.end() || it->second.isNull() ? NAN : it->second.asDouble();
    }
    static bool isNull(const TableRow& r, const char* column) {
        auto it = r.find(column);
        EXPECT_NE(it, r.end()) << "no column " << column;
        return it != r.end() && it->second.isNull();
    }
    static void expectEightPairs(const TableRow& r) {
        EXPECT_EQ(r.at("DataField").toText(), "X1");
        EXPECT_EQ(r.at("Count_of_Y").asDouble(), 8);
        EXPECT_EQ(r.at("Missing").asDouble(), 0);
        EXPECT_DOUBLE_EQ(r.at("Mean").asDouble(), 86.0 / 8);
        EXPECT_DOUBLE_EQ(r.at("MeanY").asDouble(), 75.0 / 8);
        EXPECT_DOUBLE_EQ(r.at("MeanDiff").asDouble(), 11.0 / 8);
        EXPECT_EQ(r.at("Count<Y").asDouble(), 2);
        EXPECT_EQ(r.at("Count=Y").asDouble(), 1);
        EXPECT_EQ(r.at("Count>Y").asDouble(), 5);
        EXPECT_REL(r.at("Pearson's_R").asDouble(), 0.62706857453981316141, 1e-14);
        // Sign: N = 7, M = 5, Z = (5 - 0.5 - 3.5) / (0.5 sqrt 7).
        EXPECT_REL(r.at("SignZ").asDouble(), 0.75592894601845445443, 1e-14);
        EXPECT_REL(r.at("SignProb").asDouble(), 0.44969179796889089736, 1e-13);
        // |d| 1 1 | 2 2 | 3 | 4 4: mean ranks 1.5, 3.5, 5, 6.5. Negative: -1 and
        // -2, 1.5 + 3.5 = 5 over 2; positive 1.5 + 3.5 + 5 + 2(6.5) = 23 over 5.
        // T = 5, mean 14, sd sqrt(35).
        EXPECT_EQ(r.at("Wilcoxon_Neg_SumRank").asDouble(), 5);
        EXPECT_EQ(r.at("Wilcoxon_Pos_SumRank").asDouble(), 23);
        EXPECT_EQ(r.at("Wilcoxon_Neg_MeanRank").asDouble(), 2.5);
        EXPECT_EQ(r.at("Wilcoxon_Pos_MeanRank").asDouble(), 4.6);
        EXPECT_REL(r.at("Wilcoxon_Z").asDouble(), -9 / std::sqrt(35.0), 1e-14);
        EXPECT_REL(r.at("Wilcoxon_Prob").asDouble(), 0.12819017434510789119, 1e-13);
        // X ranks by row 4 6 3 8 1 7 5 2; Y ranks 2 8 3.5 7 3.5 5.5 5.5 1 (two
        // tied pairs in Y, none in X). D = 19, rho = 1 - 114/504 = 390/504.
        // Sx = (512 - 8)/12 = 42, Sy = (504 - 12)/12 = 41: rho(ties) = 64 /
        // (2 sqrt 1722). t with 6 degrees of freedom.
        EXPECT_EQ(r.at("TiedGroups_X").asDouble(), 0);
        EXPECT_EQ(r.at("TiedGroups_Y").asDouble(), 2);
        EXPECT_REL(r.at("Spearman").asDouble(), 390.0 / 504, 1e-15);
        EXPECT_REL(r.at("Spearman_t").asDouble(), 2.9923958732965257524, 1e-14);
        EXPECT_REL(r.at("Spearman_Prob").asDouble(), 0.024245060780215538866, 1e-12);
        EXPECT_REL(r.at("Spearman_(ties)").asDouble(), 32 / std::sqrt(1722.0), 1e-15);
        EXPECT_REL(r.at("Spearman_t_(ties)").asDouble(), 2.9668657306339825641, 1e-14);
        EXPECT_REL(r.at("Spearman_Prob_(ties)").asDouble(), 0.025059026608687103956, 1e-12);
    }
};

// Eight pairs, one of them equal.
//   x: 10 12  9 15  7 14 11  8
//   y:  8 13  9 11  9 10 10  5
//   d: +2 -1  0 +4 -2 +4 +1 +3
std::vector<PairRow> eightPairs(const Value& grp) {
    const double xs[] = {10, 12, 9, 15, 7, 14, 11, 8}, ys[] = {8, 13, 9, 11, 9, 10, 10, 5};
    std::vector<PairRow> rows;
    for (int i = 0; i < 8; ++i) rows.push_back({grp, xs[i], {}, ys[i], {}});
    return rows;
}

TEST_F(PairedTest, EightPairsWorkedByHand) {
    addRows(eightPairs("g"));
    ASSERT_TRUE(run(paired({{"X1", "X"}, {"Y", "Y"}}))) << engine.ErrorInfo();
    auto rows = out("[DataField]");
    ASSERT_EQ(rows.size(), 1u);
    expectEightPairs(rows[0]);
}

TEST_F(PairedTest, ColumnsFollowTheOptions) {
    addRows(eightPairs("g"));
    ASSERT_TRUE(run(paired({{"Grp", "G"}, {"X1", "X"}, {"Y", "Y"}, {"W", "W"}})))
        << engine.ErrorInfo();
    EXPECT_EQ(tableColumns("Out1"), (std::vector<std::string>{"Grp",
                                                              "DataField",
                                                              "Count_of_Y",
                                                              "Observations",
                                                              "Missing",
                                                              "Mean",
                                                              "MeanY",
                                                              "MeanDiff",
                                                              "Count<Y",
                                                              "Count=Y",
                                                              "Count>Y",
                                                              "Pearson's_R",
                                                              "SignZ",
                                                              "SignProb",
                                                              "Wilcoxon_Neg_SumRank",
                                                              "Wilcoxon_Pos_SumRank",
                                                              "Wilcoxon_Neg_MeanRank",
                                                              "Wilcoxon_Pos_MeanRank",
                                                              "Wilcoxon_Z",
                                                              "Wilcoxon_Prob",
                                                              "TiedGroups_X",
                                                              "TiedGroups_Y",
                                                              "Spearman",
                                                              "Spearman_t",
                                                              "Spearman_Prob",
                                                              "Spearman_(ties)",
                                                              "Spearman_t_(ties)",
                                                              "Spearman_Prob_(ties)"}));
    auto def = db.GetTableDef("Out1");
    ASSERT_TRUE(def.ok());
    for (const Field& f : def->Fields()) {
        if (f.Name == "DataField") {
            EXPECT_EQ(f.Type, dbText);
            EXPECT_EQ(f.Size, 64);
        } else if (f.Name == "Missing") {
            EXPECT_EQ(f.Type, dbLong);
        } else if (f.Name != "Grp") {
            EXPECT_EQ(f.Type, dbDouble) << f.Name;
        }
    }
    ASSERT_TRUE(run(paired({{"X1", "X"}, {"Y", "Y"}}, false, true, false))) << engine.ErrorInfo();
    EXPECT_EQ(
        tableColumns("Out1"),
        (std::vector<std::string>{
            "DataField", "Count_of_Y", "Missing", "Mean", "MeanY", "MeanDiff", "Count<Y", "Count=Y",
            "Count>Y", "Pearson's_R", "Wilcoxon_Neg_SumRank", "Wilcoxon_Pos_SumRank",
            "Wilcoxon_Neg_MeanRank", "Wilcoxon_Pos_MeanRank", "Wilcoxon_Z", "Wilcoxon_Prob"}));
    // With no test at all there is nothing to compute: refused, the last
    // table kept.
    EXPECT_FALSE(run(paired({{"X1", "X"}, {"Y", "Y"}}, false, false, false)));
    EXPECT_EQ(engine.ErrorInfo(),
              "usysQuorvaneOptions: At least one analysis type must be selected\r\nSet one of: "
              "NPPair_Sign, NPPair_Wilcoxon, NPPair_Spearman");
    EXPECT_EQ(tableColumns("Out1").size(), 16u);
}

TEST_F(PairedTest, WeightsRoundTheCountsAndTruncateForRanks) {
    // Every record weighs 2.6: the counts grow by 3 per record, rounded each
    // time (0 -> 3 -> 5.6 rounds to 6), while the rank tests count each
    // record twice. Pairs (1,2) (3,2) (5,5) (4,1): d -1 +1 0 +3.
    addRows({{"g", 1.0, {}, 2.0, 2.6},
             {"g", 3.0, {}, 2.0, 2.6},
             {"g", 5.0, {}, 5.0, 2.6},
             {"g", 4.0, {}, 1.0, 2.6}});
    ASSERT_TRUE(run(paired({{"X1", "X"}, {"Y", "Y"}, {"W", "W"}}))) << engine.ErrorInfo();
    auto rows = out("[DataField]");
    ASSERT_EQ(rows.size(), 1u);
    const TableRow& r = rows[0];
    EXPECT_REL(num(r, "Count_of_Y"), 10.4, 1e-15);
    EXPECT_EQ(num(r, "Observations"), 4);
    EXPECT_EQ(num(r, "Missing"), 0);
    EXPECT_EQ(num(r, "Count<Y"), 3);
    EXPECT_EQ(num(r, "Count=Y"), 3);
    EXPECT_EQ(num(r, "Count>Y"), 6);
    EXPECT_REL(num(r, "Mean"), 3.25, 1e-15);
    EXPECT_REL(num(r, "MeanY"), 2.5, 1e-15);
    EXPECT_REL(num(r, "MeanDiff"), 0.75, 1e-14);
    EXPECT_REL(num(r, "Pearson's_R"), 0.50709255283710994651, 1e-14);
    // Sign on the rounded counts: N = 9, M = 6, Z = 1 / 1.5.
    EXPECT_REL(num(r, "SignZ"), 2.0 / 3, 1e-15);
    EXPECT_REL(num(r, "SignProb"), 0.50498507509384582613, 1e-13);
    // |d| 1 four times (ranks 1-4, mean 2.5), 3 twice (mean 5.5): negative 2
    // values summing 5, positive 4 summing 16; N = 6, T = 5, mean 10.5,
    // sd sqrt(22.75).
    EXPECT_EQ(num(r, "Wilcoxon_Neg_SumRank"), 5);
    EXPECT_EQ(num(r, "Wilcoxon_Pos_SumRank"), 16);
    EXPECT_EQ(num(r, "Wilcoxon_Neg_MeanRank"), 2.5);
    EXPECT_EQ(num(r, "Wilcoxon_Pos_MeanRank"), 4);
    EXPECT_REL(num(r, "Wilcoxon_Z"), -1.1531133203941101253, 1e-14);
    EXPECT_REL(num(r, "Wilcoxon_Prob"), 0.24886387493792211245, 1e-13);
    // n = 8. X ranks 1.5 3.5 7.5 5.5, Y ranks 4.5 4.5 7.5 1.5: D = 2(9 + 1 +
    // 0 + 16) = 52, rho = 192/504. Every X value is a tie of 2 (4 groups,
    // Tx = 24); Y: 1 twice, 2 four times, 5 twice (3 groups, Ty = 72).
    // Sx = 40, Sy = 36: rho(ties) = 24 / (2 sqrt 1440).
    EXPECT_EQ(num(r, "TiedGroups_X"), 4);
    EXPECT_EQ(num(r, "TiedGroups_Y"), 3);
    EXPECT_REL(num(r, "Spearman"), 192.0 / 504, 1e-15);
    EXPECT_REL(num(r, "Spearman_t"), 1.0092411204748320349, 1e-14);
    EXPECT_REL(num(r, "Spearman_Prob"), 0.35181255311756491820, 1e-12);
    EXPECT_REL(num(r, "Spearman_(ties)"), 12 / std::sqrt(1440.0), 1e-15);
    EXPECT_REL(num(r, "Spearman_t_(ties)"), 0.81649658092772603273, 1e-14);
    EXPECT_REL(num(r, "Spearman_Prob_(ties)"), 0.44541555534797047465, 1e-12);
}

TEST_F(PairedTest, EdgeGroups) {
    addRows({// Null group: one valid pair, x above y.
             {{}, 4.0, {}, 2.0, {}},
             // a: every pair equal, no ties.
             {"a", 1.0, {}, 1.0, {}},
             {"a", 2.0, {}, 2.0, {}},
             {"a", 3.0, {}, 3.0, {}},
             // b: X all tied.
             {"b", 3.0, {}, 1.0, {}},
             {"b", 3.0, {}, 2.0, {}},
             {"b", 3.0, {}, 4.0, {}},
             // c: no usable pair (Y missing, X missing).
             {"c", 1.0, {}, {}, {}},
             {"c", {}, {}, 5.0, {}}});
    ASSERT_TRUE(run(paired({{"Grp", "G"}, {"X1", "X"}, {"Y", "Y"}}))) << engine.ErrorInfo();
    auto rows = out();
    ASSERT_EQ(rows.size(), 4u);

    // One pair: means and counts, no Pearson, no Spearman. Sign N = 1:
    // Z = (1 - 0.5 - 0.5) / 0.5 = 0, P = 1. Wilcoxon N = 1: T = 0 (the
    // negative sum), mean 0.5, sd sqrt(6/24) = 0.5, Z = -1.
    const TableRow& one = rows[0];
    EXPECT_TRUE(one.at("Grp").isNull());
    EXPECT_EQ(num(one, "Count_of_Y"), 1);
    EXPECT_EQ(num(one, "Mean"), 4);
    EXPECT_EQ(num(one, "MeanY"), 2);
    EXPECT_EQ(num(one, "Count>Y"), 1);
    EXPECT_TRUE(isNull(one, "Pearson's_R"));
    EXPECT_EQ(num(one, "SignZ"), 0);
    EXPECT_REL(num(one, "SignProb"), 1, 1e-15);
    EXPECT_EQ(num(one, "Wilcoxon_Pos_SumRank"), 1);
    EXPECT_EQ(num(one, "Wilcoxon_Neg_SumRank"), 0);
    EXPECT_TRUE(isNull(one, "Wilcoxon_Neg_MeanRank"));
    EXPECT_EQ(num(one, "Wilcoxon_Pos_MeanRank"), 1);
    EXPECT_REL(num(one, "Wilcoxon_Z"), -1, 1e-15);
    EXPECT_REL(num(one, "Wilcoxon_Prob"), 0.31731050786291410283, 1e-13);
    for (const char* c : {"TiedGroups_X", "TiedGroups_Y", "Spearman", "Spearman_t", "Spearman_Prob",
                          "Spearman_(ties)", "Spearman_t_(ties)", "Spearman_Prob_(ties)"})
        EXPECT_TRUE(isNull(one, c)) << c;

    // Every pair equal: Count=Y holds the total, the sign test has nothing
    // to count, Wilcoxon's sums are 0 and its Z Null; perfect agreement gives
    // rho 1 and no t; without ties the (ties) columns stay Null.
    const TableRow& a = rows[1];
    EXPECT_EQ(num(a, "Count=Y"), 3);
    EXPECT_EQ(num(a, "Count<Y"), 0);
    EXPECT_EQ(num(a, "Count>Y"), 0);
    EXPECT_DOUBLE_EQ(num(a, "Pearson's_R"), 1);
    EXPECT_TRUE(isNull(a, "SignZ"));
    EXPECT_TRUE(isNull(a, "SignProb"));
    EXPECT_EQ(num(a, "Wilcoxon_Neg_SumRank"), 0);
    EXPECT_EQ(num(a, "Wilcoxon_Pos_SumRank"), 0);
    for (const char* c : {"Wilcoxon_Neg_MeanRank", "Wilcoxon_Pos_MeanRank", "Wilcoxon_Z",
                          "Wilcoxon_Prob", "Spearman_t", "Spearman_Prob", "Spearman_(ties)",
                          "Spearman_t_(ties)", "Spearman_Prob_(ties)"})
        EXPECT_TRUE(isNull(a, c)) << c;
    EXPECT_EQ(num(a, "Spearman"), 1);
    EXPECT_EQ(num(a, "TiedGroups_X"), 0);
    EXPECT_EQ(num(a, "TiedGroups_Y"), 0);

    // X all tied at 3 against Y 1 2 4: no Pearson (X does not vary); X ranks
    // 2 2 2, Y ranks 1 2 3, D = 2, rho = 1 - 12/24 = 1/2, t = 1/sqrt 3 with
    // 1 degree of freedom, P = 1 - (2/pi) atan(t) = 2/3. Sx = 0: no (ties)
    // figures. d = +2 +1 -1: |d| 1 1 (mean 1.5) | 2 (3): W+ 4.5, W- 1.5,
    // T = 1.5, mean 3, sd sqrt 3.5.
    const TableRow& b = rows[2];
    EXPECT_TRUE(isNull(b, "Pearson's_R"));
    EXPECT_EQ(num(b, "Count>Y"), 2);
    EXPECT_EQ(num(b, "Count<Y"), 1);
    EXPECT_EQ(num(b, "TiedGroups_X"), 1);
    EXPECT_EQ(num(b, "TiedGroups_Y"), 0);
    EXPECT_DOUBLE_EQ(num(b, "Spearman"), 0.5);
    EXPECT_REL(num(b, "Spearman_t"), 1 / std::sqrt(3.0), 1e-14);
    EXPECT_REL(num(b, "Spearman_Prob"), 2.0 / 3, 1e-13);
    EXPECT_TRUE(isNull(b, "Spearman_(ties)"));
    EXPECT_EQ(num(b, "Wilcoxon_Pos_SumRank"), 4.5);
    EXPECT_EQ(num(b, "Wilcoxon_Neg_SumRank"), 1.5);
    EXPECT_REL(num(b, "Wilcoxon_Z"), -1.5 / std::sqrt(3.5), 1e-14);
    EXPECT_REL(num(b, "Wilcoxon_Prob"), 0.42267807417063538500, 1e-13);

    // No usable pair: both records missing, nothing but the counts of pairs.
    const TableRow& c = rows[3];
    EXPECT_EQ(num(c, "Count_of_Y"), 0);
    EXPECT_EQ(num(c, "Missing"), 2);
    for (const char* col :
         {"Mean", "MeanY", "MeanDiff", "Count<Y", "Count=Y", "Count>Y", "Pearson's_R", "SignZ",
          "SignProb", "Wilcoxon_Z", "Spearman", "TiedGroups_X"})
        EXPECT_TRUE(isNull(c, col)) << col;
    EXPECT_EQ(num(c, "Wilcoxon_Neg_SumRank"), 0);
}

TEST_F(PairedTest, DifferencesThatReadTheSameAreTied) {
    // 0.3 - 0.1 is 0.19999999999999998 in doubles, 0.5 - 0.3 is 0.2: both
    // read 0.2 and tie, so the three |d| take the mean rank 2 (untied they
    // would rank 1.5, 1.5, 3).
    addRows({{"g", 0.3, {}, 0.1, {}}, {"g", 0.1, {}, 0.3, {}}, {"g", 0.5, {}, 0.3, {}}});
    ASSERT_TRUE(run(paired({{"X1", "X"}, {"Y", "Y"}}))) << engine.ErrorInfo();
    auto rows = out("[DataField]");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(num(rows[0], "Wilcoxon_Pos_SumRank"), 4);
    EXPECT_EQ(num(rows[0], "Wilcoxon_Neg_SumRank"), 2);
}

TEST_F(PairedTest, SeveralFieldsMissingValuesAndATinyBudget) {
    // Group a: the eight pairs in X1; X2 equal to Y but missing in two
    // records; a record without Y counts as missing for both fields, a
    // record of weight 0 adds nothing. Group b: the eight pairs again.
    std::vector<PairRow> rows = eightPairs("a");
    for (size_t i = 0; i < rows.size(); ++i) {
        if (i != 2 && i != 5) rows[i].x2 = rows[i].y;
        rows[i].w = 1.0;
    }
    rows.push_back({"a", 1.0, 1.0, {}, 1.0});
    rows.push_back({"a", 100.0, 1.0, 3.0, 0.0});
    for (PairRow r : eightPairs("B")) {
        r.w = 1.0;
        rows.push_back(r);
    }
    addRows(rows);
    for (std::size_t budget : {SortBudget::kDefaultBytes, std::size_t{300}}) {
        SCOPED_TRACE("budget " + std::to_string(budget));
        engine.SetSortMemoryBudget(budget);
        ASSERT_TRUE(run(paired({{"Grp", "G"}, {"X1", "X"}, {"X2", "X"}, {"Y", "Y"}, {"W", "W"}})))
            << engine.ErrorInfo();
        auto out = tableRows("Out1", "[Grp], [DataField]");
        ASSERT_EQ(out.size(), 4u);
        for (size_t i : {0u, 2u}) {
            const TableRow& r = out[i];
            EXPECT_EQ(r.at("Observations").asDouble(), 8);
            // a has ten records: the one without Y and the weight-0 one miss.
            EXPECT_EQ(r.at("Missing").asDouble(), i == 0 ? 2 : 0);
            TableRow unweighted = r;
            unweighted["Missing"] = Value::int32(0);
            expectEightPairs(unweighted);
        }
        // X2 = Y in six records: all equal, rho 1, no Wilcoxon Z.
        const TableRow& x2 = out[1];
        EXPECT_EQ(num(x2, "Count_of_Y"), 6);
        EXPECT_EQ(num(x2, "Missing"), 4);
        EXPECT_EQ(num(x2, "Count=Y"), 6);
        EXPECT_TRUE(isNull(x2, "Wilcoxon_Z"));
        EXPECT_EQ(num(x2, "Spearman"), 1);
    }
}

TEST_F(PairedTest, Messages) {
    addRows(eightPairs("g"));
    EXPECT_FALSE(run(paired({{"X1", "X"}})));
    EXPECT_EQ(engine.ErrorInfo(), "Y Field not assigned");
    // A group field named like an output column makes the table impossible.
    TableDef t = db.CreateTableDef("Clash");
    for (Field f : {Field("Mean", dbDouble), Field("A", dbDouble), Field("B", dbDouble)})
        t.AppendField(f);
    ASSERT_FALSE(db.AppendTableDef(t));
    ASSERT_EQ(rawExec(path, "INSERT INTO Clash VALUES (1, 2, 3);"), "");
    ScenarioRow s;
    s.category = "N";
    s.subtype = "Paired Fields";
    s.input = "Clash";
    s.fields = {{"Mean", "G"}, {"A", "X"}, {"B", "Y"}};
    EXPECT_FALSE(run(addScenario(s)));
    EXPECT_EQ(engine.ErrorInfo(),
              "The output table cannot have two columns named [Mean]: rename the field or leave "
              "it out.");
}

}  // namespace
}  // namespace qrv::test
