// Multiple regression end to end through RunScenario. Expected values come
// from an exact weighted least-squares solve in Python fractions (normal
// equations inverted exactly), with square roots and t and F probabilities
// from mpmath at 30 digits; Longley is checked against its certified values.
#include <cmath>

#include "analyses/regress_fixture.h"

namespace qrv::test {
namespace {

using namespace qrv::dao;

// x1, x2, y of seven records.
const std::vector<std::vector<double>> kRows = {{1, 2, 3},  {2, 1, 4},  {3, 4, 8}, {4, 3, 7},
                                                {5, 6, 12}, {6, 5, 10}, {7, 7, 15}};

class RegressMultiTest : public RegressTest {};

TEST_F(RegressMultiTest, TwoTermsWithInterceptAndAnova) {
    makeTable("M", {"X1", "X2", "Y"}, kRows);
    ASSERT_TRUE(
        run(regression("M", {{"X1", "X"}, {"X2", "X"}, {"Y", "Y"}}, {{"RAnova", true}}, "", "M")))
        << engine.ErrorInfo();
    EXPECT_EQ(tableColumns("Out1"), (std::vector<std::string>{"Count_of_Y",
                                                              "Missing",
                                                              "Y-Intercept",
                                                              "Coef_of_X1: X1",
                                                              "Coef_of_X2: X2",
                                                              "SE_of_Y-Intercept",
                                                              "SE_of_X1: X1",
                                                              "SE_of_X2: X2",
                                                              "Beta_of_X1: X1",
                                                              "Beta_of_X2: X2",
                                                              "t-Value_of_Y-Intercept",
                                                              "t-Value_of_X1: X1",
                                                              "t-Value_of_X2: X2",
                                                              "Prob_of_Y-Intercept",
                                                              "Prob_of_X1: X1",
                                                              "Prob_of_X2: X2",
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
    ASSERT_EQ(rows.size(), 1u);
    const TableRow& r = rows[0];
    near(r, "Count_of_Y", 7);
    near(r, "Missing", 0);
    near(r, "Y-Intercept", 0.42857142857142857);
    near(r, "Coef_of_X1: X1", 0.66666666666666667);
    near(r, "Coef_of_X2: X2", 1.3333333333333333);
    near(r, "SE_of_Y-Intercept", 0.75422908115962865);
    near(r, "SE_of_X1: X1", 0.36629483719650406);
    near(r, "SE_of_X2: X2", 0.36629483719650406);
    near(r, "Beta_of_X1: X1", 0.3367876570272817);
    near(r, "Beta_of_X2: X2", 0.67357531405456339);
    near(r, "t-Value_of_Y-Intercept", 0.56822448149638991);
    near(r, "t-Value_of_X1: X1", 1.8200274723201296);
    near(r, "t-Value_of_X2: X2", 3.6400549446402591);
    near(r, "Prob_of_Y-Intercept", 0.600262227988278, 1e-12);
    near(r, "Prob_of_X1: X1", 0.14287253670278483, 1e-12);
    near(r, "Prob_of_X2: X2", 0.021963587715987586, 1e-12);
    near(r, "Multiple_R", 0.98601329718326934);
    near(r, "R-Square", 0.97222222222222222);
    near(r, "Adj_R-Square", 0.95833333333333333);
    near(r, "StdError_of_Estimate", 0.87287156094396953);
    near(r, "Regression_DF", 2);
    near(r, "Residual_DF", 4);
    near(r, "Total_DF", 6);
    near(r, "Residual_SS", 3.0476190476190476);
    near(r, "Total_SS", 109.71428571428571);
    near(r, "Regression_MS", (109.71428571428571 - 3.0476190476190476) / 2);
    near(r, "F-Value", 70);
    near(r, "Prob", 0.00077160493827160494, 1e-12);
}

TEST_F(RegressMultiTest, ThroughTheOriginWithResiduals) {
    makeTable("M", {"X1", "X2", "Y"}, kRows);
    ASSERT_TRUE(run(regression("M", {{"X1", "X"}, {"X2", "X"}, {"Y", "Y"}},
                               {{"RYInt", false}, {"RAnova", true}}, "Resid", "M")))
        << engine.ErrorInfo();
    const auto rows = tableRows("Out1");
    ASSERT_EQ(rows.size(), 1u);
    const TableRow& r = rows[0];
    EXPECT_EQ(r.count("Y-Intercept"), 0u);
    near(r, "Coef_of_X1: X1", 0.70998796630565584);
    near(r, "Coef_of_X2: X2", 1.3766546329723225);
    near(r, "SE_of_X2: X2", 0.33313126241395023);
    near(r, "Beta_of_X2: X2", 0.66114188697135465);
    near(r, "Prob_of_X1: X1", 0.086266843496266711, 1e-12);
    near(r, "R-Square", 0.99457393386820825);
    near(r, "Adj_R-Square", 0.99186090080231237);
    near(r, "Residual_DF", 5);
    near(r, "Total_DF", 7);
    near(r, "Total_SS", 607);
    near(r, "F-Value", 458.23894775301425);
    EXPECT_EQ(tableColumns("Resid"),
              (std::vector<std::string>{"X1:X1", "X2:X2", "Y:Y", "Estimated_Y", "Residual"}));
    const double fitted[] = {3.4632972322503008, 2.7966305655836342, 7.6365824308062575,
                             6.9699157641395909, 11.809867629362214, 11.143200962695548,
                             14.606498194945848};
    const auto res = tableRows("Resid", "[X1:X1]");
    ASSERT_EQ(res.size(), 7u);
    for (std::size_t i = 0; i < 7; ++i) {
        near(res[i], "X1:X1", kRows[i][0]);
        near(res[i], "Estimated_Y", fitted[i], 1e-14);
        EXPECT_NEAR(num(res[i], "Residual"), kRows[i][2] - fitted[i], 1e-13);
    }
}

TEST_F(RegressMultiTest, WeightsNullsAndTheResidualObservations) {
    // Weights 1 2 1 3 1 1 2 on the seven records; an eighth has a Null X2
    // and a ninth a Null Y: both left out entirely and counted missing.
    const double ws[] = {1, 2, 1, 3, 1, 1, 2};
    std::vector<std::vector<double>> rows;
    for (std::size_t i = 0; i < 7; ++i)
        rows.push_back({kRows[i][0], kRows[i][1], kRows[i][2], ws[i]});
    rows.push_back({8, NAN, 16, 1});
    rows.push_back({8, 8, NAN, 1});
    makeTable("M", {"X1", "X2", "Y", "W"}, rows);
    ASSERT_TRUE(run(regression("M", {{"X1", "X"}, {"X2", "X"}, {"Y", "Y"}, {"W", "W"}},
                               {{"RAnova", true}}, "Resid", "M")))
        << engine.ErrorInfo();
    auto out = tableRows("Out1");
    ASSERT_EQ(out.size(), 1u);
    const TableRow& r = out[0];
    near(r, "Count_of_Y", 11);
    near(r, "Observations", 7);
    near(r, "Missing", 2);
    near(r, "Y-Intercept", 0.55767138193688792, 1e-12);
    near(r, "Coef_of_X1: X1", 0.70565832426550598);
    near(r, "Coef_of_X2: X2", 1.2883569096844396);
    near(r, "SE_of_X1: X1", 0.26840078133724855);
    near(r, "SE_of_X2: X2", 0.24872783471809208);
    near(r, "Beta_of_X1: X1", 0.33968479950325095);
    near(r, "Residual_DF", 8);
    near(r, "F-Value", 170.66857513365386);
    near(r, "Prob", 2.7503049810081488e-7, 1e-11);
    auto res = tableRows("Resid", "[X1:X1]");
    ASSERT_EQ(res.size(), 7u);
    for (std::size_t i = 0; i < 7; ++i) near(res[i], "Observations", ws[i]);
    near(res[0], "Estimated_Y", 3.8400435255712731, 1e-14);

    // The residual table's Observations hold the weight rounded to a whole
    // number, halves to even.
    makeTable("H", {"X1", "X2", "Y", "W"},
              {{1, 2, 3, 2.5}, {2, 1, 4, 3.5}, {3, 4, 8, 1.2}, {4, 3, 7, 1}, {5, 6, 12, 1}});
    ASSERT_TRUE(
        run(regression("M", {{"X1", "X"}, {"X2", "X"}, {"Y", "Y"}, {"W", "W"}}, {}, "Resid", "H")))
        << engine.ErrorInfo();
    res = tableRows("Resid", "[X1:X1]");
    ASSERT_EQ(res.size(), 5u);
    near(res[0], "Observations", 2);
    near(res[1], "Observations", 4);
    near(res[2], "Observations", 1);
    out = tableRows("Out1");
    near(out[0], "Count_of_Y", 9.2);
}

TEST_F(RegressMultiTest, CopiedFieldAndTooFewRecords) {
    // X2 is a copy of X1: the solve fails, only the counts are written, and
    // the group's residual rows are deleted.
    makeTable("C", {"X1", "X2", "Y"}, {{1, 1, 2}, {2, 2, 3}, {3, 3, 5}, {4, 4, 4}});
    ASSERT_TRUE(run(regression("M", {{"X1", "X"}, {"X2", "X"}, {"Y", "Y"}}, {}, "Resid", "C")))
        << engine.ErrorInfo();
    auto rows = tableRows("Out1");
    ASSERT_EQ(rows.size(), 1u);
    near(rows[0], "Count_of_Y", 4);
    EXPECT_TRUE(isNull(rows[0], "Coef_of_X1: X1"));
    EXPECT_TRUE(isNull(rows[0], "R-Square"));
    EXPECT_TRUE(tableRows("Resid").empty());

    // Three X fields with intercept need more than 4 units of weight.
    std::vector<std::vector<double>> data = {
        {1, 0, 2, 1}, {2, 1, 1, 3}, {3, 5, 0, 2}, {4, 2, 2, 6}, {0, 3, 1, 2}};
    makeTable("F4", {"A", "B", "C", "Y"}, {data.begin(), data.begin() + 4});
    makeTable("F5", {"A", "B", "C", "Y"}, data);
    const Fields abc = {{"A", "X"}, {"B", "X"}, {"C", "X"}, {"Y", "Y"}};
    ASSERT_TRUE(run(regression("M", abc, {}, "", "F4"))) << engine.ErrorInfo();
    rows = tableRows("Out1");
    near(rows[0], "Count_of_Y", 4);
    EXPECT_TRUE(isNull(rows[0], "Coef_of_X1: A"));
    ASSERT_TRUE(run(regression("M", abc, {}, "", "F5"))) << engine.ErrorInfo();
    rows = tableRows("Out1");
    // Five points and four unknowns: df = 1; exactly b = 26/33, 37/99, 293/198
    // and a = -136/99, R-square 0.704..., adjusted by 3/(5 - 4) to below 0.
    near(rows[0], "Coef_of_X1: A", 26.0 / 33);
    near(rows[0], "Coef_of_X2: B", 37.0 / 99);
    near(rows[0], "Coef_of_X3: C", 293.0 / 198);
    near(rows[0], "Y-Intercept", -136.0 / 99);
    near(rows[0], "SE_of_X3: C", 2.2634772479786782);
    near(rows[0], "R-Square", 0.70413595413595414);
    near(rows[0], "Adj_R-Square", -0.18345618345618346);
    near(rows[0], "Prob_of_Y-Intercept", 0.81029969923997422, 1e-12);
}

TEST_F(RegressMultiTest, GroupsAndBothWalksAgree) {
    std::vector<std::vector<double>> rows;
    for (double g : {2.0, 1.0})
        for (const auto& r : kRows) rows.push_back({g, r[0], r[1], r[2] * g});
    rows.push_back({NAN, 1, 2, 3});
    makeTable("G", {"G", "X1", "X2", "Y"}, rows);
    const auto id = regression("M", {{"G", "G"}, {"X1", "X"}, {"X2", "X"}, {"Y", "Y"}},
                               {{"RAnova", true}}, "", "G");
    ASSERT_TRUE(run(id)) << engine.ErrorInfo();
    const auto hashed = tableValues("Out1");
    engine.SetHashedGroups(false);
    ASSERT_TRUE(run(id)) << engine.ErrorInfo();
    EXPECT_EQ(tableValues("Out1"), hashed);
    const auto out = tableRows("Out1");
    ASSERT_EQ(out.size(), 3u);
    EXPECT_TRUE(out[0].at("G").isNull());
    near(out[0], "Count_of_Y", 1);
    near(out[1], "G", 1);
    near(out[1], "Coef_of_X2: X2", 1.3333333333333333);
    near(out[2], "G", 2);
    // y doubled: the coefficients double too.
    near(out[2], "Coef_of_X2: X2", 2.6666666666666667);
    near(out[2], "Y-Intercept", 0.85714285714285714);
}

TEST_F(RegressMultiTest, LongNamesAreCutTo64Characters) {
    const std::string name(60, 'v');
    makeTable("L", {name, "Y"}, {{1, 2}, {2, 4}, {3, 5}, {4, 4}, {5, 5}});
    ASSERT_TRUE(run(regression("M", {{name, "X"}, {"Y", "Y"}}, {}, "Resid", "L")))
        << engine.ErrorInfo();
    const auto cols = tableColumns("Out1");
    EXPECT_EQ(cols[3], ("Coef_of_X1: " + name).substr(0, 64));
    EXPECT_EQ(tableColumns("Resid")[0], ("X1:" + name).substr(0, 64));
    near(tableRows("Out1")[0], cols[3], 0.6);
}

TEST_F(RegressMultiTest, LongleyToItsCeiling) {
    const StrdSet set = loadSet("Longley");
    Fields fields;
    for (int i = 1; i <= 6; ++i) fields.push_back({"x" + std::to_string(i), "X"});
    fields.push_back({"y", "Y"});
    ASSERT_TRUE(run(regression("M", fields, {{"RAnova", true}}, "", "Longley")))
        << engine.ErrorInfo();
    const auto rows = tableRows("Out1");
    ASSERT_EQ(rows.size(), 1u);
    // Within a digit of the exact fit on the parsed doubles (b1 14.8, b3
    // 14.6, b4 14.7 digits; 15 elsewhere).
    const double ceiling[] = {15.0, 14.8, 15.0, 14.6, 14.7, 15.0, 15.0};
    digits(rows[0], "Y-Intercept", set, "b0", ceiling[0] - 1);
    digits(rows[0], "SE_of_Y-Intercept", set, "b0_sd", 14.0);
    for (int i = 1; i <= 6; ++i) {
        const std::string suffix = "X" + std::to_string(i) + ": x" + std::to_string(i);
        digits(rows[0], "Coef_of_" + suffix, set, "b" + std::to_string(i), ceiling[i] - 1);
        digits(rows[0], "SE_of_" + suffix, set, "b" + std::to_string(i) + "_sd", 13.9);
    }
    digits(rows[0], "StdError_of_Estimate", set, "resid_sd", 14.0);
    digits(rows[0], "R-Square", set, "r2", 14.0);
    digits(rows[0], "F-Value", set, "f", 14.0);
    digits(rows[0], "Residual_SS", set, "resid_ss", 12.0);
    near(rows[0], "Residual_DF", 9);
}

}  // namespace
}  // namespace qrv::test
