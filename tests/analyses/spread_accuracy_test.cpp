// The spread and shape statistics of Describe, Crosstab and the K-S fit end
// to end where running sums of raw powers fail: data far from zero, spreads
// in the last bit, squares beyond the doubles and tied values that are no
// binary fractions. Expected values are exact: worked by hand, or computed
// with python3 fractions and mpmath (60 digits) from the very doubles below.
#include <cmath>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "engine/engine_fixture.h"

namespace qrv::test {
namespace {

using namespace qrv::dao;

// 24 draws of 1e9 + N(0, 1) and of 1e9 + N(0, 1e-3), as stored.
const std::vector<double> kUnitNormal = {
    0x1.dcd64ffdf3f51p+29, 0x1.dcd6500417696p+29, 0x1.dcd64ffe30f48p+29, 0x1.dcd64ffd7abd7p+29,
    0x1.dcd64ff88f52ap+29, 0x1.dcd64ffe4b286p+29, 0x1.dcd65008e534fp+29, 0x1.dcd6500364a70p+29,
    0x1.dcd650084b874p+29, 0x1.dcd65001fdc0bp+29, 0x1.dcd65003287d0p+29, 0x1.dcd650017b8c9p+29,
    0x1.dcd64ff2abe77p+29, 0x1.dcd65006d78ddp+29, 0x1.dcd650040d138p+29, 0x1.dcd65003fd945p+29,
    0x1.dcd64ff27815ep+29, 0x1.dcd64ff20c846p+29, 0x1.dcd64ff8e2116p+29, 0x1.dcd64ffc41260p+29,
    0x1.dcd65002718dbp+29, 0x1.dcd64fffa1f90p+29, 0x1.dcd650042af4ep+29, 0x1.dcd64ffadcb40p+29};
const std::vector<double> kMilliNormal = {
    0x1.dcd6500000a1ep+29, 0x1.dcd6500000ceap+29, 0x1.dcd64ffffea56p+29, 0x1.dcd6500003848p+29,
    0x1.dcd650000123dp+29, 0x1.dcd6500002739p+29, 0x1.dcd64ffffebacp+29, 0x1.dcd64ffffe7c4p+29,
    0x1.dcd64fffff4bap+29, 0x1.dcd64fffffc83p+29, 0x1.dcd65000014b6p+29, 0x1.dcd6500000824p+29,
    0x1.dcd64fffff157p+29, 0x1.dcd64ffffe0a5p+29, 0x1.dcd64ffffeef1p+29, 0x1.dcd6500002802p+29,
    0x1.dcd64ffffe586p+29, 0x1.dcd6500000805p+29, 0x1.dcd6500000dfap+29, 0x1.dcd64ffffcf2fp+29,
    0x1.dcd6500000197p+29, 0x1.dcd6500002acep+29, 0x1.dcd64ffffbdfep+29, 0x1.dcd64fffff576p+29};
// Sample variances of the two (exact rationals rounded once).
constexpr double kUnitNormalVar = 0.677295953391462;
constexpr double kMilliNormalVar = 8.148922145891945e-07;

class SpreadAccuracy : public EngineTest {
  protected:
    // Describe of X per group with variance, sums and shape.
    std::vector<TableRow> describe(const std::vector<std::pair<std::string, Value>>& extra = {}) {
        ScenarioRow s;
        s.fields = {{"Grp", "G"}, {"X", "X"}};
        const auto id = addScenario(s);
        std::vector<std::pair<std::string, Value>> options = {
            {"VarStd", true}, {"Sum", true}, {"Skew", true}, {"Mean", true}};
        options.insert(options.end(), extra.begin(), extra.end());
        setOptions(id, options);
        EXPECT_TRUE(run(id)) << engine.ErrorInfo();
        return tableRows("Out1", "[Grp]");
    }
    void addAll(const std::string& group, const std::vector<double>& xs) {
        std::vector<std::vector<Value>> rows;
        for (double x : xs) rows.push_back({Value::text(group), Value::real(x)});
        appendRows("Data", {"Grp", "X"}, rows);
    }
    static void expectNear(const TableRow& r, const char* column, double want, double relative) {
        ASSERT_FALSE(r.at(column).isNull()) << column;
        EXPECT_LE(std::fabs(r.at(column).asDouble() - want), relative * std::fabs(want))
            << column << " = " << r.at(column).asDouble() << ", want " << want;
    }
};

// 1..10 moved by 10^k (each value exact): sample variance 55/6, skewness 0
// and kurtosis -1.2 whatever the offset.
class DescribeAtOffsets : public SpreadAccuracy, public ::testing::WithParamInterface<int> {};

TEST_P(DescribeAtOffsets, ShapeAndSpreadDoNotMove) {
    const double offset = std::pow(10.0, GetParam());
    std::vector<double> xs;
    for (int i = 1; i <= 10; ++i) xs.push_back(offset + i);
    addAll("g", xs);
    const auto out = describe();
    ASSERT_EQ(out.size(), 1u);
    expectNear(out[0], "Mean", offset + 5.5, 1e-16);
    expectNear(out[0], "Variance", 55.0 / 6, 1e-15);
    expectNear(out[0], "StdDeviation", std::sqrt(55.0 / 6), 1e-15);
    expectNear(out[0], "AdjSumSquared", 82.5, 1e-15);
    EXPECT_LE(std::fabs(out[0].at("Skewness").asDouble()), 1e-15);
    expectNear(out[0], "Kurtosis", -1.2, 1e-15);
}

INSTANTIATE_TEST_SUITE_P(PowersOfTen, DescribeAtOffsets, ::testing::Range(0, 13));

TEST_F(SpreadAccuracy, DescribeOfNormalDrawsAtOneBillion) {
    // mpmath: skewness -0.6815396644410373, kurtosis -0.23704458593314895
    // for the unit spread; the milli spread's variance 8.148922145891945e-07.
    addAll("a", kUnitNormal);
    // Spelt two ways, b is summed in parts that are merged before writing.
    std::vector<std::vector<Value>> rows;
    for (size_t i = 0; i < kMilliNormal.size(); ++i)
        rows.push_back({Value::text(i % 3 == 0 ? "B" : "b"), Value::real(kMilliNormal[i])});
    appendRows("Data", {"Grp", "X"}, rows);
    const auto out = describe();
    ASSERT_EQ(out.size(), 2u);
    expectNear(out[0], "Variance", kUnitNormalVar, 1e-14);
    expectNear(out[0], "Skewness", -0.6815396644410373, 1e-13);
    expectNear(out[0], "Kurtosis", -0.23704458593314895, 1e-13);
    expectNear(out[0], "Mean", 999999999.8963591, 1e-16);
    expectNear(out[1], "Variance", kMilliNormalVar, 1e-14);
    expectNear(out[1], "StdDeviation", std::sqrt(kMilliNormalVar), 1e-14);
    expectNear(out[1], "Skewness", -0.06189430902638457, 1e-12);
    expectNear(out[1], "Kurtosis", -0.08215629416359176, 1e-12);
}

TEST_F(SpreadAccuracy, DescribeOfTheLastBitAndOfOverflow) {
    // "bit": 1, 1+2^-52 twice each, deviations +-2^-53: sample variance
    // 4 * 2^-106 / 3. "big": 1e200, 2e200, 3e200, whose squares (and so the
    // variance 1e400) are beyond the doubles; mean 2e200 and sum 6e200 are not.
    const double u = std::ldexp(1.0, -52);
    addAll("bit", {1, 1 + u, 1, 1 + u});
    addAll("big", {1e200, 2e200, 3e200});
    const auto out = describe();
    ASSERT_EQ(out.size(), 2u);
    const TableRow& big = out[0];
    const TableRow& bit = out[1];
    expectNear(bit, "Variance", std::ldexp(1.0, -104) / 3, 1e-16);
    expectNear(big, "Mean", 2e200, 1e-16);
    expectNear(big, "Sum", 6e200, 1e-16);
    for (const char* c : {"Variance", "StdDeviation", "StdError", "CoeffOfVariance", "SumSquared",
                          "AdjSumSquared", "RMS", "Skewness"})
        EXPECT_TRUE(big.at(c).isNull()) << c << " = " << big.at(c).toText();
}

TEST_F(SpreadAccuracy, KSFitOfTiedValuesThatAreNoBinaryFractions) {
    // 0.1 tied three times and a thousand times: no spread at all, so no
    // normal distribution to compare with; the uniform row is Null too.
    ASSERT_FALSE(engine.SetSourceDatabase(db));
    ASSERT_FALSE(engine.SetOutputDatabase(db));
    addAll("few", std::vector<double>(3, 0.1));
    addAll("many", std::vector<double>(1000, 0.1));
    ScenarioRow s;
    s.category = "N";
    s.subtype = "K-S Fit";
    s.fields = {{"Grp", "G"}, {"X", "X"}};
    const auto id = addScenario(s);
    setOptions(id, {{"FitUniform", true}, {"FitNormal", true}, {"FitPoisson", false}});
    ASSERT_TRUE(run(id)) << engine.ErrorInfo();
    const auto rows = tableRows("Out1");
    ASSERT_EQ(rows.size(), 4u);
    for (const TableRow& r : rows) {
        SCOPED_TRACE(r.at("Grp").toText() + " " + r.at("TestType").toText());
        EXPECT_EQ(r.at("StdDeviation").asDouble(), 0);
        EXPECT_EQ(r.at("Mean").asDouble(), 0.1);
        for (const char* c : {"Max_Absolute", "Max_Positive", "Max_Negative", "K-S_Z", "Prob"})
            EXPECT_TRUE(r.at(c).isNull()) << c;
    }
}

TEST_F(SpreadAccuracy, CrosstabVarianceAtOneBillion) {
    // One cell per spread: the sample variances against exact rationals.
    std::vector<std::vector<Value>> rows;
    for (double x : kUnitNormal) rows.push_back({Value::text("u"), Value::real(x), Value::real(1)});
    for (double x : kMilliNormal)
        rows.push_back({Value::text("m"), Value::real(x), Value::real(1)});
    appendRows("Data", {"Grp", "X", "Y"}, rows);
    for (const auto& [type, unit, milli] :
         {std::tuple{"V", kUnitNormalVar, kMilliNormalVar},
          std::tuple{"D", std::sqrt(kUnitNormalVar), std::sqrt(kMilliNormalVar)}}) {
        SCOPED_TRACE(type);
        ScenarioRow s;
        s.subtype = "Crosstab";
        s.fields = {{"Grp", "G"}, {"Y", "C"}, {"X", "X"}};
        const auto id = addScenario(s);
        setOptions(id, {{"XType", std::string(type)}});
        ASSERT_TRUE(run(id)) << engine.ErrorInfo();
        const auto out = tableRows("Out1", "[Grp]");
        // The group rows; the summary rows after them have no group value.
        std::map<std::string, TableRow> byGroup;
        for (const TableRow& r : out)
            if (!r.at("Grp").isNull() && !r.at("Grp").toText().empty())
                byGroup[r.at("Grp").toText()] = r;
        ASSERT_EQ(byGroup.size(), 2u);
        expectNear(byGroup["m"], "1", milli, 1e-14);
        expectNear(byGroup["u"], "1", unit, 1e-14);
    }
}

}  // namespace
}  // namespace qrv::test
