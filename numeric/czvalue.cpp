// CZValue: distributions and special functions. The constants, tolerances and
// iteration limits below are this system's own and are kept literally (for
// instance 3.14159265358979 rather than the full pi) so that reported values
// match earlier runs digit for digit. Combined sums and differences that the
// results are sensitive to are formed in Extended and rounded once.
#include "numeric/czvalue.h"

#include <cmath>
#include <limits>

#include "numeric/extended.h"

namespace qrv::num {

namespace {

constexpr double kPi = 3.14159265358979;
constexpr double kTwoPi = 6.28318530717958;
constexpr double kSqrtTwoPiLanczos = 2.50662827465;
constexpr double kUnderflowExponent = -2000.0;
constexpr int kIterationLimit = 1000;     // series and continued fractions
constexpr double kBetaEps = 1e-10;        // relative step of the beta fraction
constexpr double kGammaEps = 3e-7;        // incomplete gamma series and fraction
constexpr double kNormalMax = 6.3;        // central area is 1 beyond this
constexpr double kNormalTermEps = 1e-13;  // last term of the normal series
constexpr int kNormalMinCounter = 5;      // at least four terms are added
constexpr double kKSLow = 0.27;
constexpr double kKSMid = 1.0;
constexpr double kKSHigh = 3.1;
constexpr double kKSExpFactor = 1.233701;  // ~ pi^2/8, as published
constexpr double kKSScale = 2.506628;      // ~ sqrt(2 pi), as published
constexpr double kFindTolHigh = 2e-15;
constexpr double kFindTolStandard = 1e-12;
constexpr int kFindRelaxAfter = 1000;
// Bounds added here, not part of the method: the root search and the bracket
// widening would otherwise run for ever on hopeless input (an F bracket with
// df <= 0 never widens to a sign change). Both are far beyond any count
// reached on valid input.
constexpr int kFindMaxIterations = 100000;
constexpr int kBracketMaxSteps = 100000;

double Dec(const Extended& x) {
    return x.toDouble();
}

// The single upper-case letter a type text stands for, or 0 when the text is
// not exactly one of the letters.
char TypeLetter(std::string_view type) {
    if (type.size() != 1) return 0;
    char c = type[0];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    switch (c) {
        case 'Z':
        case 'T':
        case 'C':
        case 'F':
            return c;
        default:
            return 0;
    }
}

// Clears the fault flag for one trapping call and gives the caller's value
// back afterwards, so a nested trapping call cannot leak its fault outward.
class FaultScope {
  public:
    explicit FaultScope(bool& flag) : flag_(flag), saved_(flag) { flag_ = false; }
    ~FaultScope() { flag_ = saved_; }
    FaultScope(const FaultScope&) = delete;
    FaultScope& operator=(const FaultScope&) = delete;
    bool faulted() const { return flag_; }

