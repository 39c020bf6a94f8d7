// The co-moments' slow path (differences that are not doubles, or too large
// to square), the merge, and the statistics.
#include "numeric/comoments.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace qrv::num {

namespace {

bool finite(const Extended& v) {
    return std::isfinite(v.hi()) && std::isfinite(v.lo());
}

// v 2^e, exact unless it overflows or underflows.
Extended scaled(const Extended& v, int e) {
    return Extended::fromParts(std::ldexp(v.hi(), e), std::ldexp(v.lo(), e));
}

std::optional<Extended> ifFinite(const Extended& v) {
    return finite(v) ? std::optional(v) : std::nullopt;
}

// The exponent that brings a difference of this size near 1, when it is too
// large to square; otherwise the current one.
int exponentFor(const Extended& d, int current) {
    const double s = std::fabs(std::ldexp(d.hi(), -current));
    if (!(s > 0x1p400) || !std::isfinite(s)) return current;
    return std::ilogb(d.hi());
}

}  // namespace

void CoMoments::rescale(int ex, int ey) {
    if (ex == ex_ && ey == ey_) return;
    const int sx = ex_ - ex, sy = ey_ - ey;
    dx_ = scaled(dx_, sx);
    dy_ = scaled(dy_, sy);
    dxx_ = scaled(dxx_, 2 * sx);
    dyy_ = scaled(dyy_, 2 * sy);
    dxy_ = scaled(dxy_, sx + sy);
    ex_ = ex;
    ey_ = ey;
}

void CoMoments::addSlow(double x, double y, double w) {
    const Extended u = Extended::sum(x, -cx_), v = Extended::sum(y, -cy_);
    if (ex_ == 0 && ey_ == 0 && small(u.hi()) && small(v.hi())) {
        // Differences that are not doubles, but need no scaling.
        const Extended uw = w == 1.0 ? u : u * w;
        dx_ += uw;
        dy_ += w == 1.0 ? v : v * w;
        dxx_ += uw * u;
        dyy_ += w == 1.0 ? v * v : v * v * w;
        dxy_ += uw * v;
        return;
    }
    rescale(exponentFor(u, ex_), exponentFor(v, ey_));
    const Extended us = scaled(u, -ex_), vs = scaled(v, -ey_);
    dx_ += us * w;
    dy_ += vs * w;
    dxx_ += us * us * w;
    dyy_ += vs * vs * w;
    dxy_ += us * vs * w;
}

void CoMoments::merge(const CoMoments& other) {
    if (other.valid_ == 0) return;
    if (valid_ == 0) {
        *this = other;
        return;
    }
    // The other part's differences move to this shift: u = u' + delta.
    const Extended deltaX = Extended::sum(other.cx_, -cx_);
    const Extended deltaY = Extended::sum(other.cy_, -cy_);
    const int ex = exponentFor(deltaX, std::max(ex_, other.ex_));
    const int ey = exponentFor(deltaY, std::max(ey_, other.ey_));
    rescale(ex, ey);
    CoMoments o = other;
    o.rescale(ex, ey);
    const Extended dX = scaled(deltaX, -ex), dY = scaled(deltaY, -ey);
    dxx_ += o.dxx_ + 2.0 * dX * o.dx_ + dX * dX * o.n_;
    dyy_ += o.dyy_ + 2.0 * dY * o.dy_ + dY * dY * o.n_;
    dxy_ += o.dxy_ + dY * o.dx_ + dX * o.dy_ + dX * dY * o.n_;
    dx_ += o.dx_ + dX * o.n_;
    dy_ += o.dy_ + dY * o.n_;
    n_ += o.n_;
    valid_ += o.valid_;
}

// In scaled units. A clearly positive spread cannot come out negative; a
// negative one is rounding of none.
Extended CoMoments::centredXX() const {
    const Extended r = dxx_ - dx_ * dx_ / n_;
    return r < Extended(0.0) ? Extended(0.0) : r;
}
Extended CoMoments::centredYY() const {
    const Extended r = dyy_ - dy_ * dy_ / n_;
    return r < Extended(0.0) ? Extended(0.0) : r;
}
Extended CoMoments::centredXY() const {
    return dxy_ - dx_ * dy_ / n_;
}

std::optional<Extended> CoMoments::meanX() const {
    if (!(n_ > Extended(0.0))) return std::nullopt;
    return ifFinite(cx_ + scaled(dx_ / n_, ex_));
}
std::optional<Extended> CoMoments::meanY() const {
    if (!(n_ > Extended(0.0))) return std::nullopt;
    return ifFinite(cy_ + scaled(dy_ / n_, ey_));
}

std::optional<Extended> CoMoments::Sxx() const {
    if (!(n_ > Extended(0.0))) return std::nullopt;
    return ifFinite(scaled(centredXX(), 2 * ex_));
}
std::optional<Extended> CoMoments::Syy() const {
    if (!(n_ > Extended(0.0))) return std::nullopt;
    return ifFinite(scaled(centredYY(), 2 * ey_));
}
std::optional<Extended> CoMoments::Sxy() const {
    if (!(n_ > Extended(0.0))) return std::nullopt;
    return ifFinite(scaled(centredXY(), ex_ + ey_));
}

std::optional<Extended> CoMoments::varianceX() const {
    if (!(n_ > Extended(1.0))) return std::nullopt;
    return ifFinite(scaled(centredXX() / (n_ - 1.0), 2 * ex_));
}
std::optional<Extended> CoMoments::varianceY() const {
    if (!(n_ > Extended(1.0))) return std::nullopt;
    return ifFinite(scaled(centredYY() / (n_ - 1.0), 2 * ey_));
}
std::optional<Extended> CoMoments::covariance() const {
    if (!(n_ > Extended(1.0))) return std::nullopt;
    return ifFinite(scaled(centredXY() / (n_ - 1.0), ex_ + ey_));
}

