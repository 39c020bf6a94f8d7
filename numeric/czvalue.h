// CZValue: the distribution class behind every p-value and critical value the
// analyses report: normal, Student t, chi-square and F probabilities and their
// inverses, the Kolmogorov-Smirnov limiting distribution, binomial
// coefficients and Poisson terms. The special functions underneath (Lanczos
// log-gamma, incomplete gamma by series and continued fraction, incomplete
// beta by continued fraction) keep this system's own constants, iteration
// limits and tolerances, because published results depend on them.
//
// Errors are values: the probability routines never throw. Where the
// arithmetic fails (logarithm of a non-positive number, division by zero,
// overflow) Quorvane_CalcProb, Quorvane_FindValue and Quorvane_CalcKSProb
// return 0. Quorvane_Binomial and Quorvane_Poisson do not trap; their faults
// come back as NaN for the calling analysis to handle.
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

    // C(n, k) from cached log-factorials; close to, not forced to, an integer.
    // NaN when the factorial table is needed before Quorvane_FactorialInit or
    // n - k overflows 32 bits.
    double Quorvane_Binomial(std::int32_t n, std::int32_t k);

    // Kolmogorov-Smirnov upper tail Q(z) = P(K > z).
    double Quorvane_CalcKSProb(double z) const;

    // type "Z": central normal area P(-|x| <= Z <= |x|); "T": two-tailed t with
    // df1 degrees of freedom; "C": chi-square upper tail, df1; "F": F upper
    // tail at |x|, df1 over df2. Type matched as a whole, ignoring case; any
    // other type, or df <= 0 where it is used, gives 0.
    double Quorvane_CalcProb(std::string_view type, double x, double df1, double df2) const;

    // Prepares the log-factorial cache used by Quorvane_Binomial and
    // Quorvane_Poisson.
    void Quorvane_FactorialInit();

    // The x at which Quorvane_CalcProb(type, x, df1, df2) equals p, by regula
    // falsi (Illinois). highPrecision asks for the 2e-15 tolerance, relaxed to
    // the standard 1e-12 after 1000 iterations.
    double Quorvane_FindValue(std::string_view type, double p, double df1, double df2,
                              bool highPrecision) const;

    // exp(k*b - a - ln k!); with a = lambda and b = ln(lambda) the Poisson
    // probability P(X = k). NaN when k needs the table before initialisation.
    double Quorvane_Poisson(double a, double b, std::int32_t k);

  private:
    static constexpr int kFactorialEntries = 33;  // ln 0! .. ln 32!

    double IncompleteBeta(double a, double b, double x) const;
    double BetaContinuedFraction(double a, double b, double x) const;
    double LogGamma(double x) const;
    double GammaQ(double a, double x) const;
    double GammaContinuedFraction(double a, double x) const;
    double GammaSeries(double a, double x) const;
    double LogFactorial(std::int32_t n);
    double NormalArea(double z) const;

    // Fault-recording arithmetic: each marks fault_ instead of producing an
    // infinity or NaN that the trapping entry points would have to chase.
    double GuardedExp(double e) const;
    double Ln(double v) const;
    double Div(double num, double den) const;
    double CalcProbRaw(std::string_view type, double x, double df1, double df2) const;

    // Entry k (1-based, as the table is described) holds ln((k-1)!).
    std::array<double, kFactorialEntries + 1> factorial_{};
    std::int16_t highestCached_ = 0;
    bool factorialReady_ = false;

    // Set by the guarded arithmetic; each trapping entry point clears it on
    // entry, reads it on exit and restores the caller's value.
    mutable bool fault_ = false;

    friend struct CZValueProbe;  // white-box access for the unit tests
};

}  // namespace qrv::num
