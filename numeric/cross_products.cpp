// Accumulation about the first row, merging, and the centred system.
#include "numeric/cross_products.h"

namespace qrv::num {

Extended centredSum(const Extended& sq, const Extended& s1, const Extended& s2, const Extended& n) {
    constexpr double kRounding = 1e-30;
    const Extended r = sq - s1 * s2 / n;
    return abs(r) <= abs(sq) * kRounding ? Extended(0.0) : r;
}

void CrossProducts::add(std::span<const double> x, double y, double w) {
    const int q = f_ + 1;  // index of y; f_ is the constant
    auto v = [&](int i) { return i < f_ ? x[static_cast<std::size_t>(i)] : i == f_ ? 1.0 : y; };
    if (valid_ == 0) {
        for (int i = 0; i <= q; ++i) shift_[static_cast<std::size_t>(i)] = i == f_ ? 0.0 : v(i);
    }
    ++valid_;
    // The differences from the shift, exact in Extended.
    Extended u[64];
    std::vector<Extended> heap;
    Extended* d = u;
    if (q + 1 > 64) {
        heap.resize(static_cast<std::size_t>(q + 1));
        d = heap.data();
    }
    for (int i = 0; i <= q; ++i) d[i] = Extended::sum(v(i), -shift_[static_cast<std::size_t>(i)]);
    for (int i = 0; i <= q; ++i) {
        const Extended di = w == 1.0 ? d[i] : d[i] * w;
        for (int j = i; j <= q; ++j) s_[index(i, j)] += di * d[j];
    }
}

void CrossProducts::merge(const CrossProducts& o) {
    if (o.f_ != f_ || o.valid_ == 0) return;
    if (valid_ == 0) {
        *this = o;
        return;
    }
    // The other part's differences move to this shift: u = u' + delta, where
    // delta is 0 for the constant, whose sums (index f_) are those of w u'.
    const int q = f_ + 1;
    std::vector<Extended> delta(static_cast<std::size_t>(q + 1));
    for (int i = 0; i <= q; ++i) {
        const auto k = static_cast<std::size_t>(i);
        delta[k] = Extended::sum(o.shift_[k], -shift_[k]);
    }
    const Extended& on = o.n();
    for (int i = 0; i <= q; ++i) {
        const Extended& di = delta[static_cast<std::size_t>(i)];
        for (int j = i; j <= q; ++j) {
            const Extended& dj = delta[static_cast<std::size_t>(j)];
            s_[index(i, j)] += o.sum(i, j) + di * o.sum(j, f_) + dj * o.sum(i, f_) + di * dj * on;
        }
    }
    valid_ += o.valid_;
}

LeastSquaresSystem CrossProducts::system(bool intercept) const {
    // Terms and y in the system's order: indices 0..F-1, then F+1.
    const int k = f_;
    auto at = [&](int i) { return i < k ? i : f_ + 1; };
    const Extended& n = this->n();
    std::vector<Extended> means(static_cast<std::size_t>(k + 1));
    std::vector<Extended> centred(static_cast<std::size_t>((k + 1) * (k + 1)));
    for (int i = 0; i <= k; ++i) {
        means[static_cast<std::size_t>(i)] =
            shift_[static_cast<std::size_t>(at(i))] + sum(at(i), f_) / n;
        for (int j = 0; j <= k; ++j) {
            centred[static_cast<std::size_t>(i * (k + 1) + j)] =
                centredSum(sum(at(i), at(j)), sum(at(i), f_), sum(at(j), f_), n);
        }
    }
    return centredSystem(k, n, means, centred, intercept);
}

}  // namespace qrv::num
