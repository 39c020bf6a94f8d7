// The least-squares kernel: checks, the Extended solve, the residual sum of
// squares from the normal equations, and the covariance of the estimates
// (mapped through the caller's change of coordinates when there is one).
#include "numeric/least_squares.h"

#include <cmath>
#include <cstdint>

#include "numeric/cross_products.h"
#include "numeric/gauss_jordan.h"

namespace qrv::num {

namespace {

// A residual sum of squares this far below zero is rounding of a perfect fit.
constexpr double kNegligibleResidual = -1e-12;
// Nor can a residual below this share of the total be told from rounding: the
// sums and the solve carry about 32 digits, and SSE is a difference of terms
// of the size of the total. Exact fits then come out exactly exact.
constexpr double kResolution = 1e-26;

bool finite(const Extended& v) {
    return std::isfinite(v.hi()) && std::isfinite(v.lo());
}

bool allFinite(const NormalEquations& eq) {
    for (const auto& v : eq.cross) {
        if (!finite(v)) return false;
    }
    for (const auto& v : eq.xy) {
        if (!finite(v)) return false;
    }
    return finite(eq.yy);
}

Extended centred(const Extended& sq, const Extended& s1, const Extended& s2, const Extended& n) {
    return centredSum(sq, s1, s2, n);
}

// The power of two at or above sqrt(v); 1 when v is not a positive number.
double scaleFor(const Extended& v) {
    const double s = std::sqrt(v.toDouble());
    if (!(s > 0) || !std::isfinite(s)) return 1.0;
    int e = 0;
    std::frexp(s, &e);
    return std::ldexp(1.0, e);
}

}  // namespace

LeastSquaresSystem centredSystem(int k, const Extended& n, const std::vector<Extended>& means,
                                 const std::vector<Extended>& centred, bool intercept) {
    const auto K = static_cast<std::size_t>(k);
    auto at = [&](int i, int j) -> const Extended& {
        return centred[static_cast<std::size_t>(i * (k + 1) + j)];
    };
    // Sums of products about the means, or about 0 without an intercept.
    auto moment = [&](int i, int j) {
        return intercept ? at(i, j)
                         : at(i, j) + n * means[static_cast<std::size_t>(i)] *
                                          means[static_cast<std::size_t>(j)];
    };
    LeastSquaresSystem s{NormalEquations(k), {}};
    NormalEquations& eq = s.eq;
    std::vector<double> h(K);
    for (int i = 0; i < k; ++i) {
        const Extended spread = moment(i, i);
        h[static_cast<std::size_t>(i)] = n > Extended(0.0) ? scaleFor(spread / n) : 1.0;
        s.map.spread.push_back(spread);
    }
    for (int i = 0; i < k; ++i) {
        const double hi = h[static_cast<std::size_t>(i)];
        for (int j = 0; j < k; ++j)
            eq.at(i, j) = moment(i, j) / hi / h[static_cast<std::size_t>(j)];
        eq.at(i, k) = eq.at(k, i) =
            intercept ? Extended(0.0) : n * means[static_cast<std::size_t>(i)] / hi;
        eq.xy[static_cast<std::size_t>(i)] = moment(i, k) / hi;
    }
    eq.at(k, k) = n;
    eq.xy[K] = intercept ? Extended(0.0) : n * means[K];
    eq.yy = moment(k, k);
    // b_i = c_i / h_i; with an intercept a = c_a + mean y - sum of b_i mean x_i.
    const std::size_t unknowns = intercept ? K + 1 : K;
    s.map.T.assign(unknowns, std::vector<Extended>(unknowns));
    for (std::size_t i = 0; i < K; ++i) s.map.T[i][i] = 1.0 / h[i];
    if (intercept) {
        for (std::size_t j = 0; j < K; ++j) s.map.T[K][j] = -means[j] / h[j];
        s.map.T[K][K] = 1.0;
        s.map.e.assign(unknowns, Extended(0.0));
        s.map.e[K] = means[K];
    }
    return s;
}

RegressionFit fitLeastSquares(const NormalEquations& eq, bool intercept, const CoefficientMap& map,
                              int checkedTerms) {
    RegressionFit fit;
    fit.intercept = intercept;
    const int k = eq.k;
    const Extended n = eq.n();
    fit.n = n;
    if (!allFinite(eq)) {
        fit.status = FitStatus::NotFinite;
        return fit;
    }
    fit.residDf = n - static_cast<double>(k + (intercept ? 1 : 0));
    if (!(fit.residDf > Extended(0.0)) || k < 1) {
        fit.status = FitStatus::NoResidualDf;
        return fit;
    }

    // Spread: centred sums of squares, with or without intercept.
    const Extended ssy = centred(eq.yy, eq.xy[k], eq.xy[k], n);
    if (!(ssy > Extended(0.0))) {
        fit.status = FitStatus::NoSpread;
        return fit;
    }
    const int checked = checkedTerms < 0 || checkedTerms > k ? k : checkedTerms;
    for (int i = 0; i < checked; ++i) {
        if (!(centred(eq.at(i, i), eq.at(i, k), eq.at(i, k), n) > Extended(0.0))) {
            fit.status = FitStatus::NoSpread;
            return fit;
        }
    }

    // The augmented system: rows and columns 1..k+1, right-hand side in k+2.
    const int p = k + 1, q = k + 2;
    ExtendedArray2D A(p, q), B(p, q);
    for (int i = 1; i <= p; ++i) {
        for (int j = 1; j <= p; ++j) A(i, j) = eq.at(i - 1, j - 1);
        A(i, q) = eq.xy[static_cast<std::size_t>(i - 1)];
        B(i, i) = 1.0;
    }
    const int unknowns = intercept ? p : k;
    if (!CMatrix().Quorvane_GaussJordan_b(static_cast<std::int16_t>(unknowns),
                                          static_cast<std::int16_t>(q), A, B)) {
        fit.status = FitStatus::Singular;
        return fit;
    }

    // Residual and total sums of squares from the solution and the sums.
    Extended sse, sst;
    if (intercept) {
        sse = ssy;
        for (int i = 0; i < k; ++i) {
            sse -= A(i + 1, q) * centred(eq.xy[static_cast<std::size_t>(i)], eq.at(i, k),
                                         eq.xy[static_cast<std::size_t>(k)], n);
        }
        sst = ssy;
    } else {
        sse = eq.yy;
        for (int i = 0; i < k; ++i) sse -= A(i + 1, q) * eq.xy[static_cast<std::size_t>(i)];
        sst = eq.yy;
    }
    if (abs(sse) <= sst * kResolution) sse = 0.0;
    if (sse < Extended(0.0)) {
        if (sse > Extended(kNegligibleResidual)) {
            sse = 0.0;
        } else {
            fit.status = FitStatus::NegativeResidual;
            return fit;
        }
    }

    fit.status = FitStatus::Ok;
    fit.modelDf = static_cast<double>(k);
    fit.ssResid = sse;
    fit.ssTotal = sst;
    fit.ssModel = sst - sse;
    fit.msResid = sse / fit.residDf;
    fit.msModel = fit.ssModel / fit.modelDf;
    if (sse > Extended(0.0)) fit.f = fit.msModel / fit.msResid;
    fit.r2 = 1.0 - sse / sst;
    fit.residSd = sqrt(fit.msResid);

    // Estimates and their variances in the solve's coordinates, then mapped.
    std::vector<Extended> c(static_cast<std::size_t>(unknowns));
    for (int i = 0; i < unknowns; ++i) c[static_cast<std::size_t>(i)] = A(i + 1, q);
    std::vector<Extended> est = c, var(static_cast<std::size_t>(unknowns));
    if (map.T.empty()) {
        for (int i = 0; i < unknowns; ++i) var[static_cast<std::size_t>(i)] = B(i + 1, i + 1);
    } else {
        for (int i = 0; i < unknowns; ++i) {
            const auto& Ti = map.T[static_cast<std::size_t>(i)];
            Extended s, v;
            for (int j = 0; j < unknowns; ++j) {
                const Extended& tij = Ti[static_cast<std::size_t>(j)];
                if (tij == Extended(0.0)) continue;
                s += tij * c[static_cast<std::size_t>(j)];
                Extended row;  // (B T_i')_j
                for (int l = 0; l < unknowns; ++l) {
                    row += B(j + 1, l + 1) * Ti[static_cast<std::size_t>(l)];
                }
                v += tij * row;
            }
            est[static_cast<std::size_t>(i)] = s;
            var[static_cast<std::size_t>(i)] = v;
        }
    }
    if (!map.e.empty()) {
        for (int i = 0; i < unknowns; ++i) {
            est[static_cast<std::size_t>(i)] += map.e[static_cast<std::size_t>(i)];
        }
    }
    auto standardError = [&](const Extended& v) {
        const Extended s2 = v * sse;
        return s2 > Extended(0.0) ? sqrt(s2 / fit.residDf) : Extended(0.0);
    };
    fit.b.assign(est.begin(), est.begin() + k);
    for (int i = 0; i < k; ++i) fit.se.push_back(standardError(var[static_cast<std::size_t>(i)]));
    for (int i = 0; i < k; ++i) {
        const std::size_t ii = static_cast<std::size_t>(i);
        const Extended spread = !map.spread.empty() ? map.spread[ii]
                                : intercept ? centred(eq.at(i, i), eq.at(i, k), eq.at(i, k), n)
                                            : eq.at(i, i);
        const Extended r = spread / sst;
        fit.beta.push_back(r > Extended(0.0) ? std::optional(fit.b[ii] * sqrt(r)) : std::nullopt);
    }
    if (intercept) {
        fit.a = est[static_cast<std::size_t>(k)];
        fit.seA = standardError(var[static_cast<std::size_t>(k)]);
    }
    return fit;
}

}  // namespace qrv::num
