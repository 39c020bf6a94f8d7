// The k-way merge of a field's sorted values in memory and on disk.
#include "engine/sort_merge.h"

#include <algorithm>

#include "engine/sort_budget.h"

namespace qrv {

SortedStream::SortedStream(const double* values, const SortItem* items, std::size_t count,
                           const std::vector<SpilledRun>& runs, const SortBudget* budget,
                           std::size_t bufferItems)
    : budget_(budget), bufferItems_(std::max<std::size_t>(bufferItems, 1)) {
    sources_.reserve(runs.size() + 1);
    if (count > 0) {
        Source s;
        s.values = values;
        s.pairs = items;
        s.size = count;
        sources_.push_back(std::move(s));
    }
    for (const SpilledRun& r : runs) {
        if (r.count == 0) continue;
        Source s;
        s.run = &r;
        sources_.push_back(std::move(s));
    }
    for (std::size_t i = 0; i < sources_.size(); ++i)
        if (advance(sources_[i])) heap_.push_back(i);
    auto after = [this](std::size_t a, std::size_t b) {
        return ItemBefore(sources_[b].head, sources_[a].head);
    };
    std::make_heap(heap_.begin(), heap_.end(), after);
}

bool SortedStream::refill(Source& s) {
    const SpilledRun& r = *s.run;
    const std::size_t n = std::min(bufferItems_, r.count - s.read);
    if (n == 0) return false;
    dao::Error e;
    if (r.items) {
        s.items.resize(n);
        e = budget_->Read(r.offset + s.read * sizeof(SortItem), s.items.data(),
                          n * sizeof(SortItem));
        s.pairs = s.items.data();
    } else {
        s.doubles.resize(n);
        e = budget_->Read(r.offset + s.read * sizeof(double), s.doubles.data(), n * sizeof(double));
        s.values = s.doubles.data();
    }
    if (e) {
        error_ = e;
        return false;
    }
    s.read += n;
    s.pos = 0;
    s.size = n;
    return true;
}

bool SortedStream::advance(Source& s) {
    if (s.pos == s.size && (!s.run || !refill(s))) return false;
    s.head = s.pairs ? s.pairs[s.pos] : SortItem{s.values[s.pos], 1.0, 0};
    ++s.pos;
    return true;
}

void SortedStream::siftDown(std::size_t i) {
    const std::size_t n = heap_.size();
    for (;;) {
        std::size_t least = i;
        for (std::size_t c = 2 * i + 1; c <= 2 * i + 2 && c < n; ++c)
            if (ItemBefore(sources_[heap_[c]].head, sources_[heap_[least]].head)) least = c;
        if (least == i) return;
        std::swap(heap_[i], heap_[least]);
        i = least;
    }
}

bool SortedStream::Next(SortItem& out) {
    if (heap_.empty() || error_) return false;
    Source& top = sources_[heap_.front()];
    out = top.head;
    if (!advance(top)) {
        if (error_) return false;
        heap_.front() = heap_.back();
        heap_.pop_back();
    }
    if (heap_.size() > 1) siftDown(0);
    return true;
}

}  // namespace qrv
