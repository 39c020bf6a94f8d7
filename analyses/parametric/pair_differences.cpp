// The statistics of a pair of fields from its running sums.
#include "analyses/parametric/pair_differences.h"

#include <cmath>

#include "numeric/cross_products.h"
#include "numeric/czvalue.h"

namespace qrv {

using num::Extended;

void PairDifferences::add(double x, double y, double w) {
    m_.add(x, y, w);
    const Extended d = Extended::sum(x, -y);  // exact
    if (w == 1.0) {
        sd_ += d;
        sdd_ += d * d;
    } else {
        sd_ += d * w;
        sdd_ += d * d * w;
    }
}

void PairDifferences::merge(const PairDifferences& o) {
    m_.merge(o.m_);
    sd_ += o.sd_;
    sdd_ += o.sdd_;
}

PairDifferences::Result PairDifferences::result() const {
    Result r;
    const Extended& n = m_.n();
    r.n = n.toDouble();
    if (!(n > Extended(0.0))) return r;
    r.meanX = m_.meanX().toDouble();
    r.meanY = m_.meanY().toDouble();
    r.meanDiff = (sd_ / n).toDouble();
    if (!(n > Extended(1.0))) return r;

    r.covariance = m_.covariance()->toDouble();
    if (std::optional<Extended> c = m_.correlation()) {
        r.correlation = c->toDouble();
        r.rSquare = (*c * *c).toDouble();
    }
    r.df = (n - 1.0).toDouble();
    // Variance of the differences; rounding below the differences' own
    // resolution counts as none.
    const Extended centred = num::centredSum(sdd_, sd_, sd_, n);
    if (centred > Extended(0.0)) {
        const Extended variance = centred / (n - 1.0);
        r.stdDevDiff = sqrt(variance).toDouble();
        const double t = ((sd_ / n) / sqrt(variance / n)).toDouble();
        r.t = t;
        r.p = num::CZValue().Quorvane_CalcProb("T", t, *r.df, 0);
    }
    return r;
}

}  // namespace qrv
