// The rank statistics of paired values: the sign test of the counts below
// and above, the signed ranks of the differences, and Spearman's rank
// correlation, each from the sorted values the walk kept for the group.
#pragma once

#include <cstddef>
#include <optional>

#include "dataaccess/error.h"
#include "engine/sort_table.h"

namespace qrv {

// Two-tailed sign test of a values below and b above: unset when a + b is 0.
struct SignResult {
    double z = 0, p = 0;
};
std::optional<SignResult> SignTest(double below, double above);

// Signed ranks over one field of absolute differences whose values carry
// their whole-number counts as weights and a tag of 1 for X above Y (0 for
// below); equal pairs are not in the field.
struct WilcoxonResult {
    double negCount = 0, posCount = 0, negSum = 0, posSum = 0;
    std::optional<double> z, p;  // when any pair counts
};
dao::Error Wilcoxon(SortTable& values, int field, WilcoxonResult& out);

// An absolute difference as it is compared for ties: to 15 significant
// digits, so that differences that read the same are tied.
double TieValue(double difference);

// Spearman's rho over two fields of the same rows: each value tagged with its
// row and weighted by its whole-number count. Ranks of the two fields meet
// by row in a table of their own, counted against budget (the run's, so
// that the run stays within one budget; none holds them all in memory).
struct SpearmanResult {
    double tiedX = 0, tiedY = 0;
    std::optional<double> rho, t, p;              // rho when n > 1
    std::optional<double> rhoTies, tTies, pTies;  // when there are ties
};
dao::Error Spearman(SortTable& values, int xField, int yField, SortBudget* budget,
                    SpearmanResult& out);

}  // namespace qrv
