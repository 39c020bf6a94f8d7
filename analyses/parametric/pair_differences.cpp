// The statistics of a pair of fields from its running sums.
#include "analyses/parametric/pair_differences.h"

#include <cmath>

#include "numeric/cross_products.h"
#include "numeric/czvalue.h"

namespace qrv {

using num::Extended;

namespace {

std::optional<double> toDouble(const std::optional<Extended>& v) {
    if (!v) return std::nullopt;
    const double d = v->toDouble();
    return std::isfinite(d) ? std::optional(d) : std::nullopt;
}

// a - b == r exactly.
bool exactDifference(double a, double b, double r) {
    const double t = r - a;
    return (a - (r - t)) + (-b - t) == 0.0;
}

}  // namespace

void PairDifferences::add(double x, double y, double w) {
    if (m_.valid() == 0) d0_ = Extended::sum(x, -y);
    m_.add(x, y, w);
    // Usually x - y and its distance from the first difference are doubles.
    const double d = x - y, e = d - d0_.hi();
    if (d0_.lo() == 0.0 && exactDifference(x, y, d) && exactDifference(d, d0_.hi(), e)) {
        if (w == 1.0) {
            sd_ += e;
            sdd_ += Extended::product(e, e);
        } else {
            sd_ += Extended::product(e, w);
            sdd_ += Extended::product(e, e) * w;
        }
        return;
    }
    const Extended ee = Extended::sum(x, -y) - d0_;
    addDifference(ee, w);
}

void PairDifferences::addDifference(const Extended& e, double w) {
    if (w == 1.0) {
        sd_ += e;
        sdd_ += e * e;
    } else {
        sd_ += e * w;
        sdd_ += e * e * w;
    }
}

void PairDifferences::merge(const PairDifferences& o) {
    if (o.m_.valid() == 0) return;
    if (m_.valid() == 0) {
        *this = o;
        return;
    }
    // e = e' + delta, with delta the other part's first difference less ours.
    const Extended delta = o.d0_ - d0_;
    const Extended& on = o.m_.n();
    sdd_ += o.sdd_ + 2.0 * delta * o.sd_ + delta * delta * on;
    sd_ += o.sd_ + delta * on;
    m_.merge(o.m_);
}

PairDifferences::Result PairDifferences::result() const {
    Result r;
    const Extended& n = m_.n();
    r.n = n.toDouble();
    if (!(n > Extended(0.0))) return r;
    r.meanX = toDouble(m_.meanX());
    r.meanY = toDouble(m_.meanY());
    r.meanDiff = toDouble(d0_ + sd_ / n);
    r.correlation = toDouble(m_.correlation());
    r.rSquare = toDouble(m_.rSquare());
    if (!(n > Extended(1.0))) return r;

    r.covariance = toDouble(m_.covariance());
    r.df = (n - 1.0).toDouble();
    // Variance of the differences; rounding below the differences' own
    // resolution counts as none.
    const Extended centred = num::centredSum(sdd_, sd_, sd_, n);
    if (centred > Extended(0.0)) {
        const Extended variance = centred / (n - 1.0);
        const std::optional<double> sd = toDouble(sqrt(variance));
        const std::optional<double> t = toDouble((d0_ + sd_ / n) / sqrt(variance / n));
        if (sd && t) {
            r.stdDevDiff = sd;
            r.t = t;
            r.p = num::CZValue().Quorvane_CalcProb("T", *t, *r.df, 0);
        }
    }
    return r;
}

}  // namespace qrv
