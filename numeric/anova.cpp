// Level sums about a provisional shift, and the one-way table from them.
#include "numeric/anova.h"

namespace qrv::num {

void LevelSums::add(double x, double w) {
    if (count_ == 0) shift_ = min_ = max_ = x;
    ++count_;
    if (x < min_) min_ = x;
    if (x > max_) max_ = x;
    const Extended d = Extended::sum(x, -shift_);
    n_ += w;
    if (w == 1.0) {
        d_ += d;
        q_ += d * d;
    } else {
        d_ += d * w;
        q_ += d * d * w;
    }
}

void LevelSums::merge(const LevelSums& o) {
    if (o.count_ == 0) return;
    if (count_ == 0) {
        *this = o;
        return;
    }
    // x - shift = (x - o.shift) + delta.
    const Extended delta = Extended::sum(o.shift_, -shift_);
    q_ += o.q_ + 2.0 * delta * o.d_ + delta * delta * o.n_;
    d_ += o.d_ + delta * o.n_;
    n_ += o.n_;
    count_ += o.count_;
    if (o.min_ < min_) min_ = o.min_;
    if (o.max_ > max_) max_ = o.max_;
}

OneWayAnova oneWayAnova(const std::vector<LevelSums>& levels) {
    OneWayAnova t;
    const LevelSums* first = nullptr;
    for (const auto& l : levels) {
        if (!(l.n() > Extended(0.0))) continue;
        if (first == nullptr) first = &l;
        ++t.levels;
        t.n += l.n();
    }
    if (first == nullptr) return t;
    // Level means about the first level's shift, their weighted mean, and the
    // spread of the means about it.
    const double ref = first->shift();
    Extended grand;
    for (const auto& l : levels) {
        if (l.n() > Extended(0.0)) grand += l.n() * l.meanAbout(ref);
    }
    grand /= t.n;
    for (const auto& l : levels) {
        if (!(l.n() > Extended(0.0))) continue;
        const Extended dev = l.meanAbout(ref) - grand;
        t.ssBetween += l.n() * dev * dev;
        t.ssWithin += l.centredSquares();
    }
    if (t.ssWithin < Extended(0.0)) t.ssWithin = 0.0;
    t.ssTotal = t.ssBetween + t.ssWithin;
    t.dfTotal = t.n - 1.0;
    t.dfBetween = static_cast<double>(t.levels - 1);
    t.dfWithin = t.dfTotal - t.dfBetween;
    if (t.dfBetween > Extended(0.0)) t.msBetween = t.ssBetween / t.dfBetween;
    if (t.dfWithin > Extended(0.0)) t.msWithin = t.ssWithin / t.dfWithin;
    if (t.msBetween && t.msWithin && *t.msWithin != Extended(0.0) && t.ssBetween > Extended(0.0)) {
        t.f = *t.msBetween / *t.msWithin;
    }
    if (t.ssTotal > Extended(0.0)) t.r2 = t.ssBetween / t.ssTotal;
    return t;
}

}  // namespace qrv::num
