// HashedWalk: the walk for analyses whose groups need only running sums. The
// rows are read in whatever order the database gives them; each row goes to
// the state of its group through a hash table keyed by the group values as
// the database orders them (so memory grows with groups, not rows). At the
// end the groups are ordered and merged exactly as the sorted walk would
// have met them, and written in that order with the values of their first
// row in it.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "dataaccess/value.h"
#include "engine/group_state.h"
#include "engine/group_walk.h"

namespace qrv {

class Quorvane;

class HashedWalk {
  public:
    using NewState = std::function<std::unique_ptr<GroupState>()>;
    using AddRow = std::function<std::string(GroupState&)>;
    using WriteGroup =
        std::function<std::string(GroupState&, const std::vector<dao::Value>& group, long records)>;
    // Adds the second state (another part of the same group) to the first.
    using MergeStates = std::function<std::string(GroupState& into, const GroupState& part)>;

    HashedWalk(Quorvane& engine, int groupFields) : engine_(engine), groupFields_(groupFields) {}

    // addRow runs for every row with its group's state; merge joins the parts
    // of a group the engine calls one; writeGroup runs once per group, in the
    // sorted walk's order, inside a transaction of the output database. The
    // first non-empty text ends the walk and is returned.
    std::string Run(const NewState& newState, const AddRow& addRow, const MergeStates& merge,
                    const WriteGroup& writeGroup);

    long Records() const { return records_; }
    void SetTicks(RecordTicks ticks) { ticks_ = std::move(ticks); }

  private:
    Quorvane& engine_;
    int groupFields_;
    long records_ = 0;
    RecordTicks ticks_;
};

}  // namespace qrv
