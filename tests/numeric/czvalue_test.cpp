// Tests of CZValue. Reference values come from published tables (normal, t,
// chi-square and F critical values; Smirnov's table of the Kolmogorov
// distribution) and from closed forms that hold for particular degrees of
// freedom (t with 1 and 2 df, chi-square with even df, F with 2 df on either
// side), evaluated here with the C library's exp, log, atan and erf.
//
// Tolerances follow what the prescribed methods can reach, not what this
// build happens to produce: the six-term Lanczos series is good to about
// 2e-10 in ln Gamma, the incomplete gamma stops at a relative step of 3e-7,
// and the alternating normal series loses digits to cancellation as z grows.
#include "numeric/czvalue.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>

namespace qrv::num {

// White-box access to the private routines named by the method description.
struct CZValueProbe {
    static double LogGamma(const CZValue& z, double x) { return z.LogGamma(x); }
    static double LogFactorial(CZValue& z, std::int32_t n) { return z.LogFactorial(n); }
    static int HighestCached(const CZValue& z) { return z.highestCached_; }
    static double GuardedExp(const CZValue& z, double e) { return z.GuardedExp(e); }
    static bool FaultsOnIncompleteBeta(const CZValue& z, double a, double b, double x) {
        z.fault_ = false;
        z.IncompleteBeta(a, b, x);
        bool faulted = z.fault_;
        z.fault_ = false;
        return faulted;
    }
    static bool FaultsOnGuardedExp(const CZValue& z, double e) {
        z.fault_ = false;
        z.GuardedExp(e);
        bool faulted = z.fault_;
        z.fault_ = false;
        return faulted;
    }
};

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Relative closeness with a readable failure message.
::testing::AssertionResult RelNear(double actual, double expected, double rel) {
    double err = std::fabs(actual - expected) / std::fabs(expected);
    if (err <= rel) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "actual " << actual << " expected " << expected
                                         << " relative error " << err << " > " << rel;
}

// Chi-square upper tail for even df = 2k: exp(-x/2) * sum_{j<k} (x/2)^j / j!.
double ChiSquareEvenUpper(double x, int df) {
    double h = x / 2.0, term = 1.0, sum = 1.0;
    for (int j = 1; j < df / 2; ++j) {
        term *= h / j;
        sum += term;
    }
    return std::exp(-h) * sum;
}

// Kolmogorov upper tail by its defining series 2 * sum (-1)^(k-1) exp(-2 k^2 z^2).
double KolmogorovUpper(double z) {
    double sum = 0.0;
    for (int k = 1; k <= 200; ++k) {
        double t = std::exp(-2.0 * k * k * z * z);
        sum += (k % 2 == 1) ? t : -t;
    }
    return 2.0 * sum;
}

// ---- normal -----------------------------------------------------------------

TEST(CZValueNormal, CentralAreaAgainstErf) {
    CZValue z;
    // Published: Phi(1.96) = 0.9750021, so the central area is 0.9500042.
    double area = z.Quorvane_CalcProb("Z", 1.96, 0, 0);
    EXPECT_NEAR(0.5 + area / 2.0, 0.9750021, 5e-8);
    // The series is essentially exact for moderate z; cancellation between
    // its alternating terms costs digits further out.
    struct Case {
        double x, tol;
    } cases[] = {{0.25, 1e-15}, {1.0, 1e-14}, {1.96, 1e-14}, {3.0, 1e-13},
                 {4.0, 1e-12},  {5.0, 1e-10}, {6.0, 1e-8},   {6.29, 5e-8}};
    for (const Case& c : cases) {
        EXPECT_NEAR(z.Quorvane_CalcProb("Z", c.x, 0, 0), std::erf(c.x / std::sqrt(2.0)), c.tol)
            << "z = " << c.x;
    }
}

TEST(CZValueNormal, SignCaseAndLimits) {
    CZValue z;
    EXPECT_EQ(z.Quorvane_CalcProb("z", -1.96, 0, 0), z.Quorvane_CalcProb("Z", 1.96, 0, 0));
    EXPECT_EQ(z.Quorvane_CalcProb("Z", 0.0, 0, 0), 0.0);
    EXPECT_EQ(z.Quorvane_CalcProb("Z", 6.31, 0, 0), 1.0);
    EXPECT_EQ(z.Quorvane_CalcProb("Z", -7.0, 0, 0), 1.0);
    // A tiny z ends the series after its minimum four terms: 2z/sqrt(2 pi).
    EXPECT_TRUE(
        RelNear(z.Quorvane_CalcProb("Z", 1e-300, 0, 0), 1e-300 * std::sqrt(2.0 / kPi), 1e-13));
}

// ---- Student t --------------------------------------------------------------

TEST(CZValueStudentT, TwoTailedAgainstClosedForms) {
    CZValue z;
    for (double t : {0.1, 1.0, 2.5, 12.7062, 100.0}) {
        // 1 df (Cauchy): P(|T| >= t) = 1 - (2/pi) atan t.
        EXPECT_TRUE(
            RelNear(z.Quorvane_CalcProb("T", t, 1, 0), 1.0 - 2.0 / kPi * std::atan(t), 1e-9))
            << "t = " << t;
        // 2 df: P(|T| >= t) = 1 - t / sqrt(2 + t^2).
        EXPECT_TRUE(
            RelNear(z.Quorvane_CalcProb("T", -t, 2, 0), 1.0 - t / std::sqrt(2.0 + t * t), 1e-9))
            << "t = " << -t;
    }
}

TEST(CZValueStudentT, PublishedCriticalValueAndLimits) {
    CZValue z;
    // Table: t(10 df, 0.05 two-tailed) = 2.228139.
    EXPECT_NEAR(z.Quorvane_CalcProb("T", 2.228139, 10, 0), 0.05, 1e-7);
    EXPECT_EQ(z.Quorvane_CalcProb("T", 0.0, 10, 0), 1.0);
    EXPECT_EQ(z.Quorvane_CalcProb("t", 2.0, 0, 0), 0.0) << "df <= 0";
    EXPECT_EQ(z.Quorvane_CalcProb("T", 2.0, -3, 0), 0.0) << "df <= 0";
}

// ---- chi-square -------------------------------------------------------------

TEST(CZValueChiSquare, UpperTailAgainstClosedForms) {
    CZValue z;
    // Both incomplete-gamma branches (series below x/2 = a + 1, fraction above).
    for (int df : {2, 4, 6, 10, 30}) {
        for (double x : {0.1, 1.0, 3.0, 7.5, 15.0, 40.0, 80.0}) {
            EXPECT_TRUE(
                RelNear(z.Quorvane_CalcProb("C", x, df, 0), ChiSquareEvenUpper(x, df), 5e-7))
                << "df = " << df << ", x = " << x;
        }
    }
    // 1 df: P(X >= x) = erfc(sqrt(x/2)); the table's 3.841459 gives 0.05.
    for (double x : {0.5, 3.841459, 9.0}) {
        EXPECT_TRUE(RelNear(z.Quorvane_CalcProb("C", x, 1, 0), std::erfc(std::sqrt(x / 2.0)), 5e-7))
            << "x = " << x;
    }
}

TEST(CZValueChiSquare, PublishedCriticalValueAndLimits) {
    CZValue z;
    // Table: chi-square(5 df) upper 0.05 point is 11.0705.
    EXPECT_NEAR(z.Quorvane_CalcProb("C", 11.0705, 5, 0), 0.05, 5e-6);
    EXPECT_EQ(z.Quorvane_CalcProb("C", 0.0, 5, 0), 1.0);
    EXPECT_EQ(z.Quorvane_CalcProb("C", -4.0, 5, 0), 1.0);
    EXPECT_EQ(z.Quorvane_CalcProb("C", 3.0, 0, 0), 0.0) << "df <= 0";
}

// ---- F ----------------------------------------------------------------------

TEST(CZValueF, UpperTailAgainstClosedForms) {
    CZValue z;
    for (double x : {0.1, 0.9, 3.0, 10.0, 250.0}) {
        // 2 numerator df: P(F >= x) = (d2 / (d2 + 2x))^(d2/2).
        for (double d2 : {1.0, 7.0, 30.0}) {
            EXPECT_TRUE(RelNear(z.Quorvane_CalcProb("F", x, 2, d2),
                                std::pow(d2 / (d2 + 2.0 * x), d2 / 2.0), 1e-9))
                << "F(2, " << d2 << ") at " << x;
        }
        // 2 denominator df: P(F >= x) = 1 - (d1 x / (d1 x + 2))^(d1/2).
        for (double d1 : {1.0, 5.0, 12.0}) {
            EXPECT_TRUE(RelNear(z.Quorvane_CalcProb("F", x, d1, 2),
                                1.0 - std::pow(d1 * x / (d1 * x + 2.0), d1 / 2.0), 1e-9))
                << "F(" << d1 << ", 2) at " << x;
        }
    }
}

TEST(CZValueF, PublishedCriticalValueAndLimits) {
    CZValue z;
    // Table: F(3, 20) upper 0.05 point is 3.0984.
    EXPECT_NEAR(z.Quorvane_CalcProb("F", 3.0984, 3, 20), 0.05, 5e-6);
    EXPECT_EQ(z.Quorvane_CalcProb("F", 0.0, 3, 10), 1.0);
    EXPECT_EQ(z.Quorvane_CalcProb("F", -2.0, 3, 10), z.Quorvane_CalcProb("F", 2.0, 3, 10));
    EXPECT_EQ(z.Quorvane_CalcProb("F", 2.0, 0, 10), 0.0) << "df1 <= 0";
    EXPECT_EQ(z.Quorvane_CalcProb("F", 2.0, 3, 0), 0.0) << "df2 <= 0";
}

// ---- type text --------------------------------------------------------------

TEST(CZValueType, WholeTextComparedWithoutCase) {
    CZValue z;
    EXPECT_EQ(z.Quorvane_CalcProb("c", 3.0, 4, 0), z.Quorvane_CalcProb("C", 3.0, 4, 0));
    EXPECT_EQ(z.Quorvane_CalcProb("f", 3.0, 4, 9), z.Quorvane_CalcProb("F", 3.0, 4, 9));
    EXPECT_GT(z.Quorvane_CalcProb("C", 3.0, 4, 0), 0.0);
    EXPECT_EQ(z.Quorvane_CalcProb("Q", 1.0, 1, 1), 0.0);
    EXPECT_EQ(z.Quorvane_CalcProb("", 1.0, 1, 1), 0.0);
    EXPECT_EQ(z.Quorvane_CalcProb("Chi", 3.0, 4, 0), 0.0) << "only the single letter matches";
}

// ---- traps and the underflow guard ------------------------------------------

TEST(CZValueFaults, ArithmeticFaultsReturnZero) {
    CZValue z;
    EXPECT_EQ(z.Quorvane_CalcProb("T", kNaN, 5, 0), 0.0);
    EXPECT_EQ(z.Quorvane_CalcProb("C", kNaN, 5, 0), 0.0);
    EXPECT_EQ(z.Quorvane_CalcProb("F", kNaN, 5, 7), 0.0);
    EXPECT_EQ(z.Quorvane_CalcProb("Z", kNaN, 0, 0), 0.0);
    EXPECT_EQ(z.Quorvane_CalcKSProb(kNaN), 0.0);
    // An argument outside [0, 1] takes the logarithm of a negative number.
    EXPECT_TRUE(CZValueProbe::FaultsOnIncompleteBeta(z, 2.0, 3.0, 1.5));
    EXPECT_TRUE(CZValueProbe::FaultsOnIncompleteBeta(z, 2.0, 3.0, -0.5));
    EXPECT_FALSE(CZValueProbe::FaultsOnIncompleteBeta(z, 2.0, 3.0, 0.5));
    // The trap is local: a fault does not poison the next call.
    EXPECT_TRUE(RelNear(z.Quorvane_CalcProb("T", 1.0, 1, 0), 0.5, 1e-9));
}

TEST(CZValueFaults, UnderflowGuardGivesExactZeroNotAFault) {
    CZValue z;
    EXPECT_EQ(CZValueProbe::GuardedExp(z, -2000.0), 0.0);
    EXPECT_FALSE(CZValueProbe::FaultsOnGuardedExp(z, -2500.0));
    EXPECT_EQ(CZValueProbe::GuardedExp(z, -700.0), std::exp(-700.0));
    EXPECT_GT(CZValueProbe::GuardedExp(z, -700.0), 0.0);
    EXPECT_TRUE(CZValueProbe::FaultsOnGuardedExp(z, 710.0)) << "overflow is a fault";
    // Far tails whose log-density exponent is below -2000.
    EXPECT_EQ(z.Quorvane_CalcProb("C", 5000.0, 1, 0), 0.0);
    EXPECT_EQ(z.Quorvane_CalcProb("T", 1e10, 1000, 0), 0.0);
    EXPECT_EQ(z.Quorvane_CalcProb("F", 1e12, 400, 400), 0.0);
}

// ---- inverses ---------------------------------------------------------------

TEST(CZValueFindValue, PublishedCriticalValues) {
    CZValue z;
    // Standard tables, to the digits they print.
    EXPECT_NEAR(z.Quorvane_FindValue("Z", 0.95, 0, 0, true), 1.959964, 5e-7);
    EXPECT_NEAR(z.Quorvane_FindValue("T", 0.05, 10, 0, true), 2.228139, 5e-7);
    EXPECT_NEAR(z.Quorvane_FindValue("C", 0.05, 5, 0, true), 11.0705, 5e-5);
    EXPECT_NEAR(z.Quorvane_FindValue("F", 0.05, 3, 20, true), 3.0984, 5e-5);
    EXPECT_NEAR(z.Quorvane_FindValue("F", 0.05, 3, 10, true), 3.708, 5e-4);
    // chi-square with 1 df is the square of the two-tailed normal point.
    EXPECT_NEAR(z.Quorvane_FindValue("C", 0.05, 1, 0, true), 1.959964 * 1.959964, 5e-6);
    // Standard precision, as the descriptive statistics call it.
    EXPECT_NEAR(z.Quorvane_FindValue("Z", 0.95, 0, 0, false), 1.959964, 5e-7);
}

TEST(CZValueFindValue, RootsAgainstClosedForms) {
    CZValue z;
    for (double p : {0.2, 0.05, 0.01, 0.001}) {
        // t, 1 df: x = cot(pi p / 2). With p = 0.05 the root, 12.706, lies far
        // beyond the initial bracket [0, 3] and is reached by extrapolation.
        EXPECT_TRUE(
            RelNear(z.Quorvane_FindValue("T", p, 1, 0, true), 1.0 / std::tan(kPi * p / 2.0), 1e-8))
            << "t(1), p = " << p;
        // t, 2 df: with q = 1 - p, x = q sqrt(2 / (1 - q^2)).
        double q = 1.0 - p;
        EXPECT_TRUE(RelNear(z.Quorvane_FindValue("T", p, 2, 0, true),
                            q * std::sqrt(2.0 / (1.0 - q * q)), 1e-8))
            << "t(2), p = " << p;
        // chi-square, 2 df: x = -2 ln p.
        EXPECT_TRUE(RelNear(z.Quorvane_FindValue("C", p, 2, 0, true), -2.0 * std::log(p), 1e-6))
            << "chi-square(2), p = " << p;
        // F(2, 9): x = (d2/2)(p^(-2/d2) - 1).
        EXPECT_TRUE(RelNear(z.Quorvane_FindValue("F", p, 2, 9, true),
                            4.5 * (std::pow(p, -2.0 / 9.0) - 1.0), 1e-8))
            << "F(2, 9), p = " << p;
        // F(6, 2): with r = (1 - p)^(2/d1), x = 2r / (d1 (1 - r)).
        double r = std::pow(1.0 - p, 2.0 / 6.0);
        EXPECT_TRUE(
            RelNear(z.Quorvane_FindValue("f", p, 6, 2, true), 2.0 * r / (6.0 * (1.0 - r)), 1e-8))
            << "F(6, 2), p = " << p;
    }
}

TEST(CZValueFindValue, PrecisionFlagSelectsTolerance) {
    CZValue z;
    // The normal series is accurate to ~1e-16 near 1.96, so the attained
    // central area shows the tolerance used: 2e-15 or 1e-12.
    double high = z.Quorvane_FindValue("Z", 0.95, 0, 0, true);
    double standard = z.Quorvane_FindValue("Z", 0.95, 0, 0, false);
    EXPECT_NEAR(std::erf(high / std::sqrt(2.0)), 0.95, 1e-14);
    EXPECT_NEAR(std::erf(standard / std::sqrt(2.0)), 0.95, 1.1e-12);
}

TEST(CZValueFindValue, DegreesOfFreedomNotPositiveGiveZero) {
    CZValue z;
    EXPECT_EQ(z.Quorvane_FindValue("T", 0.05, 0, 0, true), 0.0);
    EXPECT_EQ(z.Quorvane_FindValue("C", 0.05, 0, 0, true), 0.0);
    EXPECT_EQ(z.Quorvane_FindValue("C", 0.05, -2, 0, false), 0.0);
    EXPECT_EQ(z.Quorvane_FindValue("F", 0.05, 0, 5, true), 0.0);
    EXPECT_EQ(z.Quorvane_FindValue("F", 0.05, 3, 0, true), 0.0);
    EXPECT_EQ(z.Quorvane_FindValue("F", 0.05, -1, -1, true), 0.0);
    EXPECT_EQ(z.Quorvane_FindValue("Q", 0.05, 3, 3, true), 0.0) << "unknown type";
}

// ---- Kolmogorov-Smirnov -----------------------------------------------------

TEST(CZValueKS, SmirnovTableCriticalValues) {
    CZValue z;
    // Smirnov (1948): P(K > 1.2238) = 0.10, P(K > 1.3581) = 0.05,
    // P(K > 1.6276) = 0.01; the four-decimal arguments limit the match.
    EXPECT_NEAR(z.Quorvane_CalcKSProb(1.2238), 0.10, 5e-5);
    EXPECT_NEAR(z.Quorvane_CalcKSProb(1.3581), 0.05, 5e-5);
    EXPECT_NEAR(z.Quorvane_CalcKSProb(1.6276), 0.01, 5e-5);
}

TEST(CZValueKS, BothFormulasAgainstDefiningSeries) {
    CZValue z;
    // Below 1 the theta-transformed form with its 7-digit constants is used,
    // good to a few 1e-7; from 1 on the alternating sum is near exact.
    for (double x : {0.3, 0.5, 0.8, std::nextafter(1.0, 0.0)}) {
        EXPECT_NEAR(z.Quorvane_CalcKSProb(x), KolmogorovUpper(x), 2e-6) << "z = " << x;
    }
    for (double x : {1.0, 1.5, 2.0, 3.0}) {
        EXPECT_NEAR(z.Quorvane_CalcKSProb(x), KolmogorovUpper(x), 1e-15) << "z = " << x;
    }
    // The two sides of 1 come from different formulas: one ulp apart in z
    // the true Q moves by ~1e-16, but the 7-digit constants leave a step of
    // a few 1e-7 at the switch.
    double step = z.Quorvane_CalcKSProb(std::nextafter(1.0, 0.0)) - z.Quorvane_CalcKSProb(1.0);
    EXPECT_GT(std::fabs(step), 1e-7);
    EXPECT_LT(std::fabs(step), 2e-6);
}

TEST(CZValueKS, CutOffs) {
    CZValue z;
    EXPECT_EQ(z.Quorvane_CalcKSProb(0.2), 1.0);
    EXPECT_EQ(z.Quorvane_CalcKSProb(std::nextafter(0.27, 0.0)), 1.0);
    EXPECT_LT(z.Quorvane_CalcKSProb(0.27), 1.0);
    EXPECT_GT(z.Quorvane_CalcKSProb(std::nextafter(3.1, 0.0)), 0.0);
    EXPECT_EQ(z.Quorvane_CalcKSProb(3.1), 0.0);
}

// ---- binomial, Poisson and the factorial cache ------------------------------

TEST(CZValueCounting, BinomialCoefficients) {
    CZValue z;
    z.Quorvane_FactorialInit();
    EXPECT_TRUE(RelNear(z.Quorvane_Binomial(10, 3), 120.0, 1e-13));
    EXPECT_TRUE(RelNear(z.Quorvane_Binomial(25, 12), 5200300.0, 1e-12));
    // 52 is past the cached factorials: ln 52! comes from log-gamma.
    EXPECT_TRUE(RelNear(z.Quorvane_Binomial(52, 5), 2598960.0, 1e-9));
    // By hand, binomial sign test: P(at most 5 of 10) = 638 / 1024.
    double sum = 0.0;
    for (int k = 0; k <= 5; ++k) sum += z.Quorvane_Binomial(10, k);
    EXPECT_NEAR(sum * std::pow(0.5, 10), 0.623046875, 1e-13);
    // k > n: ln of a negative factorial counts as 0, so 3!/5! = 0.05.
    EXPECT_TRUE(RelNear(z.Quorvane_Binomial(3, 5), 0.05, 1e-13));
}

TEST(CZValueCounting, PoissonTermsAgainstRecurrence) {
    CZValue z;
    z.Quorvane_FactorialInit();
    // By hand: lambda = 2, k = 3: e^-2 * 8 / 6.
    EXPECT_TRUE(
        RelNear(z.Quorvane_Poisson(2.0, std::log(2.0), 3), std::exp(-2.0) * 8.0 / 6.0, 1e-13));
    // p(k) = p(k-1) * lambda / k from p(0) = e^-lambda; k up to 45 crosses
    // from the cached factorials to log-gamma at 33.
    const double lambda = 30.0;
    double p = std::exp(-lambda);
    for (int k = 0; k <= 45; ++k) {
        if (k > 0) p *= lambda / k;
        double tol = k < 33 ? 1e-12 : 1e-9;
        EXPECT_TRUE(RelNear(z.Quorvane_Poisson(lambda, std::log(lambda), k), p, tol))
            << "k = " << k;
    }
}

TEST(CZValueCounting, FactorialCacheFillsUpwardsTo32Only) {
    CZValue z;
    z.Quorvane_FactorialInit();
    EXPECT_EQ(CZValueProbe::HighestCached(z), 0);
    EXPECT_NEAR(CZValueProbe::LogFactorial(z, 5), std::log(120.0), 1e-14);
    EXPECT_EQ(CZValueProbe::HighestCached(z), 5);
    EXPECT_NEAR(CZValueProbe::LogFactorial(z, 32), std::lgamma(33.0), 1e-12);
    EXPECT_EQ(CZValueProbe::HighestCached(z), 32);
    EXPECT_NEAR(CZValueProbe::LogFactorial(z, 40), std::lgamma(41.0), 1e-9);
    EXPECT_EQ(CZValueProbe::HighestCached(z), 32) << "40! is not cached";
    EXPECT_EQ(CZValueProbe::LogFactorial(z, -3), 0.0);
}

TEST(CZValueCounting, FaultsComeBackAsNaN) {
    CZValue z;
    // Before Quorvane_FactorialInit the table is unusable...
    EXPECT_TRUE(std::isnan(z.Quorvane_Binomial(10, 3)));
    EXPECT_TRUE(std::isnan(z.Quorvane_Poisson(2.0, std::log(2.0), 3)));
    // ...but arguments past it never touch the table.
    EXPECT_NEAR(CZValueProbe::LogFactorial(z, 40), std::lgamma(41.0), 1e-9);
    z.Quorvane_FactorialInit();
    // n - k overflows 32 bits.
    EXPECT_TRUE(std::isnan(z.Quorvane_Binomial(std::numeric_limits<std::int32_t>::min(), 1)));
}

// ---- log-gamma ----------------------------------------------------------------

TEST(CZValueLogGamma, KnownValuesAndReflection) {
    CZValue z;
    // ln Gamma(1/2) = ln sqrt(pi); ln Gamma(10) = ln 9! = ln 362880.
    EXPECT_NEAR(CZValueProbe::LogGamma(z, 0.5), 0.5 * std::log(kPi), 1e-9);
    EXPECT_NEAR(CZValueProbe::LogGamma(z, 10.0), std::log(362880.0), 1e-9);
    EXPECT_NEAR(CZValueProbe::LogGamma(z, 1.0), 0.0, 1e-9);
    // Below 1 the reflection formula is used: Gamma(0.1) = 9.513507698668732.
    EXPECT_NEAR(CZValueProbe::LogGamma(z, 0.1), std::log(9.513507698668732), 1e-9);
    EXPECT_NEAR(CZValueProbe::LogGamma(z, 150.5), std::lgamma(150.5), 1e-9);
}

}  // namespace
}  // namespace qrv::num