std::optional<Extended> CoMoments::correlation() const {
    if (valid_ < 2 || !(n_ > Extended(0.0))) return std::nullopt;
    const Extended sxx = centredXX(), syy = centredYY();
    if (!(sxx > Extended(0.0)) || !(syy > Extended(0.0))) return std::nullopt;
    // The scales cancel in the ratio.
    const Extended r = centredXY() / (sqrt(sxx) * sqrt(syy));
    if (!finite(r)) return std::nullopt;
    if (r > Extended(1.0)) return Extended(1.0);
    if (r < Extended(-1.0)) return Extended(-1.0);
    return r;
}
std::optional<Extended> CoMoments::rSquare() const {
    const std::optional<Extended> r = correlation();
    if (!r) return std::nullopt;
    return *r * *r;
}

CoMomentMatrix::CoMomentMatrix(int fields)
    : field_(static_cast<size_t>(std::max(fields, 0))),
      cross_(field_.size() * (field_.size() - (field_.empty() ? 0 : 1)) / 2),
      u_(field_.size()) {}

void CoMomentMatrix::rescale(size_t a, int e) {
    Field& f = field_[a];
    if (e == f.e) return;
    const int s = f.e - e;
    f.s = scaled(f.s, s);
    f.ss = scaled(f.ss, 2 * s);
    for (size_t b = 0; b < field_.size(); ++b)
        if (b != a) {
            Extended& c = cross_[b < a ? cross(b, a) : cross(a, b)];
            c = scaled(c, s);
        }
    f.e = e;
}

void CoMomentMatrix::add(const double* x, double w) {
    const size_t k = field_.size();
    if (valid_ == 0)
        for (size_t a = 0; a < k; ++a) field_[a].shift = x[a];
    ++valid_;
    n_ += w;
    // The differences from the shifts: usually doubles; otherwise exact in
    // Extended, and scaled down when too large to square.
    for (size_t a = 0; a < k; ++a) {
        Field& f = field_[a];
        const double u = x[a] - f.shift;
        if (f.e == 0 && CoMoments::exact(x[a], f.shift, u) && CoMoments::small(u)) {
            u_[a] = u;
            continue;
        }
        const Extended d = Extended::sum(x[a], -f.shift);
        if (f.e != 0 || !CoMoments::small(d.hi())) rescale(a, exponentFor(d, f.e));
        u_[a] = scaled(d, -f.e);
    }
    size_t p = 0;
    for (size_t a = 0; a < k; ++a) {
        Field& f = field_[a];
        const Extended uw = w == 1.0 ? u_[a] : u_[a] * w;
        f.s += uw;
        f.ss += uw * u_[a];
        for (size_t b = a + 1; b < k; ++b) cross_[p++] += uw * u_[b];
    }
}

void CoMomentMatrix::merge(const CoMomentMatrix& other) {
    if (other.valid_ == 0 || other.field_.size() != field_.size()) return;
    if (valid_ == 0) {
        *this = other;
        return;
    }
    // The other part's differences move to these shifts: u = u' + delta.
    const size_t k = field_.size();
    CoMomentMatrix o = other;
    std::vector<Extended> delta(k);
    for (size_t a = 0; a < k; ++a) {
        const Extended d = Extended::sum(o.field_[a].shift, -field_[a].shift);
        const int e = exponentFor(d, std::max(field_[a].e, o.field_[a].e));
        rescale(a, e);
        o.rescale(a, e);
        delta[a] = scaled(d, -e);
    }
    const Extended& on = o.n_;
    for (size_t a = 0; a < k; ++a)
        for (size_t b = a + 1; b < k; ++b)
            cross_[cross(a, b)] += o.cross_[cross(a, b)] + delta[b] * o.field_[a].s +
                                   delta[a] * o.field_[b].s + delta[a] * delta[b] * on;
    for (size_t a = 0; a < k; ++a) {
        Field& f = field_[a];
        const Field& g = o.field_[a];
        const Extended& d = delta[a];
        f.ss += g.ss + 2.0 * d * g.s + d * d * on;
        f.s += g.s + d * on;
    }
    n_ += on;
    valid_ += o.valid_;
}

CoMoments CoMomentMatrix::pair(int a, int b) const {
    const Field& x = field_[static_cast<size_t>(a)];
    const Field& y = field_[static_cast<size_t>(b)];
    CoMoments m;
    m.valid_ = valid_;
    m.cx_ = x.shift;
    m.cy_ = y.shift;
    m.ex_ = x.e;
    m.ey_ = y.e;
    m.n_ = n_;
    m.dx_ = x.s;
    m.dy_ = y.s;
    m.dxx_ = x.ss;
    m.dyy_ = y.ss;
    m.dxy_ = a == b  ? x.ss
             : a < b ? cross_[cross(static_cast<size_t>(a), static_cast<size_t>(b))]
                     : cross_[cross(static_cast<size_t>(b), static_cast<size_t>(a))];
    return m;
}

LeastSquaresSystem CoMoments::lineSystem(bool intercept) const {
    const Extended nan(std::nan(""));
    const std::vector<Extended> means = {meanX().value_or(nan), meanY().value_or(nan)};
    const Extended sxy = Sxy().value_or(nan);
    const std::vector<Extended> centred = {Sxx().value_or(nan), sxy, sxy, Syy().value_or(nan)};
    return centredSystem(1, n_, means, centred, intercept);
}

}  // namespace qrv::num
