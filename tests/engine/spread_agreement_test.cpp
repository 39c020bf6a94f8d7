// One column, one spread: the sample and population variance and standard
// deviation of the same values as Describe, Compare, the correlation matrix,
// the crosstab, the K-S fit and the SQL aggregates StDev, StDevP, Var and
// VarP give them. They must agree with the exact value to the last few bits,
// or all be Null, whatever the offset of the data.
//
// Compare and the matrix have no variance of a field of their own: the
// covariance of X with an exact copy of X is that variance, and the spread
// of the differences X - 0 is X's standard deviation. The latter is Null
// where the differences do not vary (no paired t to take from them).
#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "engine/engine_fixture.h"

namespace qrv::test {
namespace {

using namespace qrv::dao;

// Which spread a place reports.
enum class Spread { Var, Std, VarP, StdP };

const char* name(Spread s) {
    switch (s) {
        case Spread::Var:
            return "sample variance";
        case Spread::Std:
            return "sample standard deviation";
        case Spread::VarP:
            return "population variance";
        case Spread::StdP:
            return "population standard deviation";
    }
    return "";
}

// Compare's and the matrix's spread of the differences X - 0: X's standard
// deviation; Null without spread (no paired t to take); or not compared.
enum class Differences { AsStd, Null, Unchecked };

struct SpreadCase {
    const char* name;
    std::vector<double> xs;
    // The exact spreads, each rounded once; nullopt: no value (Null).
    std::optional<double> var, sd, varP, sdP;
    // What the spread of the differences X - 0 is to be.
    Differences differences = Differences::AsStd;

    std::optional<double> want(Spread s) const {
        switch (s) {
            case Spread::Var:
                return var;
            case Spread::Std:
                return sd;
            case Spread::VarP:
                return varP;
            case Spread::StdP:
                return sdP;
        }
        return {};
    }
};

std::vector<double> oneToTen(double offset) {
    std::vector<double> xs;
    for (int i = 1; i <= 10; ++i) xs.push_back(offset + i);
    return xs;
}

// 1..10 about any offset up to 1e12 (x + offset is exact): the squared
// deviations from the mean 5.5 sum to 2 (0.5^2 + 1.5^2 + ... + 4.5^2) =
// 82.5, so the sample variance is 82.5 / 9 = 55/6 and the population one
// 82.5 / 10 = 33/4. Their square roots rounded once (mpmath, 50 digits):
// sqrt(55/6) = 3.0276503540974917, sqrt(33/4) = 2.8722813232690143.
//
// 1, 1+e, 1, 1+e with e = 2^-52: mean 1 + e/2, deviations +-e/2, squares
// summing to e^2 = 2^-104: sample variance 2^-104 / 3 (a third rounded
// once), population variance 2^-106, standard deviations 2^-52 / sqrt(3)
// = 1.2819751242557092e-16 (mpmath) and 2^-53.
//
// 0.1 three times and a thousand times: no spread at all, exactly 0 (0.1
// is no binary fraction, so sums of raw powers would leave a residue).
//
// 1e200, 2e200, 3e200: the variance, about 1e400, is beyond the doubles.
const double kBit = std::ldexp(1.0, -52);
const SpreadCase kCases[] = {
    {"Offset1e0", oneToTen(1), 55.0 / 6, 3.0276503540974917, 8.25, 2.8722813232690143},
    {"Offset1e3", oneToTen(1e3), 55.0 / 6, 3.0276503540974917, 8.25, 2.8722813232690143},
    {"Offset1e6", oneToTen(1e6), 55.0 / 6, 3.0276503540974917, 8.25, 2.8722813232690143},
    {"Offset1e9", oneToTen(1e9), 55.0 / 6, 3.0276503540974917, 8.25, 2.8722813232690143},
    {"Offset1e12", oneToTen(1e12), 55.0 / 6, 3.0276503540974917, 8.25, 2.8722813232690143},
    {"LastBit",
     {1, 1 + kBit, 1, 1 + kBit},
     std::ldexp(1.0, -104) / 3,
     1.2819751242557092e-16,
     std::ldexp(1.0, -106),
     std::ldexp(1.0, -53)},
    {"ConstantThree", std::vector<double>(3, 0.1), 0.0, 0.0, 0.0, 0.0, Differences::Null},
    {"ConstantThousand", std::vector<double>(1000, 0.1), 0.0, 0.0, 0.0, 0.0, Differences::Null},
    // The differences' sums are kept scaled, so their spread (1e200) is
    // written where the variance of X overflows: the two do not agree here.
    {"Overflow",
     {1e200, 2e200, 3e200},
     std::nullopt,
     std::nullopt,
     std::nullopt,
     std::nullopt,
     Differences::Unchecked},
};

// What one place wrote.
struct Reported {
    std::string place;
    Spread spread;
    Value value;
};

class SpreadAgreement : public EngineTest, public ::testing::WithParamInterface<std::size_t> {
  protected:
    void SetUp() override {
        EngineTest::SetUp();
        ASSERT_FALSE(engine.SetSourceDatabase(db));
        ASSERT_FALSE(engine.SetOutputDatabase(db));
        // One group and one crosstab column; X with an exact copy and zeros.
        makeTable("Spread", {Field("Grp", dbText, 4), Field("Col", dbText, 4), Field("X", dbDouble),
                             Field("Copy", dbDouble), Field("Zero", dbDouble)});
        std::vector<std::vector<Value>> rows;
        for (double x : kCases[GetParam()].xs)
            rows.push_back({Value::text("g"), Value::text("c"), Value::real(x), Value::real(x),
                            Value::real(0)});
        appendRows("Spread", {"Grp", "Col", "X", "Copy", "Zero"}, rows);
    }

