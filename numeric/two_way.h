// The two-factor terms of an analysis of variance from the cell sums of two
// compare fields: the cells model, the additive model fitted by the method of
// fitting constants, and the interaction between them, for designs with
// unequal or missing cells.
//
// Every sum of squares is taken about the grand mean (the cell sums are
// moved there in Extended first), so the interaction, a difference of the two
// models, does not cancel against the squared total of offset data.
#pragma once

#include <vector>

#include "numeric/extended.h"
#include "numeric/moments.h"

namespace qrv::num {

struct TwoWayTerms {
    int levelsA = 0, levelsB = 0;  // levels with weight
    int filled = 0;                // cells with weight
    int df = 0;                    // interaction degrees of freedom
    Extended cells;                // sum of n_ij (mean_ij - grand mean)^2
    Extended additive;             // the additive model's reduction, about the grand mean
    Extended interaction;          // cells - additive
    Extended within;               // sum of squares within the cells
    bool solved = true;            // false: the constants' system had no pivot
};

// cells[i][j] holds the values of level i of factor A and level j of factor
// B; every row has the same length. The factor with fewer levels gets the
// fitted constants (its last level none), as the equations are then smallest;
// when the system is singular the additive model keeps only the other factor.
TwoWayTerms twoWayTerms(const std::vector<std::vector<Moments>>& cells);

}  // namespace qrv::num
