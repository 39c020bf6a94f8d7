// Weighted least squares from accumulated sums: the regressions hand over the
// normal equations (sums of cross products of the design terms, the constant
// and y), and this kernel solves them with the Extended Gauss-Jordan, then
// forms the coefficients, their standard errors and the analysis-of-variance
// block. Every step runs in Extended; results are rounded only by the caller.
//
// Layout, as the regressions build it: terms 1..k, then the constant at
// position k+1, so with an intercept the unknowns are b1..bk and a, and
// without one the constant row and column take no part in the solve (their
// sums still give the centred spreads that decide whether a fit is made).
#pragma once

#include <optional>
#include <vector>

#include "numeric/extended.h"

namespace qrv::num {

struct NormalEquations {
    explicit NormalEquations(int terms = 0)
        : k(terms),
          cross(static_cast<std::size_t>((terms + 1) * (terms + 1))),
          xy(static_cast<std::size_t>(terms + 1)) {}

    // Sum of w*v_i*v_j over v = (t_1, ..., t_k, 1), indices 0..k (k = constant).
    Extended& at(int i, int j) { return cross[static_cast<std::size_t>(i * (k + 1) + j)]; }
    const Extended& at(int i, int j) const {
        return cross[static_cast<std::size_t>(i * (k + 1) + j)];
    }
    const Extended& n() const { return at(k, k); }

    int k;
    std::vector<Extended> cross;  // (k+1) x (k+1), symmetric, row-major
    std::vector<Extended> xy;     // sum of w*v_i*y, the last entry sum of w*y
    Extended yy;                  // sum of w*y^2
};

// A change of coordinates: the kernel solves for c in the coordinates the sums
// were taken in, and reports b = T c + e. T is square over the unknowns in
// solve order (terms, then the constant when there is an intercept). Empty T
// means the identity; empty e means zero. spread holds, per reported term,
// its centred sum of squares (uncentred without intercept), for the
// standardised coefficients; empty means they are taken from the sums.
struct CoefficientMap {
    std::vector<std::vector<Extended>> T;
    std::vector<Extended> e;
    std::vector<Extended> spread;
};

enum class FitStatus {
    Ok,
    NoResidualDf,      // the weight does not exceed the number of unknowns
    NoSpread,          // y or one of the terms does not vary
    Singular,          // no usable pivot in the solve
    NegativeResidual,  // the residual sum of squares came out clearly negative
    NotFinite,         // a sum overflowed (or was fed a non-finite value)
};

struct RegressionFit {
    FitStatus status = FitStatus::NoResidualDf;
    bool intercept = true;
    Extended n;                   // sum of weights
    std::vector<Extended> b, se;  // terms 1..k at indices 0..k-1
    // Standardised coefficients b * sqrt(spread of the term / spread of y),
    // absent where that ratio is not positive.
    std::vector<std::optional<Extended>> beta;
    Extended a, seA;            // intercept and its standard error
    Extended modelDf, residDf;  // k and n - k - 1 (n - k without intercept)
    Extended ssModel, ssResid, ssTotal;
    Extended msModel, msResid;
    std::optional<Extended> f;  // absent when the residual is 0
    Extended r2, residSd;
};

// Normal equations ready to solve, with the map from their coordinates back
// to the coefficients of the model.
struct LeastSquaresSystem {
    NormalEquations eq;
    CoefficientMap map;
};

// The normal equations of y on k terms from the weight sum n, the means
// (terms, then y: k + 1 of them) and the centred sums of products (k + 1
// square, row-major, y last). With an intercept the terms are centred at
// their means, so data far from 0 still passes the solve's pivot test (which
// looks at the raw entries), and every term is scaled by a power of two near
// its spread, so that a spread far from 1 does too; the map turns the
// solution back into a and b. Without an intercept a shift would change the
// model, so the terms are only scaled.
LeastSquaresSystem centredSystem(int k, const Extended& n, const std::vector<Extended>& means,
                                 const std::vector<Extended>& centred, bool intercept);

// Solves the normal equations and fills the fit; see FitStatus for when it
// stops early (then only status and n are meaningful). The spread test covers
// y and the first checkedTerms terms (all of them when negative).
RegressionFit fitLeastSquares(const NormalEquations& eq, bool intercept,
                              const CoefficientMap& map = {}, int checkedTerms = -1);
inline RegressionFit fitLeastSquares(const LeastSquaresSystem& system, bool intercept) {
    return fitLeastSquares(system.eq, intercept, system.map);
}

}  // namespace qrv::num
