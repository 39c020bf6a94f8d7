// The one-way table from the level moments.
#include "numeric/anova.h"

namespace qrv::num {

OneWayAnova oneWayAnova(const std::vector<Moments>& levels) {
    OneWayAnova t;
    const Moments* first = nullptr;
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
        t.ssWithin += l.centred2();
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
