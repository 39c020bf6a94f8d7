// Shifted moment sums and the statistics taken from them.
#include "numeric/moments.h"

#include <cmath>

namespace qrv::num {

namespace {

std::optional<double> finite(const Extended& v) {
    const double d = v.toDouble();
    if (!std::isfinite(d) || !std::isfinite(v.lo())) return std::nullopt;
    return d;
}

bool positive(const Extended& n) {
    return n > 0.0;
}

}  // namespace

void Moments::add(double x, double w, bool logs) {
    if (count_ == 0) shift_ = min_ = max_ = x;
    ++count_;
    if (x < min_) min_ = x;
    if (x > max_) max_ = x;
    const Extended d = Extended::sum(x, -shift_);
    // Most differences from the shift are exact doubles: cheaper powers.
    const bool exact = d.lo() == 0;
    const Extended d2 = exact ? Extended::product(d.hi(), d.hi()) : d * d;
    if (w == 1) {
        n_ += 1.0;
        d1_ += d;
        d2_ += d2;
    } else {
        n_ += w;
        d1_ += d * w;
        d2_ += d2 * w;
    }
    if (shape_) {
        const Extended d3 = exact ? d2 * d.hi() : d2 * d;
        const Extended d4 = d2 * d2;
        if (w == 1) {
            d3_ += d3;
            d4_ += d4;
        } else {
            d3_ += d3 * w;
            d4_ += d4 * w;
        }
    }
    if (logs && x > 0) {
        logs_ += Extended::product(std::log(x), w);
        inv_ += Extended(w) / x;
    }
}

void Moments::merge(const Moments& o) {
    if (o.count_ == 0) return;
    if (count_ == 0) {
        *this = o;
        return;
    }
    min_ = std::fmin(min_, o.min_);
    max_ = std::fmax(max_, o.max_);
    count_ += o.count_;
    // The other part's differences grow by e = its shift - ours; expand
    // (d + e)^k so that its sums are about our shift.
    const Extended e = Extended::sum(o.shift_, -shift_);
    const Extended e2 = e * e;
    shape_ = shape_ && o.shape_;
    if (shape_) {
        const Extended e3 = e2 * e, e4 = e2 * e2;
        d4_ += o.d4_ + 4.0 * e * o.d3_ + 6.0 * e2 * o.d2_ + 4.0 * e3 * o.d1_ + o.n_ * e4;
        d3_ += o.d3_ + 3.0 * e * o.d2_ + 3.0 * e2 * o.d1_ + o.n_ * e3;
    }
    d2_ += o.d2_ + 2.0 * e * o.d1_ + o.n_ * e2;
    d1_ += o.d1_ + o.n_ * e;
    n_ += o.n_;
    logs_ += o.logs_;
    inv_ += o.inv_;
}

// With a = mean - shift: C2 = D2 - n a^2, C3 = D3 - 3a D2 + 2n a^3,
// C4 = D4 - 4a D3 + 6a^2 D2 - 3n a^4.
Extended Moments::centred2() const {
    if (constant()) return Extended();
    return d2_ - d1_ * d1_ / n_;
}

Extended Moments::centred3() const {
    if (constant()) return Extended();
    const Extended a = meanOffset();
    return d3_ - 3.0 * a * d2_ + 2.0 * n_ * a * a * a;
}

Extended Moments::centred4() const {
    if (constant()) return Extended();
    const Extended a = meanOffset();
    const Extended a2 = a * a;
    return d4_ - 4.0 * a * d3_ + 6.0 * a2 * d2_ - 3.0 * n_ * a2 * a2;
}

Extended Moments::sumOfSquares() const {
    // Sum of w (shift + d)^2.
    const Extended s2 = Extended::product(shift_, shift_);
    return n_ * s2 + 2.0 * shift_ * d1_ + d2_;
}

std::optional<Extended> varianceOf(const Moments& m, std::string_view method) {
    const bool sample = method != "N";
    if (!positive(m.n()) || (sample && !(m.n() > 1.0))) return std::nullopt;
    if (m.constant()) return Extended();
    // Distinct values always spread; a residue at or below 0 means the
    // powers underflowed, and a NaN that they overflowed.
    const Extended c2 = m.centred2();
    if (!(c2 > 0.0)) return std::nullopt;
    const Extended v = c2 / (sample ? m.n() - 1.0 : m.n());
    if (!finite(v)) return std::nullopt;
    return v;
}

std::optional<double> mean(const Moments& m) {
    if (!positive(m.n())) return std::nullopt;
    return finite(m.shift() + m.meanOffset());
}

std::optional<double> variance(const Moments& m, std::string_view method) {
    const auto v = varianceOf(m, method);
    if (!v) return std::nullopt;
    return finite(*v);
}

std::optional<double> stdDeviation(const Moments& m, std::string_view method) {
    const auto v = varianceOf(m, method);
    if (!v) return std::nullopt;
    return finite(sqrt(*v));
}

std::optional<double> skewness(const Moments& m) {
    const Extended& n = m.n();
    if (!(n > 2.0) || m.constant() || !m.keepsShape()) return std::nullopt;
    const auto s2 = varianceOf(m, "N-1");
    if (!s2) return std::nullopt;
    const Extended s3 = *s2 * sqrt(*s2);
    return finite(n * m.centred3() / ((n - 1.0) * (n - 2.0) * s3));
}

std::optional<double> kurtosis(const Moments& m) {
    const Extended& n = m.n();
    if (!(n > 3.0) || m.constant() || !m.keepsShape()) return std::nullopt;
    const auto s2 = varianceOf(m, "N-1");
    if (!s2) return std::nullopt;
    const Extended n1 = n - 1.0, n2 = n - 2.0, n3 = n - 3.0;
    const Extended k =
        n * (n + 1.0) * m.centred4() / (n1 * n2 * n3 * *s2 * *s2) - 3.0 * n1 * n1 / (n2 * n3);
    return finite(k);
}

std::optional<double> sum(const Moments& m) {
    if (!positive(m.n())) return std::nullopt;
    return finite(m.sum());
}

std::optional<double> sumOfSquares(const Moments& m) {
    if (!positive(m.n())) return std::nullopt;
    return finite(m.sumOfSquares());
}

std::optional<double> centredSquares(const Moments& m) {
    if (!positive(m.n())) return std::nullopt;
    if (m.constant()) return 0.0;
    const Extended c2 = m.centred2();
    if (!(c2 > 0.0)) return std::nullopt;
    return finite(c2);
}

std::optional<double> rootMeanSquare(const Moments& m) {
    if (!positive(m.n())) return std::nullopt;
    return finite(sqrt(m.sumOfSquares() / m.n()));
}

std::optional<double> geometricMean(const Moments& m) {
    if (!positive(m.n())) return std::nullopt;
    const double g = std::exp((m.logSum() / m.n()).toDouble());
    if (!std::isfinite(g)) return std::nullopt;
    return g;
}

std::optional<double> harmonicMean(const Moments& m) {
    if (!positive(m.n()) || m.reciprocalSum() == 0.0) return std::nullopt;
    return finite(m.n() / m.reciprocalSum());
}

}  // namespace qrv::num
