// CZValue: distributions and their inverses with Boost.Math. Each result is
// computed in long double (64-bit significand on x86-64) and rounded once to
// double. The extra bits are what keep a double's worth of digits in the far
// tails: there a tail is very sensitive to its argument (a relative change d
// in u changes erfc(u) by about 2u^2 d), so even the rounding of x*x or
// df/(df + x*x) in double would cost two or three digits at |z| = 37; and the
// wider exponent range lets t and F arguments up to 1e300 be squared without
// overflowing.
//
// Boost reports failures through a policy that never throws: a domain error
// comes back as NaN, an overflow as infinity. A few of its internal root
// finders raise anyway, so every call into Boost goes through Guarded. The
// public operations turn any non-finite result into 0.
#include "numeric/distributions.h"

#include <boost/math/constants/constants.hpp>
#include <boost/math/distributions/chi_squared.hpp>
#include <boost/math/distributions/complement.hpp>
#include <boost/math/distributions/fisher_f.hpp>
#include <boost/math/distributions/poisson.hpp>
#include <boost/math/distributions/students_t.hpp>
#include <boost/math/policies/policy.hpp>
#include <boost/math/special_functions/binomial.hpp>
#include <boost/math/special_functions/erf.hpp>
#include <boost/math/special_functions/factorials.hpp>
#include <boost/math/special_functions/gamma.hpp>
#include <cmath>
#include <limits>

