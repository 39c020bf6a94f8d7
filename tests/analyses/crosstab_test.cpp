// The crosstab end to end through RunScenario: the column layout, every cell
// statistic, the share and expected-value rows, the totals rows, the
// chi-square table, weights, outer row groups, the Null column, the walk
// order and the dispatch's messages. Expected numbers are worked by hand or
// with python3 fractions (said at each case); the chi-square test is checked
// against a published textbook table.
#include <cmath>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "analyses/parametric/crosstab_cells.h"
#include "engine/engine_fixture.h"

namespace qrv::test {
namespace {

using namespace qrv::dao;

struct Sale {
    Value region, shop, kind, amount, w;
};

// The rows of an output table in the order written, read by column name.
struct Rows {
    std::vector<std::string> columns;
    std::vector<std::vector<Value>> rows;

    Value at(size_t r, const std::string& column) const {
        for (size_t c = 0; c < columns.size(); ++c)
            if (columns[c] == column) return rows.at(r)[c];
        ADD_FAILURE() << "no column " << column;
        return {};
    }
};

class CrosstabTest : public EngineTest {
  protected:
    void SetUp() override {
        EngineTest::SetUp();
        TableDef t = db.CreateTableDef("Sales");
        for (Field f : {Field("Region", dbText, 10), Field("Shop", dbText, 10),
                        Field("Kind", dbText, 20), Field("Amount", dbDouble), Field("W", dbDouble)})
            t.AppendField(f);
        ASSERT_FALSE(db.AppendTableDef(t));
    }
    void add(const std::vector<Sale>& sales) {
        auto rs = db.OpenRecordset("Sales");
        ASSERT_TRUE(rs.ok());
        ASSERT_FALSE(db.BeginTrans());
        for (const Sale& s : sales) {
            ASSERT_FALSE(rs->AddNew());
            rs->Collect("Region", s.region);
            rs->Collect("Shop", s.shop);
            rs->Collect("Kind", s.kind);
            rs->Collect("Amount", s.amount);
            rs->Collect("W", s.w);
            ASSERT_FALSE(rs->Update());
        }
        ASSERT_FALSE(db.CommitTrans());
    }
    // A crosstab scenario over Sales; options as column -> value.
    std::int32_t crosstab(std::vector<std::pair<std::string, std::string>> fields,
                          std::vector<std::pair<std::string, Value>> options,
                          const std::string& chiTable = "") {
        ScenarioRow s;
        s.subtype = "Crosstab";
        s.input = "Sales";
        s.output2 = chiTable;
        s.fields = std::move(fields);
        const auto id = addScenario(s);
        if (!options.empty()) setOptions(id, std::move(options));
        return id;
    }
    Rows read(const std::string& table) {
        Rows r;
        r.columns = tableColumns(table);
        r.rows = tableValues(table);
        return r;
    }
    // One written row: DataType, RowSummary and the cells of the named
    // columns, Null written as nullopt.
    void expectRow(const Rows& out, size_t r, const std::string& dataType,
                   std::optional<double> summary, const std::vector<std::string>& columns,
                   const std::vector<std::optional<double>>& cells, double tol = 1e-13) {
        SCOPED_TRACE("row " + std::to_string(r) + " (" + dataType + ")");
        ASSERT_LT(r, out.rows.size());
        EXPECT_EQ(out.at(r, "DataType").toText(), dataType);
        auto check = [&](const std::string& column, std::optional<double> want) {
            const Value got = out.at(r, column);
            if (!want) {
                EXPECT_TRUE(got.isNull()) << column << " = " << got.toText();
                return;
            }
            ASSERT_FALSE(got.isNull()) << column << " is Null";
            EXPECT_NEAR(got.asDouble(), *want, tol * std::max(1.0, std::fabs(*want))) << column;
        };
        check("RowSummary", summary);
        for (size_t c = 0; c < columns.size(); ++c) check(columns[c], cells[c]);
    }
};

// Shop a: p twice, q once; shop b: p once, q three times.
std::vector<Sale> smallCounts() {
    std::vector<Sale> s;
    for (auto [shop, kind] : {std::pair{"a", "p"},
                              {"b", "q"},
                              {"a", "q"},
                              {"b", "q"},
                              {"a", "p"},
                              {"b", "p"},
                              {"b", "q"}})
        s.push_back({"x", shop, kind, 1.0, {}});
    return s;
}

TEST_F(CrosstabTest, CountsWithEveryShareRowTotalsAndTheTest) {
    add(smallCounts());
    const auto id = crosstab({{"Shop", "G"}, {"Kind", "C"}},
                             {{"XType", "C"},
                              {"XRowPCnt", true},
                              {"XColPcnt", true},
                              {"xTotPcnt", true},
                              {"xExpectPcnt", true},
                              {"xExpect", true},
                              {"xChi", true}},
                             "Chi");
    ASSERT_TRUE(run(id)) << engine.ErrorInfo();
    const Rows out = read("Out1");
    EXPECT_EQ(out.columns,
              (std::vector<std::string>{"DataField", "Shop", "DataType", "RowSummary", "p", "q"}));
    ASSERT_EQ(out.rows.size(), 14u);
    const std::vector<std::string> pq = {"p", "q"};
    // Worked by hand: row totals 3 and 4, column totals 3 and 4, grand total 7.
    EXPECT_EQ(out.at(0, "DataField").toText(), "-");
    EXPECT_EQ(out.at(0, "Shop").toText(), "a");
    expectRow(out, 0, "Count", 3, pq, {2, 1});
    expectRow(out, 1, "% Row", 1, pq, {2.0 / 3, 1.0 / 3});
    expectRow(out, 2, "% Col", 3.0 / 7, pq, {2.0 / 3, 1.0 / 4});
    expectRow(out, 3, "% Total", 3.0 / 7, pq, {2.0 / 7, 1.0 / 7});
    expectRow(out, 4, "% Expected", 3.0 / 7, pq, {9.0 / 49, 12.0 / 49});
    expectRow(out, 5, "Expected", 3, pq, {9.0 / 7, 12.0 / 7});
    EXPECT_EQ(out.at(6, "Shop").toText(), "b");
    expectRow(out, 6, "Count", 4, pq, {1, 3});
    expectRow(out, 7, "% Row", 1, pq, {1.0 / 4, 3.0 / 4});
    expectRow(out, 8, "% Col", 4.0 / 7, pq, {1.0 / 3, 3.0 / 4});
    expectRow(out, 9, "% Total", 4.0 / 7, pq, {1.0 / 7, 3.0 / 7});
    expectRow(out, 10, "% Expected", 4.0 / 7, pq, {12.0 / 49, 16.0 / 49});
    expectRow(out, 11, "Expected", 4, pq, {12.0 / 7, 16.0 / 7});
    // Counts have no separate count row.
    expectRow(out, 12, "GROUP Total", 7, pq, {3, 4});
    EXPECT_TRUE(out.at(12, "Shop").isNull());
    expectRow(out, 13, "GROUP Count", 7, pq, {3, 4});

    const auto chi = tableRows("Chi");
    ASSERT_EQ(chi.size(), 1u);
    const auto& c = chi[0];
    // python3 fractions: X = 175/144; P(chi2(1) > X) = erfc(sqrt(X / 2)).
    const double X = 175.0 / 144;
    EXPECT_EQ(c.at("DataField").toText(), "-");
    EXPECT_DOUBLE_EQ(c.at("Count").asDouble(), 7);
    EXPECT_DOUBLE_EQ(c.at("MinExpected").asDouble(), 9.0 / 7);
    EXPECT_DOUBLE_EQ(c.at("MaxExpected").asDouble(), 16.0 / 7);
    EXPECT_EQ(c.at("Columns").asDouble(), 2);
    EXPECT_EQ(c.at("Rows").asDouble(), 2);
    EXPECT_EQ(c.at("DF").asDouble(), 1);
    EXPECT_NEAR(c.at("Chi-Square").asDouble(), X, 1e-14);
    EXPECT_NEAR(c.at("Prob").asDouble(), 0.2702893848016987, 1e-14);
    EXPECT_NEAR(c.at("Phi-Coefficient").asDouble(), std::sqrt(X / 7), 1e-14);
    EXPECT_NEAR(c.at("Coeff_of_Contingency").asDouble(), std::sqrt(X / (X + 7)), 1e-14);
    EXPECT_NEAR(c.at("Cramer's_V").asDouble(), std::sqrt(X / 7), 1e-14);
    EXPECT_EQ(tableColumns("Chi"),
              (std::vector<std::string>{"DataField", "Count", "MinExpected", "MaxExpected",
                                        "Columns", "Rows", "DF", "Chi-Square", "Prob",
                                        "Phi-Coefficient", "Coeff_of_Contingency", "Cramer's_V"}));
}

// Agresti, An Introduction to Categorical Data Analysis (2nd ed.), Table 2.5:
// party identification by gender, Pearson X2 = 30.07 with df = 2.
const int kParty[2][3] = {{762, 327, 468}, {484, 239, 477}};
const char* const kGender[2] = {"Female", "Male"};
const char* const kPartyName[3] = {"Democrat", "Independent", "Republican"};

void expectPartyTest(const std::map<std::string, Value>& c) {
    // python3 fractions on the table: X2 = 30.070149095754672; for df = 2
    // the upper tail is exp(-X2 / 2) exactly. Expected counts 566*1200/2757
    // and 1246*1557/2757.
    const double X = 30.070149095754672;
    EXPECT_DOUBLE_EQ(c.at("Count").asDouble(), 2757);
    EXPECT_NEAR(c.at("Chi-Square").asDouble(), X, 1e-12);
    EXPECT_NEAR(c.at("Chi-Square").asDouble(), 30.07, 0.005);  // as published
    EXPECT_NEAR(c.at("Prob").asDouble(), std::exp(-X / 2), 1e-19);
    EXPECT_EQ(c.at("DF").asDouble(), 2);
    EXPECT_EQ(c.at("Rows").asDouble(), 2);
    EXPECT_EQ(c.at("Columns").asDouble(), 3);
    EXPECT_NEAR(c.at("MinExpected").asDouble(), 566.0 * 1200 / 2757, 1e-11);
    EXPECT_NEAR(c.at("MaxExpected").asDouble(), 1246.0 * 1557 / 2757, 1e-11);
    EXPECT_NEAR(c.at("Phi-Coefficient").asDouble(), std::sqrt(X / 2757), 1e-15);
    EXPECT_NEAR(c.at("Coeff_of_Contingency").asDouble(), std::sqrt(X / (X + 2757)), 1e-15);
    // min(2, 3) - 1 = 1: Cramer's V equals phi.
    EXPECT_NEAR(c.at("Cramer's_V").asDouble(), std::sqrt(X / 2757), 1e-15);
}

TEST_F(CrosstabTest, TextbookChiSquareWeightedAndRepeatedAgree) {
    std::vector<Sale> weighted;
    for (int g = 0; g < 2; ++g)
        for (int p = 0; p < 3; ++p)
            weighted.push_back({"w", kGender[g], kPartyName[p], 1.0, double(kParty[g][p])});
    add(weighted);
    std::vector<Sale> repeated;
    for (int g = 0; g < 2; ++g)
        for (int p = 0; p < 3; ++p)
            for (int i = 0; i < kParty[g][p]; ++i)
                repeated.push_back({"r", kGender[g], kPartyName[p], 1.0, 1.0});
    add(repeated);
    // Region splits the two copies into two tables.
    const auto id =
        crosstab({{"Region", "G"}, {"Shop", "G"}, {"Kind", "C"}, {"Amount", "X"}, {"W", "W"}},
                 {{"XType", "C"}, {"xChi", true}}, "Chi");
    ASSERT_TRUE(run(id)) << engine.ErrorInfo();
    const auto chi = tableRows("Chi", "[Region]");
    ASSERT_EQ(chi.size(), 2u);
    for (const auto& c : chi) {
        SCOPED_TRACE(c.at("Region").toText());
        EXPECT_EQ(c.at("DataField").toText(), "Amount");
        expectPartyTest(c);
    }
    const Rows out = read("Out1");
    EXPECT_EQ(out.columns,
              (std::vector<std::string>{"Region", "DataField", "Shop", "DataType", "RowSummary",
                                        "Democrat", "Independent", "Republican"}));
    // Per region: Female, Male, GROUP Total, GROUP Count; both regions alike.
    ASSERT_EQ(out.rows.size(), 8u);
    const std::vector<std::string> parties = {"Democrat", "Independent", "Republican"};
    for (size_t base : {size_t{0}, size_t{4}}) {
        expectRow(out, base, "Count", 1557, parties, {762, 327, 468});
        expectRow(out, base + 1, "Count", 1200, parties, {484, 239, 477});
        expectRow(out, base + 2, "GROUP Total", 2757, parties, {1246, 566, 945});
        expectRow(out, base + 3, "GROUP Count", 2757, parties, {1246, 566, 945});
    }
    EXPECT_EQ(out.at(0, "Region").toText(), "r");
    EXPECT_EQ(out.at(4, "Region").toText(), "w");
}

// Shop a: p gets 4, 2, 9, 2 in this order and q gets 7; shop b: p gets a
// Null and 5, q only a Null.
std::vector<Sale> valueSales() {
    return {{"x", "a", "p", 4.0, {}}, {"x", "b", "p", Value(), {}}, {"x", "a", "p", 2.0, {}},
            {"x", "a", "q", 7.0, {}}, {"x", "a", "p", 9.0, {}},     {"x", "b", "q", Value(), {}},
            {"x", "b", "p", 5.0, {}}, {"x", "a", "p", 2.0, {}}};
}

TEST_F(CrosstabTest, EveryCellStatistic) {
    add(valueSales());
    using O = std::optional<double>;
    const O none;
    struct Case {
        const char* type;
        const char* label;
        O ap, aq, bp, rowA, rowB, colP, colQ, all;
    };
    // python3 fractions: cell a/p holds 4, 2, 9, 2 (mean 17/4, variance
    // 131/12); row a adds 7 (variance 97/10); column p adds 5 to a/p
    // (variance 83/10); all values 4, 2, 9, 2, 7, 5 (variance 233/30).
    const double v_ap = 131.0 / 12, v_a = 9.7, v_p = 8.3, v_all = 233.0 / 30;
    const std::vector<Case> cases = {
        {"C", "Count", 4, 1, 1, 5, 1, 5, 1, 6},
        {"S", "Sum", 17, 7, 5, 24, 5, 22, 7, 29},
        {"A", "Average", 4.25, 7, 5, 4.8, 5, 4.4, 7, 29.0 / 6},
        {"M", "Min", 2, 7, 5, 2, 5, 2, 7, 2},
        {"X", "Max", 9, 7, 5, 9, 5, 9, 7, 9},
        {"R", "Range", 7, 0, 0, 7, 0, 7, 0, 7},
        {"V", "Var", v_ap, none, none, v_a, none, v_p, none, v_all},
        {"D", "StDev", std::sqrt(v_ap), none, none, std::sqrt(v_a), none, std::sqrt(v_p), none,
         std::sqrt(v_all)},
        {"E", "StError", std::sqrt(v_ap / 4), none, none, std::sqrt(v_a / 5), none,
         std::sqrt(v_p / 5), none, std::sqrt(v_all / 6)},
        {"F", "CoefVar", std::sqrt(v_ap) / 4.25, none, none, std::sqrt(v_a) / 4.8, none,
         std::sqrt(v_p) / 4.4, none, std::sqrt(v_all) / (29.0 / 6)},
        {"U", "UniqueCount", 3, 1, 1, 4, 1, 4, 1, 5},
        // 2 is the only value seen twice.
        {"O", "Mode", 2, 7, 5, 2, 5, 2, 7, 2},
        // Within a row in the order the rows were added; a column's rows
        // read top to bottom (shop a, then b).
        {"1", "First", 4, 7, 5, 4, 5, 4, 7, 4},
        {"L", "Last", 2, 7, 5, 2, 5, 5, 7, 5},
    };
    const std::vector<std::string> pq = {"p", "q"};
    for (bool hashed : {true, false}) {
        engine.SetHashedGroups(hashed);
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string("type ") + c.type + (hashed ? " hashed" : " sorted"));
            const auto id = crosstab({{"Shop", "G"}, {"Kind", "C"}, {"Amount", "X"}},
                                     {{"XType", std::string(c.type)}});
            ASSERT_TRUE(run(id)) << engine.ErrorInfo();
            const Rows out = read("Out1");
            const bool counted = std::string(c.type) == "C";
            ASSERT_EQ(out.rows.size(), counted ? 4u : 5u);
            EXPECT_EQ(out.at(0, "DataField").toText(), "Amount");
            expectRow(out, 0, c.label, c.rowA, pq, {c.ap, c.aq});
            // Shop b's q cell has no usable value.
            expectRow(out, 1, c.label, c.rowB, pq, {c.bp, none});
            // The totals row adds the cells' values of each column.
            const O totalP = c.ap && c.bp ? O(*c.ap + *c.bp) : c.ap ? c.ap : c.bp;
            const O totalQ = c.aq;
            expectRow(out, 2, "GROUP Total",
                      totalP && totalQ ? O(*totalP + *totalQ)
                      : totalP         ? totalP
                                       : totalQ,
                      pq, {totalP, totalQ});
            if (!counted) expectRow(out, 3, "GROUP Count", 6, pq, {5, 1});
            expectRow(out, counted ? 3 : 4, std::string("GROUP ") + c.label, c.all, pq,
                      {c.colP, c.colQ});
        }
    }
}

