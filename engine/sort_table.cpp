// The sorted values of a group, their memory account, and the questions
// asked of them: modes, percentiles, and reads in order for the rank tests.
#include "engine/sort_table.h"

#include <algorithm>
#include <boost/sort/spreadsort/float_sort.hpp>
#include <cmath>
#include <utility>

#include "engine/sort_budget.h"
#include "numeric/extended.h"

namespace qrv {

using namespace qrv::dao;

namespace {

// The first buffer of a field: small, so many small groups stay small.
constexpr std::size_t kFirstItems = 64;

}  // namespace

int SortTable::PartsOf(char type) {
    switch (type) {
        case 'M':
        case 'm':
            return 2;
        case 'Q':
        case 'q':
            return 4;
        case '5':
            return 5;
        case 'D':
        case 'd':
            return 10;
        case 'P':
        case 'p':
            return 100;
        default:
            return 0;
    }
}

SortTable::~SortTable() {
    if (!budget_) return;
    budget_->Release(charged_);
    budget_->Leave(this);
}

void SortTable::UseBudget(SortBudget* budget) {
    if (budget_) {
        budget_->Release(charged_);
        budget_->Leave(this);
    }
    budget_ = budget;
    if (budget_) {
        budget_->Join(this);
        budget_->Charge(charged_);
    }
}

void SortTable::account() {
    std::size_t bytes = 0;
    for (const Field& f : fields_)
        bytes += f.values.capacity() * sizeof(double) + f.items.capacity() * sizeof(SortItem);
    if (budget_) {
        if (bytes > charged_)
            budget_->Charge(bytes - charged_);
        else
            budget_->Release(charged_ - bytes);
    }
    charged_ = bytes;
}

Error SortTable::grow(Field& f, bool toItems) {
    const bool items = toItems || f.hasItems;
    const std::size_t size = items ? sizeof(SortItem) : sizeof(double);
    std::size_t count = std::max(kFirstItems, 2 * f.inMemory());
    // The old buffer is still held while the values move to the new one.
    if (budget_ && !budget_->Fits(count * size)) {
        if (Error e = budget_->SpillAll()) return e;
        count = std::max(kFirstItems, 2 * f.inMemory());
    }
    if (toItems) {
        std::vector<SortItem> moved;
        moved.reserve(std::max(count, f.values.size() + 1));
        for (double v : f.values) moved.push_back({v, 1.0, 0});
        f.items = std::move(moved);
        std::vector<double>().swap(f.values);
        f.hasItems = true;
    } else if (f.hasItems) {
        f.items.reserve(count);
    } else {
        f.values.reserve(count);
    }
    account();
    return {};
}

SortTable::Field& SortTable::field(int field) {
    // A field that never received a value is an empty one.
    if (static_cast<size_t>(field) > fields_.size()) fields_.resize(static_cast<size_t>(field));
    return fields_[static_cast<size_t>(field - 1)];
}

std::size_t SortTable::Count(int fieldNo) const {
    if (fieldNo < 1 || static_cast<size_t>(fieldNo) > fields_.size()) return 0;
    return fields_[static_cast<size_t>(fieldNo - 1)].total;
}

Error SortTable::Append(int fieldNo, double data, double weight, std::int64_t tag) {
    if (fieldNo < 1) return {};
    Field& f = field(fieldNo);
    if ((weight != 1 || tag != 0) && !f.hasItems) {
        if (Error e = grow(f, true)) return e;
    } else if (f.inMemory() == (f.hasItems ? f.items.capacity() : f.values.capacity())) {
        if (Error e = grow(f, false)) return e;
    }
    if (f.hasItems)
        f.items.push_back({data, weight, tag});
    else
        f.values.push_back(data);
    f.sorted = false;
    ++f.total;
    ++rows_;
    return {};
}

namespace {

void sortMemory(std::vector<double>& values, std::vector<SortItem>& items, bool& sorted) {
    if (sorted) return;
    // A radix-style sort of the doubles' bits beats comparisons two to three
    // times, with no second buffer. The signs are parted first: the sort then
    // only ever subtracts bit patterns of one sign (which cannot overflow),
    // and -0 lands before 0 with the negatives.
    const auto negatives =
        std::partition(values.begin(), values.end(), [](double v) { return std::signbit(v); });
    boost::sort::spreadsort::float_sort(values.begin(), negatives);
    boost::sort::spreadsort::float_sort(negatives, values.end());
    std::sort(items.begin(), items.end(), ItemBefore);
    sorted = true;
}

// The mode of values read in order: equal values are adjacent, so each run's
// weight is one value's count.
class ModeScan {
  public:
    void Add(const SortItem& it) {
        if (!open_ || it.value != value_) {
            close();
            open_ = true;
            value_ = it.value;
            sum_ = num::Extended();
        }
        sum_ += it.weight;
    }
    SortTable::Mode Finish() {
        close();
        return mode_;
    }

