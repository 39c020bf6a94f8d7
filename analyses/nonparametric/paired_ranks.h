// The ranks of paired values: the signed ranks of the differences and the
// ranks of X and Y by row for Spearman's rank correlation, each from the
// sorted values the walk kept for the group.
#pragma once

#include "dataaccess/error.h"
#include "engine/sort_table.h"
#include "numeric/related_ranks.h"

namespace qrv {

// The signed ranks over one field of absolute differences whose values
// carry their whole-number counts as weights and a tag of 1 for X above Y (0
// for below); equal pairs are not in the field.
dao::Error Wilcoxon(SortTable& values, int field, num::SignedRanks& out);

// An absolute difference as it is compared for ties: to 15 significant
// digits, so that differences that read the same are tied.
double TieValue(double difference);

// Spearman's rho over two fields of the same rows: each value tagged with its
// row and weighted by its whole-number count. Ranks of the two fields meet
// by row in a table of their own, counted against budget (the run's, so
// that the run stays within one budget; none holds them all in memory).
struct SpearmanResult {
    num::TieTotals x, y;  // the tied runs of each field
    num::Spearman rho;
};
dao::Error Spearman(SortTable& values, int xField, int yField, SortBudget* budget,
                    SpearmanResult& out);

}  // namespace qrv
