// Tie runs and mean ranks over sorted values.
#include "engine/tie_runs.h"

namespace qrv {

TieRuns::TieRuns(SortedStream values, bool byTag) : values_(std::move(values)), byTag_(byTag) {}

bool TieRuns::Next(TieRun& run) {
    if (!started_) {
        started_ = true;
        haveHead_ = values_.Next(head_);
    }
    if (!haveHead_) return false;
    run.value = head_.value;
    run.items = 0;
    run.count = 0;
    run.tags.clear();
    do {
        ++run.items;
        run.count += head_.weight;
        // Items of a run come by tag, so a tag's items are together.
        if (byTag_) {
            if (run.tags.empty() || run.tags.back().first != head_.tag)
                run.tags.emplace_back(head_.tag, 0.0);
            run.tags.back().second += head_.weight;
        }
        haveHead_ = values_.Next(head_);
    } while (haveHead_ && head_.value == run.value);
    if (values_.error()) return false;
    run.firstRank = counted_ + 1;
    run.meanRank = counted_ + (run.count + 1) / 2;
    counted_ += run.count;
    return true;
}

RankedValues::RankedValues(SortedStream runs, SortedStream values)
    : runs_(std::move(runs)), values_(std::move(values)) {}

bool RankedValues::Next(SortItem& item, double& meanRank) {
    if (left_ == 0) {
        if (!runs_.Next(run_)) return false;
        left_ = run_.items;
    }
    if (!values_.Next(item)) return false;
    --left_;
    meanRank = run_.meanRank;
    return true;
}

}  // namespace qrv
