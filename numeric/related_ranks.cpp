// The rank statistics of related values from their sums.
#include "numeric/related_ranks.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "numeric/distributions.h"

namespace qrv::num {

namespace {

// Two-tailed normal probability of z.
Tested normal(double z) {
    return {z, CZValue().Quorvane_CalcTailProb("Z", std::fabs(z), 0, 0)};
}

// t = r sqrt((n - 2) / (1 - r^2)) and its two-tailed probability, for
// n > 2 and |r| below 1.
void tOfRho(double r, double n, std::optional<double>& t, std::optional<double>& p) {
    if (!(n > 2) || !(std::fabs(r) < 1)) return;
    t = r * std::sqrt((n - 2) / (1 - r * r));
    p = CZValue().Quorvane_CalcProb("T", *t, n - 2, 0);
}

}  // namespace

std::optional<Tested> pairedSignTest(double below, double above) {
    const double n = below + above;
    if (!(n > 0)) return std::nullopt;
    const double m = below > above ? below : above;
    return normal((m - 0.5 - n / 2) / (0.5 * std::sqrt(n)));
}

double signTestTail(double n, double x) {
    CZValue z;
    if (n <= 25) {
        z.Quorvane_FactorialInit();
        double sum = 0;
        const auto trials = static_cast<std::int32_t>(std::trunc(n));
        const auto last = static_cast<std::int32_t>(std::trunc(x));
        for (std::int32_t k = 0; k <= last; ++k) sum += z.Quorvane_Binomial(trials, k);
        return sum * std::pow(0.5, n);
    }
    // The lower tail Phi(z) from the two-tailed probability itself, not as
    // 0.5 minus half the central area, which leaves nothing beyond |z| ~ 8.3.
    const double zx = (x - n / 2 + 0.5) / (0.5 * std::sqrt(n));
    const double beyond = z.Quorvane_CalcTailProb("Z", std::fabs(zx), 0, 0) / 2;
    return zx < 0 ? beyond : 1 - beyond;
}

SignedRankTest signedRankTest(const SignedRanks& r) {
    SignedRankTest w;
    if (r.negCount > 0) w.negMean = r.negSum / r.negCount;
    if (r.posCount > 0) w.posMean = r.posSum / r.posCount;
    const double n = r.negCount + r.posCount;
    if (n > 0) {
        const double t = r.negSum < r.posSum ? r.negSum : r.posSum;
        const double sd = std::sqrt(n * (n + 1) * (2 * n + 1) / 24);
        w.z = normal((t - n * (n + 1) / 4) / sd);
    }
    return w;
}

Spearman spearman(const RankDifferences& ranks, const TieTotals& x, const TieTotals& y) {
    Spearman s;
    const double n = ranks.n, d = ranks.d;
    if (!(n > 1)) return s;
    s.rho = 1 - 6 * d / (n * (n * n - 1));
    tOfRho(*s.rho, n, s.t, s.p);
    if (x.tiedGroups + y.tiedGroups > 0) {
        // The sums of squares of the ranks about their mean, each field's
        // ties taken out.
        const double sx = (n * n * n - n - x.sumCubes) / 12;
        const double sy = (n * n * n - n - y.sumCubes) / 12;
        if (sx * sy != 0) {
            s.rhoTies = (sx + sy - d) / (2 * std::sqrt(sx * sy));
            tOfRho(*s.rhoTies, n, s.tTies, s.pTies);
        }
    }
    return s;
}

void midRanks(std::vector<std::pair<double, int>>& record, std::vector<double>& rankOf) {
    std::sort(record.begin(), record.end());
    rankOf.resize(record.size());
    for (std::size_t r = 0; r < record.size();) {
        std::size_t end = r + 1;
        while (end < record.size() && record[end].first == record[r].first) ++end;
        // Positions r + 1 .. end: their mean.
        const double meanRank = static_cast<double>(r + 1 + end) / 2;
        for (; r < end; ++r) rankOf[static_cast<std::size_t>(record[r].second)] = meanRank;
    }
}

std::optional<Tested> friedman(const Extended& n, const Extended& sumSquares, int k) {
    if (!(n.toDouble() > 0) || k < 2) return std::nullopt;
    const double kk = k;
    const double chi = (12.0 * sumSquares / (n * (kk * (kk + 1))) - 3.0 * (kk + 1) * n).toDouble();
    return Tested{chi, CZValue().Quorvane_CalcProb("C", chi, kk - 1, 0)};
}

}  // namespace qrv::num
