// The statistics of a pair of fields from its running sums.
#include "analyses/parametric/pair_differences.h"

#include <algorithm>
#include <cmath>

#include "numeric/cross_products.h"
#include "numeric/distributions.h"

namespace qrv {

using num::Extended;

namespace {

std::optional<double> toDouble(const std::optional<Extended>& v) {
    if (!v) return std::nullopt;
    const double d = v->toDouble();
    return std::isfinite(d) ? std::optional(d) : std::nullopt;
}

// v 2^e, exact unless it overflows or underflows.
Extended scaled(const Extended& v, int e) {
    return Extended::fromParts(std::ldexp(v.hi(), e), std::ldexp(v.lo(), e));
}

// Differences this large are summed scaled down, so their squares fit.
constexpr double kLarge = 0x1p400;

// The scale exponent for a difference d, at least current.
int exponentFor(const Extended& d, int current) {
    const double s = std::fabs(std::ldexp(d.hi(), -current));
    return s > kLarge && std::isfinite(s) ? std::ilogb(d.hi()) : current;
}

// a - b == r exactly.
bool exactDifference(double a, double b, double r) {
    const double t = r - a;
    return (a - (r - t)) + (-b - t) == 0.0;
}

}  // namespace

void DifferenceSums::add(double x, double y, double w) {
    // The shift is the first difference as a double: any value near the
    // differences serves.
    if (!started_) {
        d0_ = x - y;
        started_ = true;
    }
    // Usually x - y and its distance from the shift are doubles.
    const double d = x - y, e = d - d0_;
    if (ed_ == 0 && exactDifference(x, y, d) && exactDifference(d, d0_, e) &&
        std::fabs(e) <= kLarge) {
        if (w == 1.0) {
            sd_ += e;
            sdd_ += Extended::product(e, e);
        } else {
            sd_ += Extended::product(e, w);
            sdd_ += Extended::product(e, e) * w;
        }
        return;
    }
    addDifference(Extended::sum(x, -y) - d0_, w);
}

void DifferenceSums::rescale(int ed) {
    if (ed == ed_) return;
    sd_ = scaled(sd_, ed_ - ed);
    sdd_ = scaled(sdd_, 2 * (ed_ - ed));
    ed_ = ed;
}

void DifferenceSums::addDifference(const Extended& difference, double w) {
    Extended e = difference;
    if (ed_ != 0 || !(std::fabs(e.hi()) <= kLarge)) {
        rescale(exponentFor(difference, ed_));
        e = scaled(difference, -ed_);
    }
    if (w == 1.0) {
        sd_ += e;
        sdd_ += e * e;
    } else {
        sd_ += e * w;
        sdd_ += e * e * w;
    }
}

void DifferenceSums::merge(const DifferenceSums& o, const Extended& on) {
    if (!o.started_) return;
    if (!started_) {
        *this = o;
        return;
    }
    // e = e' + delta, with delta the other part's first difference less ours.
    const Extended shift = Extended::sum(o.d0_, -d0_);
    const int ed = exponentFor(shift, std::max(ed_, o.ed_));
    rescale(ed);
    DifferenceSums other = o;
    other.rescale(ed);
    const Extended delta = scaled(shift, -ed);
    sdd_ += other.sdd_ + 2.0 * delta * other.sd_ + delta * delta * on;
    sd_ += other.sd_ + delta * on;
}

Extended DifferenceSums::mean(const Extended& n) const {
    return d0_ + scaled(sd_ / n, ed_);
}

Extended DifferenceSums::centred(const Extended& n) const {
    return num::centredSum(sdd_, sd_, sd_, n);
}

void PairDifferences::merge(const PairDifferences& o) {
    d_.merge(o.d_, o.m_.n());
    m_.merge(o.m_);
}

PairDifferences::Result PairDifferences::result() const {
    Result r;
    const Extended& n = m_.n();
    r.n = n.toDouble();
    if (!(n > Extended(0.0))) return r;
    r.meanX = toDouble(m_.meanX());
    r.meanY = toDouble(m_.meanY());
    const Extended meanDiff = d_.mean(n);
    r.meanDiff = toDouble(meanDiff);
    r.correlation = toDouble(m_.correlation());
    r.rSquare = toDouble(m_.rSquare());
    if (!(n > Extended(1.0))) return r;

    r.covariance = toDouble(m_.covariance());
    r.df = (n - 1.0).toDouble();
    // Variance of the differences (in the scaled units); rounding below the
    // differences' own resolution counts as none.
    const Extended centred = d_.centred(n);
    if (centred > Extended(0.0)) {
        const Extended variance = centred / (n - 1.0);
        const std::optional<double> sd = toDouble(scaled(sqrt(variance), d_.exponent()));
        const std::optional<double> t =
            toDouble(meanDiff / scaled(sqrt(variance / n), d_.exponent()));
        if (sd && t) {
            r.stdDevDiff = sd;
            r.t = t;
            r.p = num::CZValue().Quorvane_CalcProb("T", *t, *r.df, 0);
        }
    }
    return r;
}

}  // namespace qrv
