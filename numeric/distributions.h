// CZValue: the distribution class behind every p-value and critical value the
// analyses report: normal, Student t, chi-square and F probabilities and their
// inverses, the Kolmogorov-Smirnov limiting distribution, binomial
// coefficients and Poisson terms. Everything is computed to full double
// precision over the whole range a double can hold, tails down to the
// smallest normal double included: the work is done in extended precision
// (long double) with Boost.Math and rounded once to double.
//
// Errors are values: nothing here throws. Where a result does not exist
// (degrees of freedom <= 0, an unknown type, a NaN argument, a critical value
// beyond the largest double) Quorvane_CalcProb, Quorvane_CalcTailProb,
// Quorvane_FindValue, Quorvane_FindTailValue and Quorvane_CalcKSProb return 0.
// Quorvane_Binomial and Quorvane_Poisson give NaN when used before
// Quorvane_FactorialInit (see there) for the calling analysis to handle.
//
// An object is not shared between analyses or threads.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace qrv::num {

class CZValue {
  public:
    CZValue() = default;

    // C(n, k) for 0 <= k <= n, exact while it fits in 53 bits and correctly
    // rounded or nearly so beyond; +infinity past the largest double. For
    // other k the value n! / (k! (n - k)!) with m! taken as 1 for negative m
    // (so C(3, 5) = 3!/5!). NaN when the factorial table is needed (any of n,
    // k, n - k in 0..32) before Quorvane_FactorialInit, or n - k overflows
    // 32 bits.
    double Quorvane_Binomial(std::int32_t n, std::int32_t k);

    // Kolmogorov-Smirnov upper tail Q(z) = P(K > z); 1 for z <= 0.
    double Quorvane_CalcKSProb(double z) const;

    // type "Z": central normal area P(-|x| <= Z <= |x|); "T": two-tailed t with
    // df1 degrees of freedom; "C": chi-square upper tail, df1; "F": F upper
    // tail at |x|, df1 over df2. Type matched as a whole, ignoring case; any
    // other type, or df <= 0 where it is used, gives 0.
    double Quorvane_CalcProb(std::string_view type, double x, double df1, double df2) const;

    // The p-value: like Quorvane_CalcProb except that "Z" gives the two-tailed
    // P(|Z| >= |x|), computed directly rather than as 1 minus the central
    // area, so it keeps its digits far out (about 1e-300 at |x| = 37).
    double Quorvane_CalcTailProb(std::string_view type, double x, double df1, double df2) const;

    // Fills the table of 0! .. 32! that Quorvane_Binomial and Quorvane_Poisson
    // use for small arguments; call once before them.
    void Quorvane_FactorialInit();

    // The x >= 0 at which Quorvane_CalcProb(type, x, df1, df2) equals p; 0
    // when p is outside [0, 1] or no finite x exists. highPrecision is kept
    // for callers that pass it; both settings give the full-precision value.
    double Quorvane_FindValue(std::string_view type, double p, double df1, double df2,
                              bool highPrecision) const;

    // The critical value: the x >= 0 at which Quorvane_CalcTailProb equals p
    // ("Z" and "T" two-tailed, "C" and "F" upper tail), computed from p
    // itself, so a p of 1e-300 still gives every digit. 0 as above.
    double Quorvane_FindTailValue(std::string_view type, double p, double df1, double df2) const;

    // exp(k*b - a - ln k!); with a = lambda and b = ln(lambda) the Poisson
    // probability P(X = k). b is meant as the caller's std::log(a): only its
    // difference from that enters, as the factor exp(k (b - log a)), so the
    // usual call gives P(X = k) to full precision even where k ln(lambda) is
    // large. ln k! is 0 for negative k. NaN when k is in 0..32 before
    // Quorvane_FactorialInit.
    double Quorvane_Poisson(double a, double b, std::int32_t k);

  private:
    static constexpr int kTableSize = 33;  // 0! .. 32!

    bool NeedsTable(std::int64_t m) const;
    double FactorialRatio(std::int32_t m, std::int32_t d) const;

    std::array<double, kTableSize> factorial_{};  // entry m holds m!
    bool factorialReady_ = false;
};

}  // namespace qrv::num
