// SortedStream: one field's values in ascending order, read one at a time
// from the sorted values held in memory and the sorted runs spilled to the
// budget's file, merged k ways. The order is total (value, then -0 before 0,
// then tag, then weight), so equal items are the same numbers and the stream
// is the same however the values were split into runs.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "dataaccess/error.h"

namespace qrv {

class SortBudget;

// One value and what it carries: a weight (or any number the analysis wants
// back beside the value, such as a rank) and a tag (a sample number, a field
// index, a row number). Values with weight 1 and tag 0 are held as plain
// numbers, at a third of the size.
struct SortItem {
    double value = 0;
    double weight = 1;
    std::int64_t tag = 0;
};

inline bool ValueBefore(double a, double b) {
    return a < b || (a == b && std::signbit(a) && !std::signbit(b));
}
inline bool ItemBefore(const SortItem& a, const SortItem& b) {
    if (ValueBefore(a.value, b.value)) return true;
    if (ValueBefore(b.value, a.value)) return false;
    if (a.tag != b.tag) return a.tag < b.tag;
    return a.weight < b.weight;
}

// A sorted run in the spill file: count plain values, or whole items.
struct SpilledRun {
    std::uint64_t offset = 0;
    std::size_t count = 0;
    bool items = false;
};

class SortedStream {
  public:
    // The sources: sorted plain values or items in memory (either may be
    // null) and runs in budget's file. budget may be null when runs is empty.
    // The stream only reads them: several streams of the same sources may
    // be read one after the other or side by side.
    SortedStream(const double* values, const SortItem* items, std::size_t count,
                 const std::vector<SpilledRun>& runs, const SortBudget* budget,
                 std::size_t bufferItems);
    SortedStream(SortedStream&&) = default;
    // The next item; false at the end or on a read error (see error()).
    bool Next(SortItem& out);
    const dao::Error& error() const { return error_; }

  private:
    struct Source {
        const double* values = nullptr;  // in memory, or the buffer of a run
        const SortItem* pairs = nullptr;
        std::size_t pos = 0, size = 0;    // within values/pairs
        const SpilledRun* run = nullptr;  // null for the memory source
        std::size_t read = 0;             // items of the run read into buffers
        std::vector<double> doubles;
        std::vector<SortItem> items;
        SortItem head;
    };
    // Moves source s to its next item; false when it has none.
    bool advance(Source& s);
    bool refill(Source& s);
    void siftDown(std::size_t i);

    const SortBudget* budget_;
    std::size_t bufferItems_;
    std::vector<Source> sources_;
    std::vector<std::size_t> heap_;  // live sources, least head first
    dao::Error error_;
};

}  // namespace qrv
