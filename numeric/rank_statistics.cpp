// The rank statistics of independent samples from their sums.
#include "numeric/rank_statistics.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace qrv::num {

namespace {

// Below this many values the Z of a run count is corrected for continuity.
constexpr double kContinuityBelow = 50;

// Two-tailed normal probability of z.
Tested normal(double z) {
    return {z, CZValue().Quorvane_CalcTailProb("Z", z, 0, 0)};
}

// Upper tail of chi-square on df degrees of freedom.
Tested chiSquare(double x, double df) {
    return {x, CZValue().Quorvane_CalcProb("C", x, df, 0)};
}

}  // namespace

std::optional<MannWhitney> mannWhitney(double n1, double n2, double r1, double r2,
                                       const TieTotals& ties) {
    if (!(n1 > 0 && n2 > 0)) return std::nullopt;
    MannWhitney m;
    const double n = n1 + n2, product = n1 * n2;
    m.meanRank1 = r1 / n1;
    m.meanRank2 = r2 / n2;
    m.sumTies = ties.sumCubes / 12;
    m.u = product + n1 * (n1 + 1) / 2 - r1;
    if (m.u > product / 2) m.u = product - m.u;
    m.uPrime = product - m.u;
    m.w = n1 > n2 ? r2 : r1;
    // The variance n1 n2 (N + 1) / 12 as n1 n2 / (N (N - 1)) times
    // (N^3 - N) / 12, from which the ties' share is taken.
    const double t = (n * n * n - n) / 12;
    const double scale = product / (n * (n - 1));
    m.z = normal((m.u - product / 2) / std::sqrt(scale * t));
    if (t > m.sumTies) m.zTies = normal((m.u - product / 2) / std::sqrt(scale * (t - m.sumTies)));
    return m;
}

std::optional<KruskalWallis> kruskalWallis(const RankSums& samples, const TieTotals& ties) {
    const double n = samples.n;
    if (!(n > 0)) return std::nullopt;
    const double df = samples.groups - 1;
    KruskalWallis k;
    k.h = chiSquare(12 * samples.s / (n * (n + 1)) - 3 * (n + 1), df);
    const double t = n * n * n - n;
    if (n > 1 && t != ties.sumCubes) k.hTies = chiSquare(k.h.value / (1 - ties.sumCubes / t), df);
    return k;
}

KolmogorovSmirnov ksTwoSample(double positive, double negative, double n1, double n2) {
    KolmogorovSmirnov ks{std::max(-negative, positive), positive, negative};
    ks.z = ks.absolute * std::sqrt(n1 * n2 / (n1 + n2));
    ks.p = CZValue().Quorvane_CalcKSProb(ks.z);
    return ks;
}

KolmogorovSmirnov ksFit(double positive, double negative, double n) {
    KolmogorovSmirnov ks{std::max(positive, -negative), positive, negative};
    ks.z = ks.absolute * std::sqrt(n);
    ks.p = ksShortSeries(ks.z);
    return ks;
}

double ksShortSeries(double z) {
    if (z >= 0 && z < 0.27) return 1;
    if (z >= 0.27 && z <= 1) {
        const double w = std::exp(-1.233701 / (z * z));
        return 1 - (2.506628 / z) * (w + std::pow(w, 9) + std::pow(w, 25));
    }
    if (z > 1 && z < 3.1) {
        const double w = std::exp(-2 * z * z);
        return 2 * (w - std::pow(w, 4) + std::pow(w, 9) - std::pow(w, 16));
    }
    return 0;
}

RunningPoissonCdf::RunningPoissonCdf(double lambda) : lambda_(lambda) {
    z_.Quorvane_FactorialInit();
    // ln lambda only where it is taken; elsewhere 0.
    const bool logged = lambda > 0 && lambda < 100000;
    logLambda_ = logged ? std::log(lambda) : 0.0;
    // Past the mode (k above e^b) the terms only shrink.
    mode_ = logged ? lambda : 1.0;
}

double RunningPoissonCdf::at(double x) {
    constexpr long long kLast = std::numeric_limits<std::int32_t>::max();
    const double last = std::floor(x);
    while (static_cast<double>(k_ + 1) <= last && k_ < kLast) {
        const double term =
            z_.Quorvane_Poisson(lambda_, logLambda_, static_cast<std::int32_t>(k_ + 1));
        ++k_;
        sum_ += term;
        if (term == 0 && static_cast<double>(k_) > mode_) {
            k_ = kLast;
            break;
        }
    }
    return sum_;
}

void RunCounts::add(bool has1, bool has2, double c1, double c2, bool last) {
    if (has1 != has2) {
        const int s = has1 ? 1 : 2;
        if (keepMin == 0 && keepMax == 0 && (minRuns > 0 || maxRuns > 0)) {
            // Only tied values of equal counts so far: either sample may
            // close them, so this value starts a run in both counts.
            ++minRuns;
            ++maxRuns;
        } else {
            if (keepMin != s) ++minRuns;
            if (keepMax != s) ++maxRuns;
        }
        keepMin = keepMax = s;
        return;
    }
    if (!has1) return;
    tiedGroups += 1;
    ties += c1 + c2;
    // Fewest runs: the closing sample's values join its run, the other
    // sample's values make one new run and close the arrangement.
    ++minRuns;
    if (keepMin == 0) {
        if (last) ++minRuns;
    } else {
        keepMin = keepMin == 1 ? 2 : 1;
    }
    // Most runs: alternate the two samples as long as the smaller lasts.
    if (c1 != c2) {
        const int larger = c1 > c2 ? 1 : 2;
        maxRuns += 2 * std::min(c1, c2) + (keepMax != larger ? 1 : 0);
        keepMax = larger;
    } else {
        maxRuns += c1 + c2;
    }
}

std::optional<RunsTest> runsTest(double n1, double n2, double minRuns, double maxRuns) {
    const double n = n1 + n2;
    if (!(n > 1)) return std::nullopt;
    RunsTest r;
    r.mean = 2 * n1 * n2 / n + 1;
    r.sd = std::sqrt(2 * n1 * n2 * (2 * n1 * n2 - n1 - n2) / (n * n * (n - 1)));
    if (!(r.sd > 0)) return r;
    auto tested = [&](double runs) {
        const double z = n >= kContinuityBelow ? (runs - r.mean) / r.sd
                         : runs >= r.mean      ? (runs - r.mean - 0.5) / r.sd
                                               : (runs - r.mean + 0.5) / r.sd;
        // One tail: half the two-tailed area beyond |Z|.
        return Tested{z, CZValue().Quorvane_CalcTailProb("Z", std::fabs(z), 0, 0) / 2};
    };
    r.minZ = tested(minRuns);
    r.maxZ = tested(maxRuns);
    return r;
}

}  // namespace qrv::num