  private:
    bool& flag_;
    bool saved_;
};

}  // namespace

// ---- guarded arithmetic -----------------------------------------------------

double CZValue::GuardedExp(double e) const {
    if (e <= kUnderflowExponent) return 0.0;
    double r = std::exp(e);
    if (!std::isfinite(r)) {
        fault_ = true;
        return 0.0;
    }
    return r;
}

double CZValue::Ln(double v) const {
    if (!(v > 0.0) || !std::isfinite(v)) {
        fault_ = true;
        return 0.0;
    }
    return std::log(v);
}

double CZValue::Div(double num, double den) const {
    if (den == 0.0 || std::isnan(den)) {
        fault_ = true;
        return 0.0;
    }
    return num / den;
}

// ---- special functions ------------------------------------------------------

double CZValue::LogGamma(double x) const {
    if (x < 1.0) {
        // Reflection keeps the series in the region where it is accurate.
        double z = 1.0 - x;
        return Dec(Extended(Ln(kPi * z)) - LogGamma(1.0 + z) - Ln(std::sin(kPi * z)));
    }
    double y = x - 1.0;
    double t = y + 5.5;
    t = Dec(Extended::product(y + 0.5, Ln(t)) - t);
    Extended s(1.0);
    s += 76.18009173 / (y + 1.0);
    s -= 86.50532033 / (y + 2.0);
    s += 24.01409822 / (y + 3.0);
    s -= 1.231739516 / (y + 4.0);
    s += 0.00120858003 / (y + 5.0);
    s -= 0.00000536382 / (y + 6.0);
    return Dec(Extended(t) + Ln(kSqrtTwoPiLanczos * Dec(s)));
}

double CZValue::IncompleteBeta(double a, double b, double x) const {
    double bt = 0.0;
    if (x != 0.0 && x != 1.0) {
        Extended e(LogGamma(a + b));
        e -= LogGamma(a);
        e -= LogGamma(b);
        e += Extended::product(a, Ln(x));
        e += Extended::product(b, Ln(1.0 - x));
        bt = GuardedExp(Dec(e));
    }
    // Each branch uses the fraction where it converges quickly.
    if (x < (a + 1.0) / (a + b + 2.0)) {
        return Div(bt * BetaContinuedFraction(a, b, x), a);
    }
    return Dec(1.0 - Extended(Div(bt * BetaContinuedFraction(b, a, 1.0 - x), b)));
}

double CZValue::BetaContinuedFraction(double a, double b, double x) const {
    double am = 1.0, bm = 1.0, az = 1.0;
    double qab = a + b, qap = a + 1.0, qam = a - 1.0;
    double bz = Dec(1.0 - Extended(qab * x / qap));
    for (int m = 1; m <= kIterationLimit; ++m) {
        double em = m;
        double tem = 2.0 * em;
        double d = Div(em * (b - m) * x, (qam + tem) * (a + tem));
        double ap = Dec(Extended(az) + Extended::product(d, am));
        double bp = Dec(Extended(bz) + Extended::product(d, bm));
        d = Div(-(a + em) * (qab + em) * x, (a + tem) * (qap + tem));
        double app = Dec(Extended(ap) + Extended::product(d, az));
        double bpp = Dec(Extended(bp) + Extended::product(d, bz));
        double aold = az;
        am = Div(ap, bpp);
        bm = Div(bp, bpp);
        az = Div(app, bpp);
        bz = 1.0;
        if (fault_) return 0.0;
        if (std::fabs(Dec(Extended(az) - aold)) < kBetaEps * std::fabs(az)) break;
    }
    return az;  // reaching the limit is silent: the value reached is used
}

double CZValue::GammaQ(double a, double x) const {
    if (x >= a + 1.0) return GammaContinuedFraction(a, x);
    return Dec(1.0 - Extended(GammaSeries(a, x)));
}

double CZValue::GammaSeries(double a, double x) const {
    double gln = LogGamma(a);
    if (x <= 0.0) return 0.0;
    double ap = a;
    double sum = Div(1.0, a);
    double del = sum;
    for (int n = 1; n <= kIterationLimit; ++n) {
        ap += 1.0;
        del = del * x / ap;
        sum += del;
        if (std::fabs(del) < std::fabs(sum) * kGammaEps) break;
    }
    Extended e(-x);
    e += Extended::product(a, Ln(x));
    e -= gln;
    return sum * GuardedExp(Dec(e));
}

double CZValue::GammaContinuedFraction(double a, double x) const {
    double gln = LogGamma(a);
    double gold = 0.0, a0 = 1.0, a1 = x, b0 = 0.0, b1 = 1.0, fac = 1.0, g = 0.0;
    for (int n = 1; n <= kIterationLimit; ++n) {
        double an = n;
        double ana = an - a;
        a0 = Dec((Extended(a1) + Extended::product(a0, ana)) * fac);
        b0 = Dec((Extended(b1) + Extended::product(b0, ana)) * fac);
        double anf = an * fac;
        a1 = Dec(Extended::product(x, a0) + Extended::product(anf, a1));
        b1 = Dec(Extended::product(x, b0) + Extended::product(anf, b1));
        if (a1 != 0.0) {
            // Renormalising by a1 keeps the convergents from overflowing.
            fac = 1.0 / a1;
            g = b1 * fac;
            double change = Div(Dec(Extended(g) - gold), g);
            if (fault_) return 0.0;
            if (std::fabs(change) < kGammaEps) break;
            gold = g;
        }
    }
    Extended e(-x);
    e += Extended::product(a, Ln(x));
    e -= gln;
    return g * GuardedExp(Dec(e));
}

double CZValue::NormalArea(double z) const {
    if (z == 0.0) return 0.0;
    if (z > kNormalMax) return 1.0;
    if (!(z > 0.0)) {  // negative or NaN: the series would never settle
        fault_ = true;
        return 0.0;
    }
    double sum = z, fact = 1.0, pow = 1.0, sign = 1.0, term = 1.0;
    std::int16_t counter = 1;
    const double lnz = Ln(z);
    for (;;) {
        if (counter >= kNormalMinCounter && term <= kNormalTermEps) break;
        if (counter == std::numeric_limits<std::int16_t>::max()) {  // 16-bit counter overflows
            fault_ = true;
            return 0.0;
        }
        fact *= counter;
        pow *= 2.0;
        ++counter;
        const double odd = 2.0 * counter - 1.0;
        term = GuardedExp(odd * lnz);
        term = term / (fact * pow * odd);
        sign = -sign;
        sum += sign * term;
    }
    double r = 2.0 * sum / std::sqrt(kTwoPi);
    return r <= 1.0 ? r : 1.0;
}

// ---- factorial cache --------------------------------------------------------

void CZValue::Quorvane_FactorialInit() {
    factorial_.fill(0.0);
    factorial_[1] = 0.0;  // ln 0!
    highestCached_ = 0;
    factorialReady_ = true;
}

double CZValue::LogFactorial(std::int32_t n) {
    constexpr double kNotInitialised = std::numeric_limits<double>::quiet_NaN();
    if (n < 0) return 0.0;
    if (n <= highestCached_) return factorialReady_ ? factorial_[n + 1] : kNotInitialised;
    if (n >= kFactorialEntries) return LogGamma(n + 1.0);  // beyond the table, not cached
    if (!factorialReady_) return kNotInitialised;
    for (std::int32_t k = highestCached_ + 1; k <= n; ++k) {
        factorial_[k + 1] = std::log(std::exp(factorial_[k]) * k);
    }
    highestCached_ = static_cast<std::int16_t>(n);
    return factorial_[n + 1];
}

// ---- public operations -----------------------------------------------------

double CZValue::Quorvane_Binomial(std::int32_t n, std::int32_t k) {
    double lk = LogFactorial(k);
    std::int64_t diff = static_cast<std::int64_t>(n) - k;
    if (diff < std::numeric_limits<std::int32_t>::min() ||
        diff > std::numeric_limits<std::int32_t>::max()) {
        return std::numeric_limits<double>::quiet_NaN();  // 32-bit overflow of n - k
    }
    double lnk = LogFactorial(static_cast<std::int32_t>(diff));
    double ln = LogFactorial(n);
    return std::exp(Dec(Extended(ln) - lk - lnk));
}

double CZValue::Quorvane_Poisson(double a, double b, std::int32_t k) {
    double lf = LogFactorial(k);
    // No underflow guard here: a very negative exponent simply gives 0.
    return std::exp(Dec(Extended::product(k, b) - a - lf));
}

double CZValue::Quorvane_CalcKSProb(double z) const {
    FaultScope scope(fault_);
    double r = 0.0;
    if (z < kKSLow) {
        r = 1.0;
    } else if (z < kKSMid) {
        // Small z: the theta-transformed series converges in three terms.
        double y = std::exp(-kKSExpFactor * std::pow(z, -2.0));
        Extended s(y);
        s += std::pow(y, 9.0);
        s += std::pow(y, 25.0);
        r = Dec(1.0 - s * kKSScale / z);
    } else if (z < kKSHigh) {
        double w = std::exp(-2.0 * std::pow(z, 2.0));
        Extended s(w);
        s -= std::pow(w, 4.0);
        s += std::pow(w, 9.0);
        s -= std::pow(w, 16.0);
        r = Dec(2.0 * s);
    }
    if (scope.faulted() || !std::isfinite(r)) return 0.0;
    return r;
}

double CZValue::CalcProbRaw(std::string_view type, double x, double df1, double df2) const {
    switch (TypeLetter(type)) {
        case 'Z':
            return NormalArea(std::fabs(x));
        case 'T':
            if (df1 <= 0.0) return 0.0;
            return IncompleteBeta(df1 / 2.0, 0.5, Div(df1, df1 + std::pow(x, 2.0)));
        case 'C':
            if (df1 <= 0.0) return 0.0;
            return GammaQ(df1 / 2.0, x * 0.5);
        case 'F':
            if (df1 <= 0.0 || df2 <= 0.0) return 0.0;
            return IncompleteBeta(df2 / 2.0, df1 * 0.5, Div(df2, std::fabs(x) * df1 + df2));
        default:
            return 0.0;
    }
}

double CZValue::Quorvane_CalcProb(std::string_view type, double x, double df1, double df2) const {
    FaultScope scope(fault_);
    double r = CalcProbRaw(type, x, df1, df2);
    if (scope.faulted() || !std::isfinite(r)) return 0.0;
    return r;
}

double CZValue::Quorvane_FindValue(std::string_view type, double p, double df1, double df2,
                                   bool highPrecision) const {
    FaultScope scope(fault_);
    double tol = highPrecision ? kFindTolHigh : kFindTolStandard;
    auto f = [&](double x) { return Dec(Extended(Quorvane_CalcProb(type, x, df1, df2)) - p); };

    double lo = 0.0, hi = 0.0;
    switch (TypeLetter(type)) {
        case 'T':
            hi = 3.0;
            break;
        case 'Z':
            hi = 4.0;
            break;
        case 'C':
            hi = df1;
            for (int i = 0; i < kBracketMaxSteps && Quorvane_CalcProb("C", hi, df1, df2) > p; ++i) {
                hi += 1.0;
            }
            break;
        case 'F': {
            const double step = (df1 + df2) / 10.0;
            for (int i = 0; i < kBracketMaxSteps && Quorvane_CalcProb("F", lo, df1, df2) < p; ++i) {
                lo += step;
            }
            hi = Div(df1, df2);
            if (fault_) return 0.0;
            for (int i = 0; i < kBracketMaxSteps && Quorvane_CalcProb("F", hi, df1, df2) > p; ++i) {
                hi += 1.0;
            }
            break;
        }
        default:
            break;
    }
    // An unfinished bracket is not an error in itself: like the open bracket
    // of "T" and "Z", the false-position steps may extrapolate to the root.

    double flo = f(lo);
    double fhi = f(hi);
    double fprev = 0.0, xprev = 0.0, x = 0.0;
    int count = 1;
    for (;;) {
        Extended num = Extended::product(lo, fhi) - Extended::product(hi, flo);
        double den = Dec(Extended(fhi) - flo);
        if (den == 0.0 || !std::isfinite(den)) return 0.0;  // e.g. df <= 0: f is flat
        x = Dec(num / den);
        double fx = f(x);
        if (std::fabs(fx) <= tol || std::fabs(Dec(Extended(fx) - fhi)) <= tol) break;
        if (xprev != 0.0 && std::fabs(Dec(Extended(xprev) - x)) <= tol) break;
        if (fx * flo == 0.0) break;
        // Illinois: halving the stale end's value stops one end from sticking.
        if (fx * flo < 0.0) {
            hi = x;
            fhi = fx;
            if (fprev * fx > 0.0) flo /= 2.0;
        } else {
            lo = x;
            flo = fx;
            if (fprev * fx > 0.0) fhi /= 2.0;
        }
        fprev = fx;
        xprev = x;
        ++count;
        if (highPrecision && count > kFindRelaxAfter) tol = kFindTolStandard;
        if (count > kFindMaxIterations) break;
    }
    if (scope.faulted() || !std::isfinite(x)) return 0.0;
    return x;
}

}  // namespace qrv::num
