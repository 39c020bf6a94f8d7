// GroupState: the accumulators of one group as a small state the walk keeps.
// The analysis makes one per group, adds rows to it, and writes it when the
// group is done; two states of parts of the same group combine into one, so
// a walk may accumulate a group in pieces (rows read in any order, groups
// split by how their values were spelt) and still write it once.
#pragma once

#include "engine/sort_table.h"

namespace qrv {

class GroupState {
  public:
    virtual ~GroupState() = default;
    // Adds the sums of other, a state of the same analysis, to this one.
    virtual void Merge(const GroupState& other) = 0;
    // Merge, and the sorted values too (which may spill, and so fail).
    dao::Error MergeAll(const GroupState& other) {
        if (dao::Error e = values.Merge(other.values)) return e;
        Merge(other);
        return {};
    }

    // The group's usable values, for analyses that need them in order.
    SortTable values;
};

}  // namespace qrv
