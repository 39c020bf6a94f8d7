// Accumulation and the normal equations of the cross-product matrix.
#include "numeric/cross_products.h"

namespace qrv::num {

Extended centredSum(const Extended& sq, const Extended& s1, const Extended& s2, const Extended& n) {
    constexpr double kRounding = 1e-30;
    const Extended r = sq - s1 * s2 / n;
    return abs(r) <= abs(sq) * kRounding ? Extended(0.0) : r;
}

void CrossProducts::add(std::span<const double> x, double y, double w) {
    ++valid_;
    const int q = f_ + 1;  // index of y; f_ is the constant
    auto v = [&](int i) { return i < f_ ? x[static_cast<std::size_t>(i)] : i == f_ ? 1.0 : y; };
    for (int i = 0; i <= q; ++i) {
        const double vi = v(i);
        for (int j = i; j <= q; ++j) addWeightedProduct(s_[index(i, j)], vi, v(j), w);
    }
}

void CrossProducts::merge(const CrossProducts& o) {
    if (o.f_ != f_) return;
    valid_ += o.valid_;
    for (std::size_t i = 0; i < s_.size(); ++i) s_[i] += o.s_[i];
}

NormalEquations CrossProducts::normalEquations() const {
    NormalEquations eq(f_);
    for (int i = 0; i <= f_; ++i) {
        for (int j = 0; j <= f_; ++j) eq.at(i, j) = sum(i, j);
        eq.xy[static_cast<std::size_t>(i)] = sum(i, f_ + 1);
    }
    eq.yy = sum(f_ + 1, f_ + 1);
    return eq;
}

}  // namespace qrv::num
