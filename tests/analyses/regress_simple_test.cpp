// Simple regression end to end through RunScenario. Expected values were
// computed independently in exact rational arithmetic (Python fractions) for
// the sums, coefficients and sums of squares, and with mpmath at 30 digits
// for square roots and the t and F probabilities (regularised incomplete beta);
// the reference data sets are checked against their certified values.
#include <cmath>

#include "analyses/regress_fixture.h"

namespace qrv::test {
namespace {

using namespace qrv::dao;

class RegressSimpleTest : public RegressTest {
  protected:
    // x = 1..5, y = 2 4 5 4 5: b = 0.6, a = 2.2, SSE = 2.4, SST = 6.
    void addTextbook(const Value& grp) {
        const double ys[] = {2, 4, 5, 4, 5};
        for (int i = 0; i < 5; ++i) addRow(grp, i + 1.0, ys[i], 1.0);
    }
};

TEST_F(RegressSimpleTest, LineWithInterceptAndAnova) {
    addTextbook("a");
    // Group b: x = 2 4 6 8 10 1, y = 1 2 2 4 5 1.
    const double bx[] = {2, 4, 6, 8, 10, 1}, by[] = {1, 2, 2, 4, 5, 1};
    for (int i = 0; i < 6; ++i) addRow("b", bx[i], by[i], 1.0);
    const auto id = regression("S", {{"Grp", "G"}, {"X", "X"}, {"Y", "Y"}}, {{"RAnova", true}});
    ASSERT_TRUE(run(id)) << engine.ErrorInfo();
    EXPECT_EQ(tableColumns("Out1"), (std::vector<std::string>{"Grp",
                                                              "DataField",
                                                              "Count_of_Y",
                                                              "Missing",
                                                              "Y-Intercept",
                                                              "Coef_of_X",
                                                              "SE_of_Y-Intercept",
                                                              "SE_of_X",
                                                              "Beta_of_X",
                                                              "t-Value_of_Y-Intercept",
                                                              "t-Value_of_X",
                                                              "Prob_of_Y-Intercept",
                                                              "Prob_of_X",
                                                              "Multiple_R",
                                                              "R-Square",
                                                              "Adj_R-Square",
                                                              "StdError_of_Estimate",
                                                              "Regression_DF",
                                                              "Residual_DF",
                                                              "Total_DF",
                                                              "Regression_SS",
                                                              "Residual_SS",
                                                              "Total_SS",
                                                              "Regression_MS",
                                                              "Residual_MS",
                                                              "F-Value",
                                                              "Prob"}));
    const auto rows = tableRows("Out1");
    ASSERT_EQ(rows.size(), 2u);
    const TableRow& a = rows[0];
    EXPECT_EQ(a.at("Grp").toText(), "a");
    EXPECT_EQ(a.at("DataField").toText(), "X");
    near(a, "Count_of_Y", 5);
    near(a, "Missing", 0);
    near(a, "Y-Intercept", 2.2);
    near(a, "Coef_of_X", 0.6);
    near(a, "SE_of_Y-Intercept", 0.93808315196468591);
    near(a, "SE_of_X", 0.28284271247461901);
    near(a, "Beta_of_X", 0.77459666924148338);
    near(a, "t-Value_of_Y-Intercept", 2.3452078799117148);
    near(a, "t-Value_of_X", 2.1213203435596426);
    near(a, "Prob_of_Y-Intercept", 0.10074345608542004, 1e-12);
    near(a, "Prob_of_X", 0.12402706265755463, 1e-12);
    near(a, "Multiple_R", 0.77459666924148338);
    near(a, "R-Square", 0.6);
    near(a, "Adj_R-Square", 0.46666666666666667);
    near(a, "StdError_of_Estimate", 0.89442719099991588);
    near(a, "Regression_DF", 1);
    near(a, "Residual_DF", 3);
    near(a, "Total_DF", 4);
    near(a, "Regression_SS", 3.6);
    near(a, "Residual_SS", 2.4);
    near(a, "Total_SS", 6);
    near(a, "Regression_MS", 3.6);
    near(a, "Residual_MS", 0.8);
    near(a, "F-Value", 4.5);
    near(a, "Prob", 0.12402706265755463, 1e-12);
    const TableRow& b = rows[1];
    EXPECT_EQ(b.at("Grp").toText(), "b");
    near(b, "Count_of_Y", 6);
    near(b, "Y-Intercept", 0.16438356164383562);
    near(b, "Coef_of_X", 0.45205479452054795);
    near(b, "SE_of_Y-Intercept", 0.40216621172128985);
    near(b, "SE_of_X", 0.066265132177796299);
    near(b, "Prob_of_Y-Intercept", 0.70366342725137437, 1e-12);
    near(b, "Adj_R-Square", 0.90106544901065449);
    near(b, "F-Value", 46.538461538461538);
    near(b, "Prob", 0.002414020695008738, 1e-12);
}

TEST_F(RegressSimpleTest, LineThroughTheOrigin) {
    addTextbook("a");
    const auto id = regression("S", {{"X", "X"}, {"Y", "Y"}}, {{"RYInt", false}, {"RAnova", true}});
    ASSERT_TRUE(run(id)) << engine.ErrorInfo();
    const auto cols = tableColumns("Out1");
    EXPECT_EQ(
        std::vector<std::string>(cols.begin(), cols.begin() + 9),
        (std::vector<std::string>{"DataField", "Count_of_Y", "Missing", "Coef_of_X", "SE_of_X",
                                  "Beta_of_X", "t-Value_of_X", "Prob_of_X", "Multiple_R"}));
    const auto rows = tableRows("Out1");
    ASSERT_EQ(rows.size(), 1u);
    const TableRow& r = rows[0];
    // b = sum xy / sum x^2 = 66/55; SSE = 86 - 1.2 * 66 = 6.8 on 4 df; SST = 86.
    near(r, "Coef_of_X", 1.2);
    near(r, "SE_of_X", 0.17580981459830651);
    near(r, "Beta_of_X", 0.95965109938880367);
    near(r, "t-Value_of_X", 6.8255575079342528);
    near(r, "Prob_of_X", 0.0024092059841971177, 1e-11);
    near(r, "R-Square", 0.92093023255813953);
    near(r, "Adj_R-Square", 0.89457364341085271);
    near(r, "Residual_DF", 4);
    near(r, "Total_DF", 5);
    near(r, "Total_SS", 86);
    near(r, "Residual_SS", 6.8);
    near(r, "F-Value", 46.588235294117647);
}

TEST_F(RegressSimpleTest, TwoRecordsAndTheDegreesOfFreedom) {
    addRow("a", 1.0, 2.0, 1.0);
    addRow("a", 3.0, 5.0, 1.0);
    // With intercept df = 0: the counts only.
    ASSERT_TRUE(run(regression("S", {{"X", "X"}, {"Y", "Y"}}, {{"RAnova", true}})));
    auto rows = tableRows("Out1");
    ASSERT_EQ(rows.size(), 1u);
    near(rows[0], "Count_of_Y", 2);
    near(rows[0], "Missing", 0);
    for (const char* c : {"Y-Intercept", "Coef_of_X", "SE_of_X", "Beta_of_X", "Prob_of_X",
                          "R-Square", "StdError_of_Estimate", "Residual_DF", "F-Value"})
        EXPECT_TRUE(isNull(rows[0], c)) << c;
    // Without: df = 1, b = 17/10, SSE = 0.1; no adjusted R-square since n = 2.
    ASSERT_TRUE(run(regression("S", {{"X", "X"}, {"Y", "Y"}}, {{"RYInt", false}})));
    rows = tableRows("Out1");
    ASSERT_EQ(rows.size(), 1u);
    near(rows[0], "Coef_of_X", 1.7);
    near(rows[0], "SE_of_X", 0.1);
    near(rows[0], "t-Value_of_X", 17);
    near(rows[0], "Prob_of_X", 0.037405118482553346, 1e-12);
    near(rows[0], "StdError_of_Estimate", 0.31622776601683793);
    EXPECT_TRUE(isNull(rows[0], "Adj_R-Square"));
}

TEST_F(RegressSimpleTest, PerfectFitConstantXAndTheResidualTable) {
    for (int i = 1; i <= 4; ++i) addRow("p", i * 1.0, 2.0 * i + 1.0, 1.0);  // y = 2x + 1
    for (int i = 1; i <= 3; ++i) addRow("q", 7.0, i * 1.0, 1.0);            // constant x
    const auto id =
        regression("S", {{"Grp", "G"}, {"X", "X"}, {"Y", "Y"}}, {{"RAnova", true}}, "Resid");
    ASSERT_TRUE(run(id)) << engine.ErrorInfo();
    const auto rows = tableRows("Out1");
    ASSERT_EQ(rows.size(), 2u);
    const TableRow& p = rows[0];
    near(p, "Y-Intercept", 1);
    near(p, "Coef_of_X", 2);
    EXPECT_EQ(num(p, "StdError_of_Estimate"), 0.0);
    EXPECT_EQ(num(p, "R-Square"), 1.0);
    EXPECT_EQ(num(p, "Multiple_R"), 1.0);
    EXPECT_EQ(num(p, "SE_of_X"), 0.0);
    // A zero standard error gives a t of 0, whose two-tailed probability is 1.
    EXPECT_EQ(num(p, "t-Value_of_X"), 0.0);
    EXPECT_EQ(num(p, "t-Value_of_Y-Intercept"), 0.0);
    EXPECT_NEAR(num(p, "Prob_of_X"), 1.0, 1e-15);
    EXPECT_EQ(num(p, "Residual_SS"), 0.0);
    EXPECT_TRUE(isNull(p, "F-Value"));
    EXPECT_TRUE(isNull(p, "Prob"));
    const TableRow& q = rows[1];
    near(q, "Count_of_Y", 3);
    EXPECT_TRUE(isNull(q, "Coef_of_X"));
    EXPECT_TRUE(isNull(q, "R-Square"));

    EXPECT_EQ(tableColumns("Resid"), (std::vector<std::string>{"Grp", "DataField", "X_Value", "Y:Y",
                                                               "Estimated_Y", "Residual"}));
    // The constant group's rows are gone; the exact line leaves residuals of 0.
    const auto res = tableRows("Resid", "[X_Value]");
    ASSERT_EQ(res.size(), 4u);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(res[i].at("Grp").toText(), "p");
        EXPECT_EQ(res[i].at("DataField").toText(), "X");
        near(res[i], "X_Value", i + 1.0);
        near(res[i], "Y:Y", 2.0 * (i + 1) + 1);
        near(res[i], "Estimated_Y", 2.0 * (i + 1) + 1);
        EXPECT_EQ(num(res[i], "Residual"), 0.0);
    }
}

TEST_F(RegressSimpleTest, ResidualsOfTheTextbookLineWeighted) {
    addTextbook("a");
    addRow("a", 9.0, Value(), 1.0);  // no Y: no residual row, counted missing
    const auto id = regression("S", {{"X", "X"}, {"Y", "Y"}, {"W", "W"}}, {}, "Resid");
    ASSERT_TRUE(run(id)) << engine.ErrorInfo();
    const auto out = tableRows("Out1");
    ASSERT_EQ(out.size(), 1u);
    near(out[0], "Observations", 5);
    near(out[0], "Missing", 1);
    EXPECT_EQ(tableColumns("Resid"),
              (std::vector<std::string>{"DataField", "Observations", "X_Value", "Y:Y",
                                        "Estimated_Y", "Residual"}));
    // Fitted 2.2 + 0.6 x at x = 1..5.
    const double fitted[] = {2.8, 3.4, 4.0, 4.6, 5.2}, ys[] = {2, 4, 5, 4, 5};
    const auto res = tableRows("Resid", "[X_Value]");
    ASSERT_EQ(res.size(), 5u);
    for (int i = 0; i < 5; ++i) {
        near(res[i], "Observations", 1);
        near(res[i], "Estimated_Y", fitted[i], 1e-14);
        EXPECT_NEAR(num(res[i], "Residual"), ys[i] - fitted[i], 1e-14);
    }
}

TEST_F(RegressSimpleTest, ResidualRowsFollowTheirGroupAndField) {
    // Group 1: X1 is the textbook x, X2 is constant (no fit: its rows go).
    // Group 2: X1 = y exactly (residuals 0), X2 the textbook x again.
    const double ys[] = {2, 4, 5, 4, 5};
    std::vector<std::vector<double>> rows;
    for (int i = 0; i < 5; ++i) rows.push_back({2, ys[i], i + 1.0, ys[i]});
    for (int i = 0; i < 5; ++i) rows.push_back({1, i + 1.0, 3, ys[i]});
    makeTable("T", {"G", "X1", "X2", "Y"}, rows);
    ASSERT_TRUE(
        run(regression("S", {{"G", "G"}, {"X1", "X"}, {"X2", "X"}, {"Y", "Y"}}, {}, "Resid", "T")))
        << engine.ErrorInfo();
    const auto res = tableRows("Resid");
    // Group 1 first; the constant X2 left no rows. Each row is fitted with
    // the line of its own group and field (the order within a group is the
    // order the database hands the records over).
    ASSERT_EQ(res.size(), 15u);
    int rows1 = 0, rowsX1 = 0, rowsX2 = 0;
    for (std::size_t i = 0; i < res.size(); ++i) {
        const TableRow& r = res[i];
        const double x = num(r, "X_Value");
        const std::string field = r.at("DataField").toText();
        if (i < 5) {
            near(r, "G", 1);
            EXPECT_EQ(field, "X1");
            near(r, "Estimated_Y", 2.2 + 0.6 * x, 1e-14);
            ++rows1;
        } else if (field == "X1") {
            near(r, "G", 2);
            near(r, "Estimated_Y", x, 1e-14);  // y = X1 exactly
            EXPECT_EQ(num(r, "Residual"), 0.0);
            ++rowsX1;
        } else {
            near(r, "G", 2);
            EXPECT_EQ(field, "X2");
            near(r, "Estimated_Y", 2.2 + 0.6 * x, 1e-14);
            EXPECT_NEAR(num(r, "Residual"), num(r, "Y:Y") - (2.2 + 0.6 * x), 1e-14);
            ++rowsX2;
        }
    }
    EXPECT_EQ(rows1, 5);
    EXPECT_EQ(rowsX1, 5);
    EXPECT_EQ(rowsX2, 5);
}

TEST_F(RegressSimpleTest, NullXLosesOneFieldNullYLosesAll) {
    makeTable("Two", {"X1", "X2", "Y"},
              {{1, 1, 2}, {2, 2, 4}, {3, NAN, 5}, {4, 4, 4}, {5, 5, 5}, {6, 6, NAN}});
    const auto id = regression("S", {{"X1", "X"}, {"X2", "X"}, {"Y", "Y"}}, {}, "", "Two");
    ASSERT_TRUE(run(id)) << engine.ErrorInfo();
    const auto rows = tableRows("Out1");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].at("DataField").toText(), "X1");
    near(rows[0], "Count_of_Y", 5);
    near(rows[0], "Missing", 1);
    near(rows[0], "Coef_of_X", 0.6);  // the textbook line
    EXPECT_EQ(rows[1].at("DataField").toText(), "X2");
    near(rows[1], "Count_of_Y", 4);
    near(rows[1], "Missing", 2);
    // x = 1 2 4 5, y = 2 4 4 5: Sxy = 6, Sxx = 10, so b = 0.6, a = 3.75 - 0.6 * 3.
    near(rows[1], "Coef_of_X", 0.6);
    near(rows[1], "Y-Intercept", 1.95);
}

