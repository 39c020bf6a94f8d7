// PairDifferences: the running sums of two fields over the rows in which both
// are usable, for analyses that set one field against another (Compare, the
// correlation matrix). Besides the co-moments it sums the differences
// x - y themselves, so that the spread of the differences comes from their
// own centred sum instead of Sxx + Syy - 2 Sxy, which cancels to noise when
// x and y nearly agree (two fields that differ by a constant have no spread
// at all).
#pragma once

#include <cmath>
#include <cstdint>
#include <optional>

#include "numeric/comoments.h"
#include "numeric/extended.h"

namespace qrv {

// The sums of the differences d = x - y of a pair, over the rows added: of
// w e and w e^2, e = d - d0 about d0, the first difference rounded to a
// double, so that near-equal fields keep their digits. Differences too large
// to square are summed as e 2^-ed. The weight sum is the pair's, kept by its
// co-moments, and handed in where it is needed.
class DifferenceSums {
  public:
    // A row in which both x and y are usable, weight w > 0.
    void add(double x, double y, double w);
    // o's sums, over rows whose weights sum to on.
    void merge(const DifferenceSums& o, const num::Extended& on);

    // The mean difference and the centred sum of w (d - mean)^2 (in units
    // of 2^ed), for the weight sum n of the rows added.
    num::Extended mean(const num::Extended& n) const;
    num::Extended centred(const num::Extended& n) const;
    int exponent() const { return ed_; }

  private:
    void addDifference(const num::Extended& difference, double w);
    // Moves the sums to the scale exponent ed (exactly).
    void rescale(int ed);

    bool started_ = false;
    double d0_ = 0;
    num::Extended sd_, sdd_;
    int ed_ = 0;
};

class PairDifferences {
  public:
    PairDifferences() = default;
    // A pair whose co-moments and differences were summed apart, over the
    // same rows.
    PairDifferences(const num::CoMoments& m, const DifferenceSums& d) : m_(m), d_(d) {}

    // A row in which both x and y are usable, weight w > 0.
    void add(double x, double y, double w) {
        m_.add(x, y, w);
        d_.add(x, y, w);
    }
    void merge(const PairDifferences& o);

    const num::CoMoments& moments() const { return m_; }

    // What is known of the pair; every optional is unset where its
    // condition fails (the output leaves those cells Null).
    struct Result {
        double n = 0;                       // weight sum
        std::optional<double> meanX;        // n > 0
        std::optional<double> meanY;        // n > 0
        std::optional<double> meanDiff;     // n > 0: mean of x - y
        std::optional<double> stdDevDiff;   // n > 1 and the differences vary
        std::optional<double> covariance;   // n > 1
        std::optional<double> correlation;  // two rows and both fields vary
        std::optional<double> rSquare;      // as correlation
        std::optional<double> df;           // n > 1: n - 1
        std::optional<double> t;            // paired t of the mean difference: as stdDevDiff
        std::optional<double> p;            // its two-tailed probability
    };
    Result result() const;

  private:
    num::CoMoments m_;
    DifferenceSums d_;
};

// The pair's sums with the counts of rows where x is below, equal to and
// above y (Compare and the paired tests). A count moves to the integer
// nearest to its old value plus the weight, ties to even: with fractional
// weights the counts are rounded at every record, so they depend on the
// order of the rows.
struct PairComparison {
    PairDifferences pair;
    std::int32_t below = 0, equal = 0, above = 0;

    void add(double x, double y, double w) {
        pair.add(x, y, w);
        std::int32_t& count = x < y ? below : x == y ? equal : above;
        count = static_cast<std::int32_t>(std::nearbyint(static_cast<double>(count) + w));
    }
    void merge(const PairComparison& o) {
        pair.merge(o.pair);
        below += o.below;
        equal += o.equal;
        above += o.above;
    }
};

}  // namespace qrv