    // Runs a scenario over Spread; its first output's rows in the order written.
    std::vector<TableRow> runOn(const std::string& category, const std::string& subtype,
                                std::vector<std::pair<std::string, std::string>> fields,
                                std::vector<std::pair<std::string, Value>> options,
                                const std::string& output) {
        ScenarioRow s;
        s.category = category;
        s.subtype = subtype;
        s.input = "Spread";
        s.output1 = output;
        s.fields = std::move(fields);
        const auto id = addScenario(s);
        setOptions(id, std::move(options));
        EXPECT_TRUE(run(id)) << subtype << ": " << engine.ErrorInfo();
        return tableRows(output, "rowid");
    }

    static Value at(const std::vector<TableRow>& rows, std::size_t r, const std::string& column) {
        if (r >= rows.size() || !rows[r].count(column)) {
            ADD_FAILURE() << "no row " << r << " with column [" << column << "]";
            return {};
        }
        return rows[r].at(column);
    }

    // Every place's spread of X.
    std::vector<Reported> everyPlace() {
        std::vector<Reported> out;
        const auto d = runOn("P", "Describe", {{"X", "X"}}, {{"VarStd", true}}, "OutDescribe");
        out.push_back({"Describe Variance", Spread::Var, at(d, 0, "Variance")});
        out.push_back({"Describe StdDeviation", Spread::Std, at(d, 0, "StdDeviation")});

        const Value noTest = false;
        const auto copy =
            runOn("P", "Compare", {{"X", "X"}, {"Copy", "Y"}},
                  {{"MeanXY", true}, {"CorrXY", true}, {"CountXY", noTest}}, "OutCompareCopy");
        out.push_back({"Compare Covariance with a copy", Spread::Var, at(copy, 0, "Covariance")});
        const auto zero =
            runOn("P", "Compare", {{"X", "X"}, {"Zero", "Y"}},
                  {{"MeanXY", true}, {"CorrXY", true}, {"CountXY", noTest}}, "OutCompareZero");
        const Differences differences = kCases[GetParam()].differences;
        if (differences == Differences::AsStd) {
            out.push_back({"Compare StdDevDiff against 0", Spread::Std, at(zero, 0, "StdDevDiff")});
        } else if (differences == Differences::Null) {
            EXPECT_TRUE(at(zero, 0, "StdDevDiff").isNull()) << "Compare StdDevDiff of no spread";
        }

        // Rows per statistic, then per row field (X, Copy, Zero); a column
        // per field.
        const auto m = runOn("P", "Matrix", {{"X", "X"}, {"Copy", "X"}, {"Zero", "X"}},
                             {{"MCnt", noTest},
                              {"MMis", noTest},
                              {"MMean", noTest},
                              {"MDev", true},
                              {"MCov", true},
                              {"MCor", noTest},
                              {"MR2", noTest},
                              {"MT", noTest},
                              {"MProb", noTest}},
                             "OutMatrix");
        EXPECT_EQ(m.size(), 6u);
        EXPECT_EQ(at(m, 0, "CalcType").toText(), "StdDevDiff");
        EXPECT_EQ(at(m, 3, "CalcType").toText(), "Covariance");
        out.push_back({"Matrix Covariance of X with X", Spread::Var, at(m, 3, "X")});
        out.push_back({"Matrix Covariance of X with its copy", Spread::Var, at(m, 3, "Copy")});
        if (differences == Differences::AsStd) {
            out.push_back({"Matrix StdDevDiff of X and 0", Spread::Std, at(m, 0, "Zero")});
        } else if (differences == Differences::Null) {
            EXPECT_TRUE(at(m, 0, "Zero").isNull()) << "Matrix StdDevDiff of no spread";
        }

        // A table of one cell: row g, column c; its row summary is the same cell.
        for (const auto& [type, spread] : {std::pair{"V", Spread::Var}, {"D", Spread::Std}}) {
            const auto x = runOn("P", "Crosstab", {{"Grp", "G"}, {"Col", "C"}, {"X", "X"}},
                                 {{"XType", std::string(type)}}, std::string("OutCrosstab") + type);
            out.push_back({std::string("Crosstab ") + type + " cell", spread, at(x, 0, "c")});
            out.push_back(
                {std::string("Crosstab ") + type + " RowSummary", spread, at(x, 0, "RowSummary")});
        }

        const auto k = runOn("N", "K-S Fit", {{"X", "X"}},
                             {{"FitUniform", noTest}, {"FitNormal", true}, {"FitPoisson", noTest}},
                             "OutKSFit");
        out.push_back({"K-S fit StdDeviation", Spread::Std, at(k, 0, "StdDeviation")});

        auto rs = db.OpenRecordset("SELECT StDev(X), StDevP(X), Var(X), VarP(X) FROM Spread");
        EXPECT_TRUE(rs.ok()) << (rs.ok() ? "" : rs.error().description);
        if (rs.ok() && !rs->Eof()) {
            out.push_back({"SQL StDev", Spread::Std, rs->GetValue(0)});
            out.push_back({"SQL StDevP", Spread::StdP, rs->GetValue(1)});
            out.push_back({"SQL Var", Spread::Var, rs->GetValue(2)});
            out.push_back({"SQL VarP", Spread::VarP, rs->GetValue(3)});
            rs->Close();
        }
        return out;
    }
};

// Describe 2, Compare 1, matrix 2, crosstab 4, K-S fit 1, SQL 4, and the
// two spreads of differences where they are compared.
std::size_t placesOf(const SpreadCase& c) {
    return c.differences == Differences::AsStd ? 16 : 14;
}

// Relative: a few units in the last place of a double.
constexpr double kTolerance = 1e-15;

bool agrees(double got, double want) {
    return got == want || std::fabs(got - want) <= kTolerance * std::fabs(want);
}

TEST_P(SpreadAgreement, EveryPlaceGivesTheExactSpreadOrNull) {
    const SpreadCase& c = kCases[GetParam()];
    const std::vector<Reported> places = everyPlace();
    ASSERT_EQ(places.size(), placesOf(kCases[GetParam()]));
    for (const Reported& p : places) {
        SCOPED_TRACE(p.place + " (" + name(p.spread) + ")");
        const std::optional<double> want = c.want(p.spread);
        if (!want) {
            EXPECT_TRUE(p.value.isNull()) << "wrote " << p.value.toText();
            continue;
        }
        ASSERT_FALSE(p.value.isNull());
        ASSERT_EQ(p.value.kind(), ValueKind::Double);
        const double got = p.value.asDouble();
        EXPECT_TRUE(agrees(got, *want)) << std::hexfloat << got << ", want " << *want;
    }
}

TEST_P(SpreadAgreement, EveryPlaceAgreesWithDescribe) {
    // Apart from the exact value: the places against one another, so that a
    // difference shows as such even where the exact value is off for all.
    const std::vector<Reported> places = everyPlace();
    ASSERT_EQ(places.size(), placesOf(kCases[GetParam()]));
    const Reported* var = &places[0];
    const Reported* sd = &places[1];
    for (const Reported& p : places) {
        const Reported* base = p.spread == Spread::Var   ? var
                               : p.spread == Spread::Std ? sd
                                                         : nullptr;
        if (base == nullptr) continue;
        SCOPED_TRACE(p.place + " against " + base->place);
        ASSERT_EQ(p.value.isNull(), base->value.isNull())
            << p.value.toText() << " against " << base->value.toText();
        if (!p.value.isNull()) {
            EXPECT_TRUE(agrees(p.value.asDouble(), base->value.asDouble()))
                << std::hexfloat << p.value.asDouble() << " against " << base->value.asDouble();
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, SpreadAgreement,
                         ::testing::Range<std::size_t>(0, std::size(kCases)),
                         [](const auto& info) { return std::string(kCases[info.param].name); });

}  // namespace
}  // namespace qrv::test