TEST_F(CrosstabTest, SumsWithExpectedValuesAndTest) {
    // Sums a/p 6, a/q 2, b/p 2, b/q 6: row totals 8 and 8, grand total 16,
    // every expected sum 8 * 8 / 16 = 4; X = 4 * (2^2 / 4) = 4 by hand.
    add({{"x", "a", "p", 6.0, {}},
         {"x", "a", "q", 2.0, {}},
         {"x", "b", "p", 2.0, {}},
         {"x", "b", "q", 6.0, {}}});
    const auto id = crosstab({{"Shop", "G"}, {"Kind", "C"}, {"Amount", "X"}},
                             {{"XType", "S"}, {"xExpect", true}, {"xChi", true}}, "Chi");
    ASSERT_TRUE(run(id)) << engine.ErrorInfo();
    const Rows out = read("Out1");
    const std::vector<std::string> pq = {"p", "q"};
    ASSERT_EQ(out.rows.size(), 7u);
    expectRow(out, 0, "Sum", 8, pq, {6, 2});
    expectRow(out, 1, "Expected", 8, pq, {4, 4});
    expectRow(out, 2, "Sum", 8, pq, {2, 6});
    expectRow(out, 3, "Expected", 8, pq, {4, 4});
    expectRow(out, 4, "GROUP Total", 16, pq, {8, 8});
    expectRow(out, 5, "GROUP Count", 4, pq, {2, 2});
    expectRow(out, 6, "GROUP Sum", 16, pq, {8, 8});
    const auto chi = tableRows("Chi");
    ASSERT_EQ(chi.size(), 1u);
    EXPECT_DOUBLE_EQ(chi[0].at("Count").asDouble(), 16);
    EXPECT_DOUBLE_EQ(chi[0].at("Chi-Square").asDouble(), 4);
    // P(chi2(1) > 4) = erfc(sqrt(2)) (python3 mpmath).
    EXPECT_NEAR(chi[0].at("Prob").asDouble(), 0.04550026389635842, 1e-15);
}