TEST_F(RegressSimpleTest, WeightsCountAsRepeatedRows) {
    // Weights 2 1 3 1 on x = 1..4, y = 1 3 2 5; n = 7 and 4 observations.
    const double xs[] = {1, 2, 3, 4}, ys[] = {1, 3, 2, 5}, ws[] = {2, 1, 3, 1};
    for (int i = 0; i < 4; ++i) {
        addRow("w", xs[i], ys[i], ws[i]);
        for (int k = 0; k < ws[i]; ++k) addRow("r", xs[i], ys[i], 1.0);
    }
    addRow("w", 5.0, 5.0, 0.0);  // a weight of 0 skips the row: missing
    const auto id =
        regression("S", {{"Grp", "G"}, {"X", "X"}, {"Y", "Y"}, {"W", "W"}}, {{"RAnova", true}});
    ASSERT_TRUE(run(id)) << engine.ErrorInfo();
    const auto rows = tableRows("Out1");
    ASSERT_EQ(rows.size(), 2u);
    const TableRow& r = rows[0];
    const TableRow& w = rows[1];
    near(w, "Count_of_Y", 7);
    near(w, "Observations", 4);
    near(w, "Missing", 1);
    near(r, "Observations", 7);
    for (const TableRow* t : {&r, &w}) {
        near(*t, "Coef_of_X", 0.92592592592592593);
        near(*t, "Y-Intercept", 0.037037037037037037, 1e-12);
        near(*t, "SE_of_X", 0.3533108153396095);
        near(*t, "SE_of_Y-Intercept", 0.9347725528980713);
        near(*t, "R-Square", 0.5787037037037037);
        near(*t, "Adj_R-Square", 0.49444444444444444);
        near(*t, "Residual_DF", 5);
        near(*t, "F-Value", 6.8681318681318681);
        near(*t, "Prob", 0.047057317258695289, 1e-12);
    }
}

