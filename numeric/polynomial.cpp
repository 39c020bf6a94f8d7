// Power sums in a provisionally shifted x, and the polynomial fit in the
// centred and scaled variable (see polynomial.h for why).
#include "numeric/polynomial.h"

#include <cmath>
#include <cstddef>

namespace qrv::num {

namespace {

std::size_t at(int i) {
    return static_cast<std::size_t>(i);
}

// Rows 0..M of Pascal's triangle, exact in Extended far beyond any degree in use.
std::vector<std::vector<Extended>> binomials(int M) {
    std::vector<std::vector<Extended>> c(at(M + 1));
    for (int m = 0; m <= M; ++m) {
        c[at(m)].assign(at(m + 1), Extended(1.0));
        for (int j = 1; j < m; ++j) c[at(m)][at(j)] = c[at(m - 1)][at(j - 1)] + c[at(m - 1)][at(j)];
    }
    return c;
}

// The smallest power of two at or above v (1 for v <= 0).
double powerOfTwoAbove(double v) {
    if (!(v > 0)) return 1.0;
    int e;
    const double m = std::frexp(v, &e);  // v = m * 2^e, 0.5 <= m < 1
    return m == 0.5 ? v : std::ldexp(1.0, e);
}

}  // namespace

std::vector<Extended> shiftedPowerSums(const std::vector<Extended>& sums, const Extended& delta,
                                       const Extended& scale) {
    const int M = static_cast<int>(sums.size()) - 1;
    const auto c = binomials(M);
    std::vector<Extended> dpow(at(M + 1)), spow(at(M + 1));
    dpow[0] = 1.0;
    spow[0] = 1.0;
    for (int m = 1; m <= M; ++m) {
        dpow[at(m)] = dpow[at(m - 1)] * delta;
        spow[at(m)] = spow[at(m - 1)] * scale;
    }
    std::vector<Extended> out(at(M + 1));
    for (int m = 0; m <= M; ++m) {
        Extended s;
        for (int j = 0; j <= m; ++j) s += c[at(m)][at(j)] * dpow[at(m - j)] * sums[at(j)];
        out[at(m)] = s * spow[at(m)];
    }
    return out;
}

PowerSums::PowerSums(int degree)
    : k_(degree < 0 ? 0 : degree), p_(at(2 * k_ + 1)), q_(at(k_ + 1)) {}

void PowerSums::add(double x, double y, double w) {
    if (valid_ == 0) {
        cx_ = x;
        cy_ = y;
        min_ = max_ = x;
    }
    ++valid_;
    if (x < min_) min_ = x;
    if (x > max_) max_ = x;
    const Extended t = Extended::sum(x, -cx_);
    const Extended dy = Extended::sum(y, -cy_);
    Extended term(w);  // w t^m
    for (int m = 0; m <= 2 * k_; ++m) {
        p_[at(m)] += term;
        if (m <= k_) q_[at(m)] += term * dy;
        term *= t;
    }
    yy_ += dy * dy * w;
}

void PowerSums::merge(const PowerSums& o) {
    if (o.valid_ == 0 || o.k_ != k_) return;
    if (valid_ == 0) {
        *this = o;
        return;
    }
    // The other's rows in this shift: t = t_o + dx, y - cy = (y - cy_o) + dy.
    const Extended dx = Extended::sum(o.cx_, -cx_);
    const Extended dy = Extended::sum(o.cy_, -cy_);
    const std::vector<Extended> p = shiftedPowerSums(o.p_, dx, Extended(1.0));
    // sum w t^j (y - cy_o) moves like the power sums; then y - cy adds dy.
    const std::vector<Extended> q = shiftedPowerSums(o.q_, dx, Extended(1.0));
    for (int j = 0; j <= k_; ++j) q_[at(j)] += q[at(j)] + dy * p[at(j)];
    yy_ += o.yy_ + 2.0 * dy * o.q_[0] + dy * dy * o.p_[0];
    for (int m = 0; m <= 2 * k_; ++m) p_[at(m)] += p[at(m)];
    valid_ += o.valid_;
    if (o.min_ < min_) min_ = o.min_;
    if (o.max_ > max_) max_ = o.max_;
}

RegressionFit PowerSums::fit(bool intercept) const {
    NormalEquations eq(k_);
    if (valid_ == 0 || k_ < 1) {
        RegressionFit none;
        none.intercept = intercept;
        return none;
    }
    // z = (x - c) / h = (t + delta) / h.
    double c, h;
    if (intercept) {
        c = min_ + (max_ - min_) / 2;
        h = powerOfTwoAbove((max_ - min_) / 2);
    } else {
        c = 0.0;
        h = powerOfTwoAbove(std::fmax(std::fabs(min_), std::fabs(max_)));
    }
    const Extended delta = Extended::sum(cx_, -c);
    const Extended inv = Extended(1.0) / h;  // exact: h is a power of two
    const std::vector<Extended> pz = shiftedPowerSums(p_, delta, inv);
    // The y factor of q_ rides along unchanged.
    std::vector<Extended> qz = shiftedPowerSums(q_, delta, inv);
    Extended yy = yy_;
    if (!intercept) {  // back to raw y: y = (y - cy) + cy
        for (int j = 0; j <= k_; ++j) qz[at(j)] += cy_ * pz[at(j)];
        yy = yy_ + 2.0 * cy_ * q_[0] + Extended(cy_) * cy_ * p_[0];
    }
    for (int i = 0; i < k_; ++i) {
        for (int j = 0; j < k_; ++j) eq.at(i, j) = pz[at(i + j + 2)];
        eq.at(i, k_) = eq.at(k_, i) = pz[at(i + 1)];
        eq.xy[at(i)] = qz[at(i + 1)];
    }
    eq.at(k_, k_) = pz[0];
    eq.xy[at(k_)] = qz[0];
    eq.yy = yy;

    // b_i = sum over j >= i of beta_j C(j, i) (-c)^(j-i) / h^j; solve order is
    // powers 1..k, then the constant (power 0) when there is an intercept.
    const int unknowns = intercept ? k_ + 1 : k_;
    auto pos = [&](int power) { return power == 0 ? k_ : power - 1; };
    const auto binom = binomials(k_);
    CoefficientMap map;
    map.T.assign(at(unknowns), std::vector<Extended>(at(unknowns)));
    std::vector<Extended> negc(at(k_ + 1)), hinv(at(k_ + 1));
    negc[0] = hinv[0] = 1.0;
    for (int m = 1; m <= k_; ++m) {
        negc[at(m)] = negc[at(m - 1)] * -c;
        hinv[at(m)] = hinv[at(m - 1)] * inv;
    }
    for (int i = intercept ? 0 : 1; i <= k_; ++i) {
        for (int j = i; j <= k_; ++j) {
            map.T[at(pos(i))][at(pos(j))] = binom[at(j)][at(i)] * negc[at(j - i)] * hinv[at(j)];
        }
    }
    if (intercept) {
        map.e.assign(at(unknowns), Extended());
        map.e[at(k_)] = cy_;
    }
    // Spreads of the raw powers x^j, for the standardised coefficients.
    const std::vector<Extended> raw = shiftedPowerSums(p_, cx_, 1.0);
    for (int j = 1; j <= k_; ++j) {
        const Extended& s2 = raw[at(2 * j)];
        map.spread.push_back(intercept ? s2 - raw[at(j)] * raw[at(j)] / raw[0] : s2);
    }
    return fitLeastSquares(eq, intercept, map, 1);
}

}  // namespace qrv::num