  private:
    void close() {
        if (!open_) return;
        open_ = false;
        const double count = sum_.toDouble();
        if (!any_ || count > mode_.count) {
            mode_ = {value_, count, true};
            any_ = true;
        } else if (count == mode_.count) {
            mode_.unique = false;
        }
    }
    SortTable::Mode mode_;
    bool any_ = false, open_ = false;
    double value_ = 0;
    num::Extended sum_;
};

// Cut points 1..parts-1 of values read in order.
class CutScan {
  public:
    CutScan(bool weighted, int parts, const num::Extended& n, std::size_t total)
        : weighted_(weighted), parts_(parts), n_(n), cuts_(static_cast<size_t>(parts - 1)) {
        if (weighted) return;
        // Cut j sits at position 1 + (n - 1) j / parts, between values when
        // fractional; positions only grow with j.
        const long long count = static_cast<long long>(n.toDouble());
        last_ = static_cast<long long>(total) - 1;
        for (int j = 1; j < parts; ++j) {
            const long long num = (count - 1) * j;
            Cut& c = cuts_[static_cast<size_t>(j - 1)];
            c.row = std::min(num / parts, last_);  // from 0
            c.fraction = static_cast<double>(num % parts) / parts;
        }
    }
    // Whether later values can change no cut.
    bool Done() const {
        if (weighted_) return j_ >= parts_;
        return cuts_.empty() || at_ >= cuts_.back().row + 1;
    }
    void Add(const SortItem& it) {
        if (weighted_) {
            // Cut j is the first value whose running weight reaches j n / parts.
            // Both sides are exact sums of the same weights in double-double,
            // so a running weight that ties j n / parts is seen to tie.
            if (j_ >= parts_) return;
            c_ += it.weight;
            last_value_ = it.value;
            while (j_ < parts_ && c_ * static_cast<double>(parts_) >= n_ * static_cast<double>(j_))
                cuts_[static_cast<size_t>(j_++ - 1)].here = it.value;
            return;
        }
        ++at_;
        while (first_ < cuts_.size() && cuts_[first_].row + 1 < at_) ++first_;
        for (size_t k = first_; k < cuts_.size() && cuts_[k].row <= at_; ++k) {
            if (cuts_[k].row == at_) cuts_[k].here = it.value;
            if (cuts_[k].row + 1 == at_) cuts_[k].next = it.value;
        }
    }
    void Finish(std::vector<double>& result) {
        result.assign(cuts_.size(), 0.0);
        for (size_t k = 0; k < cuts_.size(); ++k) {
            const Cut& c = cuts_[k];
            if (weighted_)
                // Cuts the running weight never reached take the last value.
                result[k] = static_cast<int>(k) + 1 < j_ ? c.here : last_value_;
            else
                result[k] = c.fraction > 0 && c.row < last_
                                ? c.here + c.fraction * (c.next - c.here)
                                : c.here;
        }
    }