TEST_F(RegressSimpleTest, TwoWeightedRecords) {
    addRow("a", 1.0, 2.0, 2.0);
    addRow("a", 3.0, 5.0, 3.0);
    ASSERT_TRUE(run(regression("S", {{"X", "X"}, {"Y", "Y"}, {"W", "W"}})));
    const auto rows = tableRows("Out1");
    ASSERT_EQ(rows.size(), 1u);
    near(rows[0], "Count_of_Y", 5);
    near(rows[0], "Observations", 2);
    near(rows[0], "Coef_of_X", 1.5);  // two points: the line through them
}

TEST_F(RegressSimpleTest, NullGroupsAndBothWalksAgree) {
    addTextbook(Value());
    addTextbook("B");
    for (int i = 1; i <= 3; ++i) addRow("b", i * 1.0, i * i * 1.0, 1.0);  // joins "B"
    addRow("c", 1.0, 1.0, 1.0);                                           // one row
    const auto id = regression("S", {{"Grp", "G"}, {"X", "X"}, {"Y", "Y"}}, {{"RAnova", true}});
    ASSERT_TRUE(run(id)) << engine.ErrorInfo();
    const auto hashed = tableValues("Out1");
    engine.SetHashedGroups(false);
    ASSERT_TRUE(run(id)) << engine.ErrorInfo();
    EXPECT_EQ(tableValues("Out1"), hashed);
    ASSERT_EQ(hashed.size(), 3u);
    EXPECT_TRUE(hashed[0][0].isNull());
    EXPECT_DOUBLE_EQ(hashed[0][4].asDouble(), 2.2);  // Y-Intercept
    EXPECT_DOUBLE_EQ(hashed[1][2].asDouble(), 8.0);  // B and b together
    EXPECT_EQ(hashed[2][0].toText(), "c");
    EXPECT_TRUE(hashed[2][4].isNull());
}