TEST_F(CrosstabTest, ATableOfOneRowOrOneColumnHasNoDegreesOfFreedom) {
    // Every expected count equals its observed count, so X = 0; DF =
    // (columns - 1)(rows - 1) = 0, and the chi-square probability at DF 0 is
    // 0 (by definition of the distribution routine, not a tail of X).
    struct Case {
        const char* name;
        std::vector<Sale> sales;
        double count, rows, columns;
    };
    const Case cases[] = {
        {"one column",
         {{"x", "a", "p", 1.0, {}}, {"x", "b", "p", 1.0, {}}, {"x", "b", "p", 1.0, {}}},
         3,
         2,
         1},
        {"one row", {{"x", "a", "p", 1.0, {}}, {"x", "a", "q", 1.0, {}}}, 2, 1, 2},
        {"one cell", {{"x", "a", "p", 1.0, {}}}, 1, 1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(db.Execute("DELETE FROM [Sales]").ok());
        add(c.sales);
        const auto id = crosstab({{"Shop", "G"}, {"Kind", "C"}}, {{"xChi", true}}, "Chi");
        ASSERT_TRUE(run(id)) << engine.ErrorInfo();
        const auto chi = tableRows("Chi");
        ASSERT_EQ(chi.size(), 1u);
        EXPECT_EQ(chi[0].at("Count").asDouble(), c.count);
        EXPECT_EQ(chi[0].at("Rows").asDouble(), c.rows);
        EXPECT_EQ(chi[0].at("Columns").asDouble(), c.columns);
        EXPECT_EQ(chi[0].at("DF").asDouble(), 0);
        EXPECT_EQ(chi[0].at("Chi-Square").asDouble(), 0);
        ASSERT_FALSE(chi[0].at("Prob").isNull());
        EXPECT_EQ(chi[0].at("Prob").asDouble(), 0);
    }
}

TEST_F(CrosstabTest, AveragesGetOnlyTheShareRowsAndNoTest) {
    add(valueSales());
    const auto id = crosstab({{"Shop", "G"}, {"Kind", "C"}, {"Amount", "X"}},
                             {{"XType", "A"},
                              {"XRowPCnt", true},
                              {"XColPcnt", true},
                              {"xTotPcnt", true},
                              {"xExpectPcnt", true},
                              {"xExpect", true},
                              {"xChi", true}},
                             "Chi");
    ASSERT_TRUE(run(id)) << engine.ErrorInfo();
    const Rows out = read("Out1");
    std::vector<std::string> types;
    for (size_t r = 0; r < out.rows.size(); ++r) types.push_back(out.at(r, "DataType").toText());
    EXPECT_EQ(types, (std::vector<std::string>{"Average", "% Row", "% Col", "% Total", "Average",
                                               "% Row", "% Col", "% Total", "GROUP Total",
                                               "GROUP Count", "GROUP Average"}));
    // Shares of the cell values: a's cells 4.25 and 7 (total 11.25), b's p
    // cell 5; column p 9.25, q 7; grand 16.25.
    const std::vector<std::string> pq = {"p", "q"};
    expectRow(out, 1, "% Row", 1, pq, {4.25 / 11.25, 7 / 11.25});
    expectRow(out, 2, "% Col", 11.25 / 16.25, pq, {4.25 / 9.25, 1});
    expectRow(out, 6, "% Col", 5 / 16.25, pq, {5 / 9.25, std::nullopt});
    EXPECT_FALSE(db.GetTableDef("Chi").ok());
}

TEST_F(CrosstabTest, ZeroTotalsLeaveSharesNull) {
    // Row a sums to 0 and column q sums to 0 (hand-worked).
    add({{"x", "a", "p", 3.0, {}},
         {"x", "a", "q", -3.0, {}},
         {"x", "b", "p", 4.0, {}},
         {"x", "b", "q", 3.0, {}}});
    const auto id = crosstab({{"Shop", "G"}, {"Kind", "C"}, {"Amount", "X"}},
                             {{"XType", "S"}, {"XRowPCnt", true}, {"XColPcnt", true}});
    ASSERT_TRUE(run(id)) << engine.ErrorInfo();
    const Rows out = read("Out1");
    const std::vector<std::string> pq = {"p", "q"};
    expectRow(out, 1, "% Row", std::nullopt, pq, {std::nullopt, std::nullopt});
    expectRow(out, 2, "% Col", 0, pq, {3.0 / 7, std::nullopt});
    expectRow(out, 4, "% Row", 1, pq, {4.0 / 7, 3.0 / 7});
    expectRow(out, 5, "% Col", 1, pq, {4.0 / 7, std::nullopt});
}

TEST_F(CrosstabTest, NullColumnComesFirstAndWalksAgree) {
    add({{"n", "a", Value(), 1.0, {}},
         {"s", "b", "q", 1.0, {}},
         {"n", "a", "p", 1.0, {}},
         {"s", "A", "p", 1.0, {}},
         {"n", "b", "  ", 1.0, {}},
         {"s", "b", "Q", 1.0, {}},
         {"n", "a", "p ", 1.0, {}},
         {"s", "a", "p", 1.0, {}},
         {"N", "b", "q", 1.0, {}}});
    const auto id = crosstab({{"Region", "G"}, {"Shop", "G"}, {"Kind", "C"}}, {{"XType", "C"}});
    ASSERT_TRUE(run(id)) << engine.ErrorInfo();
    const Rows hashed = read("Out1");
    // Blank and Null share the Null column; "p " is "p"; "q" and "Q" share
    // a column spelt "Q", the smaller by bytes, whichever row comes first.
    EXPECT_EQ(hashed.columns, (std::vector<std::string>{"Region", "DataField", "Shop", "DataType",
                                                        "RowSummary", "<NULL>", "p", "Q"}));
    const std::vector<std::string> cols = {"<NULL>", "p", "Q"};
    // Region n (and N): a (Null, p, p), b (blank, q); region s: A and a as one row (p,
    // p) spelt as the sorted rows meet it first, b (q, Q). Hand-counted.
    ASSERT_EQ(hashed.rows.size(), 8u);
    expectRow(hashed, 0, "Count", 3, cols, {1, 2, std::nullopt});
    expectRow(hashed, 1, "Count", 2, cols, {1, std::nullopt, 1});
    expectRow(hashed, 2, "GROUP Total", 5, cols, {2, 2, 1});
    expectRow(hashed, 3, "GROUP Count", 5, cols, {2, 2, 1});
    expectRow(hashed, 4, "Count", 2, cols, {std::nullopt, 2, std::nullopt});
    expectRow(hashed, 5, "Count", 2, cols, {std::nullopt, std::nullopt, 2});
    EXPECT_EQ(hashed.at(4, "Shop").toText(), "A");
    EXPECT_EQ(hashed.at(5, "Region").toText(), "s");
    EXPECT_EQ(hashed.at(5, "Shop").toText(), "b");
    engine.SetHashedGroups(false);
    ASSERT_TRUE(run(id)) << engine.ErrorInfo();
    EXPECT_EQ(read("Out1").rows, hashed.rows);
}

TEST_F(CrosstabTest, WeightsAndTheIgnoreRule) {
    // Weights 2 and 3 on a/p values 1 and 6; a zero weight and the ignored
    // value -1 count nowhere. By hand: N = 5, SumX = 20, SumX2 = 110, mean 4,
    // variance (5 * 110 - 20^2) / (5 * 4) = 15/2, as for 1, 1, 6, 6, 6.
    add({{"x", "a", "p", 1.0, 2.0},
         {"x", "a", "p", 6.0, 3.0},
         {"x", "a", "p", 100.0, 0.0},
         {"x", "a", "p", -1.0, 1.0}});
    ScenarioRow s;
    s.subtype = "Crosstab";
    s.input = "Sales";
    s.missingType = "1";
    s.missingEqual = -1.0;
    s.fields = {{"Shop", "G"}, {"Kind", "C"}, {"Amount", "X"}, {"W", "W"}};
    const auto id = addScenario(s);
    const std::vector<std::string> p = {"p"};
    for (auto [type, want] : {std::pair{"C", 5.0}, {"S", 20.0}, {"A", 4.0}, {"V", 7.5}}) {
        setOptions(id, {{"XType", std::string(type)}});
        ASSERT_TRUE(run(id)) << engine.ErrorInfo();
        const Rows out = read("Out1");
        expectRow(out, 0, out.at(0, "DataType").toText(), want, p, {want});
    }
}

TEST_F(CrosstabTest, FirstAndLastFollowTheInputOrderInManyRows) {
    // Rows of two shops interleaved, and of two kinds within each; many rows
    // tie on the sort keys, so the order within a cell is the input's.
    std::vector<Sale> sales;
    for (int i = 0; i < 5000; ++i)
        sales.push_back(
            {"x", i % 2 ? "b" : "a", i % 3 ? "q" : "p", double((i * 7919) % 10007), {}});
    add(sales);
    // By hand from the loop: cell a/p holds i = 0, 6, ..., 4998; a/q the
    // other even i from 2 to 4996; b/p 3, 9, ..., 4995; b/q 1 to 4999.
    auto valueAt = [](int i) { return double((i * 7919) % 10007); };
    const std::vector<std::string> pq = {"p", "q"};
    for (auto [type, a, b] :
         {std::tuple{"1", std::pair{valueAt(0), valueAt(2)}, std::pair{valueAt(3), valueAt(1)}},
          {"L", {valueAt(4998), valueAt(4996)}, {valueAt(4995), valueAt(4999)}}}) {
        SCOPED_TRACE(type);
        ASSERT_TRUE(run(crosstab({{"Shop", "G"}, {"Kind", "C"}, {"Amount", "X"}},
                                 {{"XType", std::string(type)}})))
            << engine.ErrorInfo();
        const Rows out = read("Out1");
        const bool first = std::string(type) == "1";
        expectRow(out, 0, out.at(0, "DataType").toText(), first ? valueAt(0) : valueAt(4998), pq,
                  {a.first, a.second});
        expectRow(out, 1, out.at(1, "DataType").toText(), first ? valueAt(1) : valueAt(4999), pq,
                  {b.first, b.second});
    }
}

TEST_F(CrosstabTest, NumericRowsInOrderAndEqualValuesWithoutSpread) {
    // The fixture's Data table: X numeric rows, Grp the columns, Y values,
    // W weights; counting records ("*") with weights.
    addRow("g", 10.0, 0.1, 1.0);
    addRow("g", 9.0, 0.1, 2.0);
    addRow("h", 2.0, 0.1, 1.0);
    addRow("g", 10.0, 0.1, 3.0);
    addRow("g", 9.0, 0.1, 0.0);  // weight 0: counts nowhere
    ScenarioRow s;
    s.subtype = "Crosstab";
    s.fields = {{"X", "G"}, {"Grp", "C"}, {"W", "W"}};
    ASSERT_TRUE(run(addScenario(s))) << engine.ErrorInfo();
    const std::vector<std::string> gh = {"g", "h"};
    const Rows counts = read("Out1");
    ASSERT_EQ(counts.rows.size(), 5u);
    // Rows by value, not by text: 2, 9, 10; weighted counts by hand.
    EXPECT_EQ(counts.at(0, "X").asDouble(), 2);
    EXPECT_EQ(counts.at(1, "X").asDouble(), 9);
    EXPECT_EQ(counts.at(2, "X").asDouble(), 10);
    expectRow(counts, 0, "Count", 1, gh, {std::nullopt, 1});
    expectRow(counts, 1, "Count", 2, gh, {2, std::nullopt});
    expectRow(counts, 2, "Count", 4, gh, {4, std::nullopt});
    EXPECT_EQ(counts.at(0, "DataField").toText(), "-");

    // Equal values that are no binary fraction still have no spread at all.
    s.fields = {{"X", "G"}, {"Grp", "C"}, {"Y", "X"}};
    const auto id = addScenario(s);
    for (auto type : {"V", "D", "E", "F"}) {
        setOptions(id, {{"XType", std::string(type)}});
        ASSERT_TRUE(run(id)) << engine.ErrorInfo();
        const Rows out = read("Out1");
        SCOPED_TRACE(type);
        EXPECT_EQ(out.at(2, "g").asDouble(), 0.0);           // row 10: two values 0.1
        EXPECT_TRUE(out.at(0, "h").isNull());                // row 2: one value
        EXPECT_EQ(out.at(5, "RowSummary").asDouble(), 0.0);  // GROUP row: all 0.1
    }
}

TEST_F(CrosstabTest, DispatchAndInputMessages) {
    add(smallCounts());
    ASSERT_FALSE(run(crosstab({{"Kind", "C"}, {"Amount", "X"}}, {})));
    EXPECT_EQ(engine.ErrorInfo(), "At least one row field must be assigned");
    ASSERT_FALSE(run(crosstab({{"Shop", "G"}, {"Amount", "X"}}, {})));
    EXPECT_EQ(engine.ErrorInfo(), "usysQuorvaneFields: Column field must be assigned.");
    ASSERT_FALSE(run(crosstab({{"Shop", "G"}, {"Kind", "C"}}, {{"XType", "Q"}})));
    EXPECT_EQ(
        engine.ErrorInfo().rfind("usysQuorvaneOptions.XType='Q': 'Q' is not a value of XType.", 0),
        0u)
        << engine.ErrorInfo();
    EXPECT_FALSE(db.GetTableDef("Out1").ok());
    // Column values are data: one that spells an existing column is refused.
    add({{"x", "a", "rowsummary", 1.0, {}}});
    ASSERT_FALSE(run(crosstab({{"Shop", "G"}, {"Kind", "C"}}, {})));
    EXPECT_EQ(engine.ErrorInfo(),
              "The column field value \"rowsummary\" clashes with the output column "
              "\"RowSummary\".");
    EXPECT_FALSE(db.GetTableDef("Out1").ok());
    // So is an innermost row field named as one of the crosstab's own columns.
    makeTable("Typed", {Field("DataType", dbText, 10), Field("Kind", dbText, 20)});
    appendRows("Typed", {"DataType", "Kind"}, {{Value("a"), Value("p")}});
    ScenarioRow typed;
    typed.subtype = "Crosstab";
    typed.input = "Typed";
    typed.fields = {{"DataType", "G"}, {"Kind", "C"}};
    ASSERT_FALSE(run(addScenario(typed)));
    EXPECT_EQ(engine.ErrorInfo(),
              "The row field [DataType] clashes with the output column \"DataType\".");
    EXPECT_FALSE(db.GetTableDef("Out1").ok());
    ASSERT_FALSE(run(crosstab({{"Shop", "G"}, {"Kindd", "C"}}, {})));
    EXPECT_EQ(engine.ErrorInfo(),
              "usysQuorvaneFields: Field 'Kindd' is not a field of [Sales].\r\nFields of Sales: "
              "Region, Shop, Kind, Amount, W");
    auto cleared = db.Execute("DELETE FROM [Sales];");
    ASSERT_TRUE(cleared.ok());
    ASSERT_FALSE(run(crosstab({{"Shop", "G"}, {"Kind", "C"}}, {})));
    EXPECT_EQ(engine.ErrorInfo(), "Column field must have at least one value");
}

// The cell arithmetic alone, worked by hand.
TEST(CrosstabCell, MergeKeepsTheOrderOfRowsAndModeNeedsASingleTop) {
    XTabCell early, late;
    early.add(3, 1, true, 2);
    early.add(8, 2, true, 5);
    late.add(1, 1, true, 1);
    late.add(9, 1, true, 4);
    // The later part's rows are numbered after the earlier part's 5 rows.
    XTabCell merged = early;
    merged.merge(late, 5);
    EXPECT_EQ(*XTabCellValue(merged, '1'), 3);
    EXPECT_EQ(*XTabCellValue(merged, 'L'), 9);
    EXPECT_EQ(*XTabCellValue(merged, 'U'), 4);
    EXPECT_EQ(*XTabCellValue(merged, 'O'), 8);  // weight 2 against 1, 1 and 1
    EXPECT_EQ(*XTabCellValue(merged, 'C'), 5);
    // Merged without a shift the rows interleave: 1 (row 1) comes first
    // and 8 (row 5) last.
    XTabCell interleaved = early;
    interleaved.merge(late);
    EXPECT_EQ(*XTabCellValue(interleaved, '1'), 1);
    EXPECT_EQ(*XTabCellValue(interleaved, 'L'), 8);
    // 3 and 1 once each: no single most frequent value.
    XTabCell tie;
    tie.add(3, 1, true, 1);
    tie.add(1, 1, true, 2);
    EXPECT_FALSE(XTabCellValue(tie, 'O'));
    EXPECT_FALSE(XTabCellValue(XTabCell(), 'C'));
    EXPECT_EQ(XTabTypeLabel('q'), nullptr);
    EXPECT_STREQ(XTabTypeLabel('E'), "StError");
}

}  // namespace
}  // namespace qrv::test