  private:
    struct Cut {
        long long row = 0;
        double fraction = 0, here = 0, next = 0;
    };
    bool weighted_;
    int parts_;
    num::Extended n_, c_;
    std::vector<Cut> cuts_;
    int j_ = 1;  // weighted: the next cut
    double last_value_ = 0;
    long long at_ = -1, last_ = 0;  // unweighted: the value's row, the last row
    size_t first_ = 0;              // unweighted: the first cut not yet passed
};

}  // namespace

Error SortTable::spill() {
    for (Field& f : fields_) {
        const std::size_t n = f.inMemory();
        if (n == 0) continue;
        sortMemory(f.values, f.items, f.sorted);
        SpilledRun run;
        run.count = n;
        run.items = f.hasItems;
        const Error e = f.hasItems
                            ? budget_->Write(f.items.data(), n * sizeof(SortItem), run.offset)
                            : budget_->Write(f.values.data(), n * sizeof(double), run.offset);
        if (e) return e;
        f.runs.push_back(run);
        std::vector<double>().swap(f.values);
        std::vector<SortItem>().swap(f.items);
    }
    account();
    return {};
}

SortedStream SortTable::Read(int fieldNo) {
    static const std::vector<SpilledRun> kNoRuns;
    if (fieldNo < 1) return SortedStream(nullptr, nullptr, 0, kNoRuns, nullptr, 1);
    Field& f = field(fieldNo);
    sortMemory(f.values, f.items, f.sorted);
    // Read buffers share a slice of the budget between the runs.
    std::size_t buffer = 1 << 16;
    if (budget_)
        buffer = std::clamp<std::size_t>(
            budget_->Limit() / (4 * sizeof(SortItem) * (f.runs.size() + 1)), 256, buffer);
    return SortedStream(f.hasItems ? nullptr : f.values.data(),
                        f.hasItems ? f.items.data() : nullptr, f.inMemory(), f.runs, budget_,
                        buffer);
}

TieRuns SortTable::Runs(int fieldNo, bool byTag) {
    return TieRuns(Read(fieldNo), byTag);
}

RankedValues SortTable::Ranked(int fieldNo) {
    SortedStream runs = Read(fieldNo);
    return RankedValues(std::move(runs), Read(fieldNo));
}

std::string SortTable::CalcPercentiles(int fieldNo, bool weighted, int parts,
                                       const num::Extended& n, std::vector<double>& result) {
    result.assign(static_cast<size_t>(std::max(parts - 1, 0)), 0.0);
    if (fieldNo < 1 || Count(fieldNo) == 0) return {};
    return Summarize(fieldNo, nullptr, weighted, parts, n, result);
}

std::string SortTable::Summarize(int fieldNo, Mode* mode, bool weighted, int parts,
                                 const num::Extended& n, std::vector<double>& cuts) {
    if (mode) *mode = Mode{};
    const bool wantCuts = parts > 1 && Count(fieldNo) > 0;
    if (parts > 1) cuts.assign(static_cast<size_t>(parts - 1), 0.0);
    if (!mode && !wantCuts) return {};
    SortedStream s = Read(fieldNo);
    ModeScan modeScan;
    CutScan cutScan(weighted, wantCuts ? parts : 1, n, Count(fieldNo));
    SortItem it;
    while ((mode || !cutScan.Done()) && s.Next(it)) {
        if (mode) modeScan.Add(it);
        if (wantCuts) cutScan.Add(it);
    }
    if (s.error()) return s.error().description;
    if (mode) *mode = modeScan.Finish();
    if (wantCuts) cutScan.Finish(cuts);
    return {};
}

Error SortTable::Merge(const SortTable& other) {
    struct Pin {
        const SortTable& t;
        ~Pin() { t.pinned_ = false; }
    } pin{other};
    other.pinned_ = true;
    for (size_t i = 0; i < other.fields_.size(); ++i) {
        const int fieldNo = static_cast<int>(i + 1);
        const Field& o = other.fields_[i];
        for (double v : o.values)
            if (Error e = Append(fieldNo, v)) return e;
        for (const SortItem& p : o.items)
            if (Error e = Append(fieldNo, p.value, p.weight, p.tag)) return e;
        if (o.runs.empty()) continue;
        if (other.budget_ == budget_) {
            // Runs of the same file are taken over as they are.
            Field& f = field(fieldNo);
            for (const SpilledRun& r : o.runs) {
                f.runs.push_back(r);
                f.total += r.count;
                rows_ += static_cast<long>(r.count);
            }
            continue;
        }
        SortedStream s(nullptr, nullptr, 0, o.runs, other.budget_, 1 << 12);
        for (SortItem it; s.Next(it);)
            if (Error e = Append(fieldNo, it.value, it.weight, it.tag)) return e;
        if (s.error()) return s.error();
    }
    return {};
}

}  // namespace qrv