TEST_F(RegressSimpleTest, ProgressWithAResidualTable) {
    addTextbook("a");
    const auto id = regression("S", {{"X", "X"}, {"Y", "Y"}}, {}, "Resid");
    std::vector<std::string> seen;
    engine.OnStatStatus([&](const std::string& m) { seen.push_back(m); });
    RunScenarioArgs args;
    args.ScenarioDb = db;
    args.ShowProgress = true;
    // The sorted walk (a residual table needs its order) reports the record
    // that ends the group and the last one; the residual pass every fifth row
    // and the last.
    ASSERT_TRUE(engine.RunScenario(id, args)) << engine.ErrorInfo();
    EXPECT_EQ(seen, (std::vector<std::string>{
                        "Retrieving and sorting data...", "Creating output table...",
                        "Analyzing records...", "Analyzing record: 5", "Analyzing record: 5",
                        "Performing residual analysis...", "Residual analysis record: 5",
                        "Residual analysis record: 5"}));
}

TEST_F(RegressSimpleTest, BadValueLeavesNoTables) {
    addTextbook("a");
    ASSERT_TRUE(db.Execute("UPDATE [Data] SET [Y] = 'abc' WHERE [X] = 3").ok());
    const auto id = regression("S", {{"X", "X"}, {"Y", "Y"}}, {}, "Resid");
    EXPECT_FALSE(run(id));
    EXPECT_NE(engine.ErrorInfo().find("Y"), std::string::npos) << engine.ErrorInfo();
    EXPECT_FALSE(db.GetTableDef("Out1").ok());
    EXPECT_FALSE(db.GetTableDef("Resid").ok());
    ScenarioRow noY;
    noY.subtype = "Regression";
    noY.fields = {{"X", "X"}};
    EXPECT_FALSE(run(addScenario(noY)));
    EXPECT_EQ(engine.ErrorInfo(), "Y Field must be assigned");
}

