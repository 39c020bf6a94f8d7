// The rank statistics of related values, the values of one record compared
// with each other, and of one sample against a test value: the sign tests,
// Wilcoxon's signed ranks, Spearman's rank correlation and Friedman's test.
// Each gives its probability too, and nothing (Null) where the statistic
// does not exist.
#pragma once

#include <optional>
#include <utility>
#include <vector>

#include "numeric/extended.h"
#include "numeric/rank_statistics.h"

namespace qrv::num {

// The sign test of pairs, below of them with X below Y and above with X
// above: Z of the larger count corrected for continuity, two-tailed.
// Nothing when no pair differs.
std::optional<Tested> pairedSignTest(double below, double above);

// P(X <= x) for X binomial with n trials of probability 1/2: exact up to 25
// trials, beyond that the normal approximation corrected for continuity.
double signTestTail(double n, double x);

// The signed ranks of the non-zero differences: add each with its count
// (a whole number), its sign and the mean rank of its absolute value.
struct SignedRanks {
    double negCount = 0, posCount = 0, negSum = 0, posSum = 0;
    void add(bool positive, double count, double meanRank) {
        (positive ? posCount : negCount) += count;
        (positive ? posSum : negSum) += count * meanRank;
    }
};
// Wilcoxon: the mean ranks of each sign where it has values, and the Z of
// the smaller rank sum about n (n + 1) / 4 with variance
// n (n + 1) (2n + 1) / 24, two-tailed, when any pair differs.
struct SignedRankTest {
    std::optional<double> negMean, posMean;
    std::optional<Tested> z;
};
SignedRankTest signedRankTest(const SignedRanks& ranks);

// The ranks of X and Y of the same rows: add each row's count and ranks.
struct RankDifferences {
    double n = 0;  // the rows, each by its count
    double d = 0;  // the squared rank differences added
    void add(double count, double rankX, double rankY) {
        n += count;
        d += count * (rankX - rankY) * (rankX - rankY);
    }
};
// Spearman's rho = 1 - 6 d / (n (n^2 - 1)) and rho corrected for the tied
// runs of X and Y (the correlation of the ranks themselves), each with
// t = rho sqrt((n - 2) / (1 - rho^2)) on n - 2 degrees of freedom,
// two-tailed. rho needs n > 1, t n > 2 and |rho| < 1; the corrected rho
// needs ties and some spread in both fields.
struct Spearman {
    std::optional<double> rho, t, p;
    std::optional<double> rhoTies, tTies, pTies;
};
Spearman spearman(const RankDifferences& ranks, const TieTotals& x, const TieTotals& y);

// Sorts the values of one record (each with its field's index) and gives
// each field the mean of the positions (from 1) its run of equal values
// takes: rankOf[index], sized to the record.
void midRanks(std::vector<std::pair<double, int>>& record, std::vector<double>& rankOf);

// Friedman: records of total weight n, each ranking the same k fields, and
// the sum over the fields of their squared weighted rank sums. Chi-square
// = 12 sum R_j^2 / (n k (k + 1)) - 3 n (k + 1) on k - 1 degrees of freedom.
// Nothing without weight or with fewer than two fields.
std::optional<Tested> friedman(const Extended& n, const Extended& sumSquares, int k);

}  // namespace qrv::num
