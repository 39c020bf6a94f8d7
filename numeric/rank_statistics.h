// The rank statistics of independent samples, from what a walk over the
// sorted values adds up: rank sums and counts per sample, the runs of tied
// values, the differences of two empirical distribution functions, the
// smallest and largest numbers of runs. Each function also gives the
// probability the analyses report, and nothing (Null) where the statistic
// does not exist. Counts are whole numbers held as doubles: weights make
// them larger than any 32-bit number.
#pragma once

#include <optional>

#include "numeric/distributions.h"

namespace qrv::num {

// The runs of tied values of one field: add the count f of every run of
// equal values, tied or not. Runs of one value take no part.
struct TieTotals {
    double ties = 0;        // the values in tied runs
    double tiedGroups = 0;  // the tied runs
    double sumCubes = 0;    // f^3 - f added over the tied runs
    void add(double f) {
        if (!(f > 1)) return;
        ties += f;
        tiedGroups += 1;
        sumCubes += f * f * f - f;
    }
};

// A statistic with a normal or chi-square reference and its probability.
struct Tested {
    double value = 0, p = 0;
};

// Mann-Whitney: n1, n2 > 0 values in the two samples, r1, r2 their rank
// sums over the pooled values. U is the smaller of U and U'; W the rank sum
// of the smaller sample (the first when they are equal). Z is about the
// mean n1 n2 / 2 with the variance n1 n2 (N + 1) / 12, two-tailed; Z(ties)
// takes the ties out of the variance and is absent when nothing is left.
struct MannWhitney {
    double meanRank1 = 0, meanRank2 = 0;
    double sumTies = 0;  // (f^3 - f) / 12 added over the tied runs
    double u = 0, uPrime = 0, w = 0;
    Tested z;
    std::optional<Tested> zTies;
};
// Nothing when a sample is empty.
std::optional<MannWhitney> mannWhitney(double n1, double n2, double r1, double r2,
                                       const TieTotals& ties);

// The samples of a Kruskal-Wallis test: add each non-empty sample's count
// and rank sum.
struct RankSums {
    double n = 0;       // the values of all samples
    double s = 0;       // R_j^2 / n_j added
    double groups = 0;  // the samples added
    void add(double nj, double rj) {
        n += nj;
        s += rj * rj / nj;
        groups += 1;
    }
};
// H = 12 / (N (N + 1)) sum R_j^2 / n_j - 3 (N + 1) on groups - 1 degrees of
// freedom (upper tail); H(ties) divides by 1 - sum(f^3 - f) / (N^3 - N) and
// is absent when every value is tied or N is 1.
struct KruskalWallis {
    Tested h;
    std::optional<Tested> hTies;
};
// Nothing without values.
std::optional<KruskalWallis> kruskalWallis(const RankSums& samples, const TieTotals& ties);

// Kolmogorov-Smirnov: the largest positive and negative differences of two
// distribution functions (the first less the second), the largest
// absolute one, Z and its upper tail probability.
struct KolmogorovSmirnov {
    double absolute = 0, positive = 0, negative = 0, z = 0, p = 0;
};
// Two samples of n1, n2 > 0 values: Z = D sqrt(n1 n2 / (n1 + n2)), the
// probability from the limiting distribution to full precision.
KolmogorovSmirnov ksTwoSample(double positive, double negative, double n1, double n2);
// One sample of weight n against a fitted distribution: Z = D sqrt(n), the
// probability by the short series of ksShortSeries.
KolmogorovSmirnov ksFit(double positive, double negative, double n);
// The Kolmogorov upper tail Q(z) by the classic short series: 1 below 0.27,
// three terms of the lower series to 1, four of the upper to 3.1, then 0.
// Good to about 1e-6.
double ksShortSeries(double z);

// The Poisson distribution function of mean lambda fitted to one sample,
// at values that come in ascending order: each call sums on from the last.
// Past the mode, once a term is 0 the rest add nothing and the sum stops.
// The mean must be positive and below 100000 for the terms to be those of
// the distribution.
class RunningPoissonCdf {
  public:
    explicit RunningPoissonCdf(double lambda);
    // P(X <= x); x not below the last call's.
    double at(double x);

  private:
    CZValue z_;
    double lambda_, logLambda_, mode_;
    long long k_ = -1;  // the terms summed so far: 0..k_
    double sum_ = 0;
};

// The fewest and the most runs the two samples can make over the values in
// ascending order, where a value held by both samples may be ordered either
// way. For each count it keeps the sample that closes the arrangement so far
// (0 before the first value).
struct RunCounts {
    double minRuns = 0, maxRuns = 0;
    double ties = 0, tiedGroups = 0;  // values held by both samples
    int keepMin = 0, keepMax = 0;
    // One distinct value: which samples hold it, their counts there (whole
    // numbers), and whether it is the field's last value.
    void add(bool has1, bool has2, double c1, double c2, bool last);
};

// The Wald-Wolfowitz runs test of samples of n1 and n2 values: the mean
// 2 n1 n2 / N + 1 and standard deviation of the number of runs, and the Z of
// the fewest and the most runs with their one-tailed probabilities; below
// 50 values Z is corrected for continuity toward the mean. The Z are
// absent without spread.
struct RunsTest {
    double mean = 0, sd = 0;
    std::optional<Tested> minZ, maxZ;
};
// Nothing for fewer than two values.
std::optional<RunsTest> runsTest(double n1, double n2, double minRuns, double maxRuns);

}  // namespace qrv::num