namespace qrv::num {

namespace {

namespace bm = boost::math;
namespace bp = boost::math::policies;

using Wide = long double;

using Quiet =
    bp::policy<bp::domain_error<bp::ignore_error>, bp::pole_error<bp::ignore_error>,
               bp::overflow_error<bp::ignore_error>, bp::underflow_error<bp::ignore_error>,
               bp::denorm_error<bp::ignore_error>, bp::evaluation_error<bp::ignore_error>,
               bp::rounding_error<bp::ignore_error>,
               bp::indeterminate_result_error<bp::ignore_error>>;

using StudentT = bm::students_t_distribution<Wide, Quiet>;
using ChiSquare = bm::chi_squared_distribution<Wide, Quiet>;
using FisherF = bm::fisher_f_distribution<Wide, Quiet>;
using Poisson = bm::poisson_distribution<Wide, Quiet>;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr Wide kInfinity = std::numeric_limits<Wide>::infinity();
const Wide kInvRootTwo = bm::constants::one_div_root_two<Wide>();
const Wide kRootTwo = bm::constants::root_two<Wide>();

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

// A failed or nonexistent result is 0 to the callers.
double Finite(Wide v) {
    const double d = static_cast<double>(v);
    return std::isfinite(d) ? d : 0.0;
}

bool ValidDf(double df) {
    return df > 0.0 && std::isfinite(df);
}

// ---- tails -------------------------------------------------------------------
// Each takes an argument that is not NaN and gives the probability of the
// region beyond it, +infinity included.

Wide NormalTwoTailed(Wide x) {
    return bm::erfc(std::fabs(x) * kInvRootTwo, Quiet());
}

Wide NormalCentral(Wide x) {
    return bm::erf(std::fabs(x) * kInvRootTwo, Quiet());
}

// Below 1 the tail is 1 minus the central area P(|T| < t), at most 0.69 for
// any df, taken from the incomplete beta itself: Boost's own t tail loses
// that area near 0 at one degree of freedom (at t = 1e-10 it gives 1).
Wide StudentTwoTailed(Wide x, Wide df) {
    x = std::fabs(x);
    if (std::isinf(x)) return 0;
    if (x < 1) return 1 - bm::ibeta(Wide(0.5), df / 2, x * x / (df + x * x), Quiet());
    return 2 * bm::cdf(bm::complement(StudentT(df), x));
}

Wide ChiSquareUpper(Wide x, Wide df) {
    if (x <= 0) return 1;
    if (std::isinf(x)) return 0;
    return bm::cdf(bm::complement(ChiSquare(df), x));
}

Wide FUpper(Wide x, Wide df1, Wide df2) {
    x = std::fabs(x);
    if (std::isinf(x)) return 0;
    return bm::cdf(bm::complement(FisherF(df1, df2), x));
}

// Runs a Boost computation, turning anything it throws into NaN. The quiet
// policy covers the special functions, but some internal root finders raise
// through their own default policy, so every entry point goes through this.
template <class Fn>
Wide Guarded(Fn fn) noexcept {
    try {
        return fn();
    } catch (...) {
        return std::numeric_limits<Wide>::quiet_NaN();
    }
}

// ---- critical values -----------------------------------------------------------
// Each takes p in (0, 1] and gives the x >= 0 whose tail is p; p = 0 has none.

Wide NormalTwoTailedValue(Wide p) {
    return kRootTwo * bm::erfc_inv(p, Quiet());
}

Wide NormalCentralValue(Wide p) {
    return kRootTwo * bm::erf_inv(p, Quiet());
}

// Which side of x a critical value is solved on: the probability below x
// (lower) or above it (upper).
struct Side {
    bool upper;
    Wide target;  // the probability wanted on this side
};

// Polishes a critical value so that the chosen side's probability at x is
// the target: Newton steps on log(probability) against log(x), applied as
// factors to x so that x keeps every bit, inside a bracket that falls back
// to bisection when a step leaves it. Boost's own quantiles are good
// starting points but lose digits (or give up) for some tiny p and some
// degrees of freedom; this step makes every result agree with the
// probability functions themselves. The side holding the smaller
// probability is used, so a p near 1 is not first rounded to 1 - p.
template <class Probability, class Density>
Wide Polish(const Side& side, Probability probability, Density density, Wide x) {
    constexpr int kMaxSteps = 400;  // a handful on the usual start, ~130 from nothing
    const Wide tol = 8 * std::numeric_limits<Wide>::epsilon();
    if (!(x > 0) || !std::isfinite(x)) x = 1;
    const Wide logTarget = std::log(side.target);
    Wide lo = 0, hi = kInfinity, widen = 1;
    for (int i = 0; i < kMaxSteps; ++i) {
        const Wide s = probability(x);
        const Wide g = std::log(s) - logTarget;
        if (g == 0) return x;
        // The upper side falls as x grows, the lower side rises.
        const bool rootAbove = side.upper ? g > 0 : g < 0;
        (rootAbove ? lo : hi) = x;
        const Wide slope = (side.upper ? -x : x) * density(x) / s;
        Wide next = x * std::exp(-g / slope);
        if (!(next > lo && next < hi) || !std::isfinite(next)) {
            if (lo > 0 && std::isfinite(hi)) {
                next = std::sqrt(lo) * std::sqrt(hi);
            } else {
                next = rootAbove ? x * std::exp(widen) : x * std::exp(-widen);
                widen *= 2;
            }
        }
        if (std::fabs(next / x - 1) <= tol || next == lo || next == hi) return next;
        x = next;
        if (x > std::numeric_limits<Wide>::max() / 2) return kInfinity;
    }
    return x;
}

Side SideFor(Wide p) {
    return p > 0.5L ? Side{false, 1 - p} : Side{true, p};
}

Wide StudentTwoTailedValue(Wide p, Wide df) {
    if (p == 1) return 0;
    const StudentT dist(df);
    const Side side = SideFor(p);
    auto probability = [&](Wide t) {
        if (side.upper) return 2 * bm::cdf(bm::complement(dist, t));
        return bm::ibeta(Wide(0.5), df / 2, t * t / (df + t * t), Quiet());  // P(|T| < t)
    };
    auto density = [&](Wide t) { return 2 * bm::pdf(dist, t); };
    const Wide guess = Guarded([&] { return bm::quantile(bm::complement(dist, p / 2)); });
    return Polish(side, probability, density, guess);
}

Wide ChiSquareUpperValue(Wide p, Wide df) {
    if (p == 1) return 0;
    const ChiSquare dist(df);
    const Side side = SideFor(p);
    auto probability = [&](Wide x) {
        return side.upper ? bm::cdf(bm::complement(dist, x)) : bm::cdf(dist, x);
    };
    auto density = [&](Wide x) { return bm::pdf(dist, x); };
    const Wide guess = Guarded([&] { return bm::quantile(bm::complement(dist, p)); });
    return Polish(side, probability, density, guess);
}

Wide FUpperValue(Wide p, Wide df1, Wide df2) {
    if (p == 1) return 0;
    const FisherF dist(df1, df2);
    const Side side = SideFor(p);
    auto probability = [&](Wide x) {
        return side.upper ? bm::cdf(bm::complement(dist, x)) : bm::cdf(dist, x);
    };
    auto density = [&](Wide x) { return bm::pdf(dist, x); };
    // Start from the incomplete beta inverse in the variable that is small in
    // the upper tail, w = df2 / (df2 + df1 x), with its complement alongside.
    const Wide guess = Guarded([&] {
        Wide w1 = 0;
        const Wide w = bm::ibeta_inv(df2 / 2, df1 / 2, p, &w1, Quiet());
        return df2 * w1 / (df1 * w);
    });
    return Polish(side, probability, density, guess);
}

// Whether the degrees of freedom that the type uses are valid.
bool DfUsable(char letter, double df1, double df2) {
    switch (letter) {
        case 'T':
        case 'C':
            return ValidDf(df1);
        case 'F':
            return ValidDf(df1) && ValidDf(df2);
        default:
            return true;
    }
}

// Upper tail or two-tailed probability for T, C and F; 0 for anything else.
double TailOf(char letter, double x, double df1, double df2) {
    if (std::isnan(x) || !DfUsable(letter, df1, df2)) return 0.0;
    switch (letter) {
        case 'T':
            return Finite(Guarded([&] { return StudentTwoTailed(x, df1); }));
        case 'C':
            return Finite(Guarded([&] { return ChiSquareUpper(x, df1); }));
        case 'F':
            return Finite(Guarded([&] { return FUpper(x, df1, df2); }));
        default:
            return 0.0;
    }
}

double TailValueOf(char letter, double p, double df1, double df2) {
    if (!(p > 0.0 && p <= 1.0) || !DfUsable(letter, df1, df2)) return 0.0;
    switch (letter) {
        case 'T':
            return Finite(Guarded([&] { return StudentTwoTailedValue(p, df1); }));
        case 'C':
            return Finite(Guarded([&] { return ChiSquareUpperValue(p, df1); }));
        case 'F':
            return Finite(Guarded([&] { return FUpperValue(p, df1, df2); }));
        default:
            return 0.0;
    }
}

// Kolmogorov upper tail. Below 1 the alternating series needs many terms and
// its terms cancel, so P(K <= z) comes from its theta-function form, where
// the terms fall off fast; from 1 on, the alternating series 2 sum (-1)^(k-1)
// exp(-2 k^2 z^2) needs a handful of terms and keeps full relative precision
// however small Q gets.
Wide KolmogorovUpper(Wide z) {
    constexpr int kMaxTerms = 40;  // both series are done after 10 at most
    const Wide eps = std::numeric_limits<Wide>::epsilon();
    if (z < 1) {
        const Wide c = bm::constants::pi_sqr<Wide>() / (8 * z * z);
        Wide sum = 0;
        for (int k = 1; k <= kMaxTerms; ++k) {
            const Wide odd = 2 * k - 1;
            const Wide term = std::exp(-odd * odd * c);
            sum += term;
            if (term <= eps * sum) break;
        }
        if (sum == 0) return 1;  // z so small that P(K <= z) underflows
        return 1 - bm::constants::root_two_pi<Wide>() / z * sum;
    }
    const Wide w = 2 * z * z;
    Wide sum = 0;
    for (int k = 1; k <= kMaxTerms; ++k) {
        const Wide term = std::exp(-Wide(k) * k * w);
        sum += (k % 2 == 1) ? term : -term;
        if (term <= eps * sum) break;
    }
    return 2 * sum;
}

}  // namespace

// ---- normal, t, chi-square, F ----------------------------------------------------

double CZValue::Quorvane_CalcProb(std::string_view type, double x, double df1, double df2) const {
    const char letter = TypeLetter(type);
    if (letter == 'Z')
        return std::isnan(x) ? 0.0 : Finite(Guarded([&] { return NormalCentral(x); }));
    return TailOf(letter, x, df1, df2);
}

double CZValue::Quorvane_CalcTailProb(std::string_view type, double x, double df1,
                                      double df2) const {
    const char letter = TypeLetter(type);
    if (letter == 'Z') {
        return std::isnan(x) ? 0.0 : Finite(Guarded([&] { return NormalTwoTailed(x); }));
    }
    return TailOf(letter, x, df1, df2);
}

double CZValue::Quorvane_FindValue(std::string_view type, double p, double df1, double df2,
                                   bool /*highPrecision*/) const {
    const char letter = TypeLetter(type);
    if (letter == 'Z') {
        if (!(p >= 0.0 && p < 1.0)) return 0.0;
        return Finite(Guarded([&] { return NormalCentralValue(p); }));
    }
    return TailValueOf(letter, p, df1, df2);
}

double CZValue::Quorvane_FindTailValue(std::string_view type, double p, double df1,
                                       double df2) const {
    const char letter = TypeLetter(type);
    if (letter == 'Z') {
        if (!(p > 0.0 && p <= 1.0)) return 0.0;
        return Finite(Guarded([&] { return NormalTwoTailedValue(p); }));
    }
    return TailValueOf(letter, p, df1, df2);
}

// ---- Kolmogorov-Smirnov ------------------------------------------------------------

double CZValue::Quorvane_CalcKSProb(double z) const {
    if (std::isnan(z)) return 0.0;
    if (z <= 0.0) return 1.0;
    if (std::isinf(z)) return 0.0;
    return Finite(Guarded([&] { return KolmogorovUpper(z); }));
}

// ---- factorial table, binomial, Poisson ----------------------------------------------

void CZValue::Quorvane_FactorialInit() {
    for (int m = 0; m < kTableSize; ++m) {
        factorial_[static_cast<std::size_t>(m)] = bm::unchecked_factorial<double>(m);
    }
    factorialReady_ = true;
}

bool CZValue::NeedsTable(std::int64_t m) const {
    return !factorialReady_ && m >= 0 && m < kTableSize;
}

// m! / d! for m, d >= 0.
double CZValue::FactorialRatio(std::int32_t m, std::int32_t d) const {
    if (m < kTableSize && d < kTableSize) {
        return factorial_[static_cast<std::size_t>(m)] / factorial_[static_cast<std::size_t>(d)];
    }
    return static_cast<double>(
        Guarded([&] { return bm::tgamma_ratio(Wide(m) + 1, Wide(d) + 1, Quiet()); }));
}

double CZValue::Quorvane_Binomial(std::int32_t n, std::int32_t k) {
    const std::int64_t rest = static_cast<std::int64_t>(n) - k;
    if (rest < std::numeric_limits<std::int32_t>::min() ||
        rest > std::numeric_limits<std::int32_t>::max()) {
        return kNaN;  // n - k overflows 32 bits
    }
    if (NeedsTable(n) || NeedsTable(k) || NeedsTable(rest)) return kNaN;
    const auto nk = static_cast<std::int32_t>(rest);
    if (k >= 0 && nk >= 0) {
        if (n < kTableSize) {
            // Exact below 2^53: the quotient is within an ulp of an integer.
            const double c = factorial_[static_cast<std::size_t>(n)] /
                             (factorial_[static_cast<std::size_t>(k)] *
                              factorial_[static_cast<std::size_t>(nk)]);
            return std::round(c);
        }
        return static_cast<double>(Guarded([&] {
            return bm::binomial_coefficient<Wide>(static_cast<unsigned>(n),
                                                  static_cast<unsigned>(k), Quiet());
        }));
    }
    // Outside 0 <= k <= n one of k, n - k is negative and its factorial
    // counts as 1; n itself may be negative too.
    const std::int32_t below = k >= 0 ? k : nk;  // the factorial left in the denominator
    if (below < 0) return 1.0;
    return FactorialRatio(n >= 0 ? n : 0, below);
}

double CZValue::Quorvane_Poisson(double a, double b, std::int32_t k) {
    if (NeedsTable(k)) return kNaN;
    if (k >= 0 && a > 0.0 && std::isfinite(a) && std::isfinite(b)) {
        const Wide probability = Guarded([&] { return bm::pdf(Poisson(a), Wide(k)); });
        const double drift = b - std::log(a);  // 0 for the usual b = log(a)
        return static_cast<double>(probability * std::exp(Wide(k) * drift));
    }
    // Outside the Poisson range (a <= 0, k < 0, infinities) the formula as it
    // stands; k = 0 contributes nothing even when b is -infinity.
    const Wide kb = k == 0 ? Wide(0) : Wide(k) * b;
    const Wide lnFactorial =
        k > 0 ? Guarded([&] { return bm::lgamma(Wide(k) + 1, Quiet()); }) : Wide(0);
    return static_cast<double>(std::exp(kb - a - lnFactorial));
}

}  // namespace qrv::num
