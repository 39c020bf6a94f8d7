// Ranks with ties over a field's sorted values, for the rank tests. A tie run
// is a run of equal values (0 and -0 are equal); each value counts as many
// times as its weight says (the rank tests pass whole-number counts), so a
// run of count f after c counted values takes the ranks c + 1 .. c + f and
// each of its values the mean rank c + (f + 1) / 2. Both readers keep no more
// than one run's tags in memory, however long the field.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "dataaccess/error.h"
#include "engine/sort_merge.h"

namespace qrv {

struct TieRun {
    double value = 0;
    std::size_t items = 0;  // values in the run
    double count = 0;       // their weights added: f
    double firstRank = 0;   // c + 1
    double meanRank = 0;    // c + (f + 1) / 2
    // Only when read by tag: each tag in the run with its count, by tag.
    std::vector<std::pair<std::int64_t, double>> tags;
    // (2r + f - 1) f / 2 with r the first rank: the ranks of the run added.
    double rankSum() const { return meanRank * count; }
    bool tied() const { return count > 1; }
};

class TieRuns {
  public:
    // byTag: fill each run's tags (a few samples, not one tag per row).
    explicit TieRuns(SortedStream values, bool byTag = false);
    // The next run; false at the end or on a read error (see error()).
    bool Next(TieRun& run);
    const dao::Error& error() const { return values_.error(); }
    // Values counted so far, runs read included.
    double Counted() const { return counted_; }

  private:
    SortedStream values_;
    bool byTag_;
    SortItem head_;
    bool haveHead_ = false, started_ = false;
    double counted_ = 0;
};

// Each value in order with the mean rank of its run: one stream finds the
// runs, a second reads the same values again to hand them out, so nothing of
// a run is held.
class RankedValues {
  public:
    // Two streams of the same values.
    RankedValues(SortedStream runs, SortedStream values);
    bool Next(SortItem& item, double& meanRank);
    const dao::Error& error() const { return runs_.error() ? runs_.error() : values_.error(); }

  private:
    TieRuns runs_;
    SortedStream values_;
    TieRun run_;
    std::size_t left_ = 0;  // values of run_ still to hand out
};

}  // namespace qrv