TEST_F(RegressSimpleTest, ReferenceLinesToTheirCeilings) {
    // Ceilings: the digits an exact fit on the parsed doubles reaches (see
    // the kernel's reference tests); the engine must come within one digit.
    const StrdSet norris = loadSet("Norris");
    ASSERT_TRUE(run(regression("S", {{"x", "X"}, {"y", "Y"}}, {{"RAnova", true}}, "", "Norris")))
        << engine.ErrorInfo();
    auto rows = tableRows("Out1");
    ASSERT_EQ(rows.size(), 1u);
    digits(rows[0], "Y-Intercept", norris, "b0", 13.1);
    digits(rows[0], "SE_of_Y-Intercept", norris, "b0_sd", 12.9);
    digits(rows[0], "Coef_of_X", norris, "b1", 13.4);
    digits(rows[0], "SE_of_X", norris, "b1_sd", 13.0);
    digits(rows[0], "StdError_of_Estimate", norris, "resid_sd", 13.0);
    digits(rows[0], "R-Square", norris, "r2", 14.0);
    digits(rows[0], "F-Value", norris, "f", 12.7);
    digits(rows[0], "Residual_SS", norris, "resid_ss", 12.0);
    // Through the origin: R-square and F are the uncentred ones.
    for (const char* name : {"NoInt1", "NoInt2"}) {
        SCOPED_TRACE(name);
        const StrdSet set = loadSet(name);
        ASSERT_TRUE(run(regression("S", {{"x", "X"}, {"y", "Y"}},
                                   {{"RAnova", true}, {"RYInt", false}}, "", name)))
            << engine.ErrorInfo();
        rows = tableRows("Out1");
        ASSERT_EQ(rows.size(), 1u);
        digits(rows[0], "Coef_of_X", set, "b1", 13.7);
        digits(rows[0], "SE_of_X", set, "b1_sd", 13.9);
        digits(rows[0], "StdError_of_Estimate", set, "resid_sd", 14.0);
        digits(rows[0], "R-Square", set, "r2", 14.0);
        digits(rows[0], "F-Value", set, "f", 14.0);
    }
}

}  // namespace
}  // namespace qrv::test
