// GroupWalk: the one walk over the prepared input rows that every analysis
// makes. Rows arrive sorted by the group fields; a group ends when the group
// values change (compared as the engine compares them), and the finished
// group is handed over with its values and its record count. Progress ticks
// come from here too.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "dataaccess/value.h"

namespace qrv {

class Quorvane;

// How a walk reports the records read: the engine's "Analyzing record: n"
// (no prefix), an analysis's own text before the number, or, without
// status, only the progress bar. A status text is built only when it is
// shown: every fifth record and the last of a group.
struct RecordTicks {
    bool status = true;
    std::string prefix;
    void Tick(Quorvane& engine, long records, bool final) const;
};

// Runs write, which writes a finished group's output rows, inside one
// transaction of the output database; rolls back when it fails.
std::string WriteGroupInTransaction(Quorvane& engine, const std::function<std::string()>& write);

class GroupWalk {
  public:
    using Step = std::function<std::string()>;
    using GroupEnd = std::function<std::string(const std::vector<dao::Value>& group, long records)>;

    GroupWalk(Quorvane& engine, int groupFields) : engine_(engine), groupFields_(groupFields) {}

    // onGroupStart runs before the first record of every group, onRecord for
    // every record, onGroupEnd after the last record of every group, inside a
    // transaction of the output database. The first non-empty text any of
    // them returns ends the walk and is returned.
    std::string Run(const Step& onGroupStart, const Step& onRecord, const GroupEnd& onGroupEnd);

    long Records() const { return records_; }
    void SetTicks(RecordTicks ticks) { ticks_ = std::move(ticks); }

  private:
    Quorvane& engine_;
    int groupFields_;
    long records_ = 0;
    RecordTicks ticks_;
};

}  // namespace qrv
