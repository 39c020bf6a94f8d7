// The sorted values of the current group, their memory account, and the two
// questions asked of them: modes and percentiles.
#include "engine/sort_table.h"

#include <algorithm>
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

std::string SortTable::Prepare() {
    // Capacity stays: the next group of a similar size needs no allocation.
    for (Field& f : fields_) f.clear();
    rows_ = 0;
    return {};
}

void SortTable::account() {
    std::size_t bytes = 0;
    for (const Field& f : fields_)
        bytes += f.values.capacity() * sizeof(double) + f.pairs.capacity() * sizeof(SortItem);
    if (budget_) {
        if (bytes > charged_)
            budget_->Charge(bytes - charged_);
        else
            budget_->Release(charged_ - bytes);
    }
    charged_ = bytes;
}

Error SortTable::grow(Field& f, bool toPairs) {
    const bool pairs = toPairs || f.weighted;
    const std::size_t size = pairs ? sizeof(SortItem) : sizeof(double);
    std::size_t items = std::max(kFirstItems, 2 * f.inMemory());
    // The old buffer is still held while the values move to the new one.
    if (budget_ && !budget_->Fits(items * size)) {
        if (Error e = budget_->SpillAll()) return e;
        items = std::max(kFirstItems, 2 * f.inMemory());
    }
    if (toPairs) {
        std::vector<SortItem> moved;
        moved.reserve(std::max(items, f.values.size() + 1));
        for (double v : f.values) moved.push_back({v, 1.0});
        f.pairs = std::move(moved);
        std::vector<double>().swap(f.values);
        f.weighted = true;
    } else if (f.weighted) {
        f.pairs.reserve(items);
    } else {
        f.values.reserve(items);
    }
    account();
    return {};
}

SortTable::Field& SortTable::field(int field) {
    // A field that never received a value is an empty one.
    if (static_cast<size_t>(field) > fields_.size()) fields_.resize(static_cast<size_t>(field));
    return fields_[static_cast<size_t>(field - 1)];
}

Error SortTable::Append(int fieldNo, double data, double weight) {
    if (fieldNo < 1) return {};
    Field& f = field(fieldNo);
    if (weight != 1 && !f.weighted) {
        if (Error e = grow(f, true)) return e;
    } else if (f.inMemory() == (f.weighted ? f.pairs.capacity() : f.values.capacity())) {
        if (Error e = grow(f, false)) return e;
    }
    if (f.weighted)
        f.pairs.push_back({data, weight});
    else
        f.values.push_back(data);
    f.sorted = false;
    ++f.total;
    ++rows_;
    return {};
}

namespace {

void sortMemory(std::vector<double>& values, std::vector<SortItem>& pairs, bool& sorted) {
    if (sorted) return;
    // Plain < sorts fastest; then -0 goes before 0 among the zeros it left mixed.
    std::sort(values.begin(), values.end());
    const auto zeros = std::equal_range(values.begin(), values.end(), 0.0);
    std::partition(zeros.first, zeros.second, [](double v) { return std::signbit(v); });
    std::sort(pairs.begin(), pairs.end(), ItemBefore);
    sorted = true;
}

}  // namespace

Error SortTable::spill() {
    for (Field& f : fields_) {
        const std::size_t n = f.inMemory();
        if (n == 0) continue;
        sortMemory(f.values, f.pairs, f.sorted);
        SpilledRun run;
        run.count = n;
        run.weighted = f.weighted;
        const Error e = f.weighted
                            ? budget_->Write(f.pairs.data(), n * sizeof(SortItem), run.offset)
                            : budget_->Write(f.values.data(), n * sizeof(double), run.offset);
        if (e) return e;
        f.runs.push_back(run);
        std::vector<double>().swap(f.values);
        std::vector<SortItem>().swap(f.pairs);
    }
    account();
    return {};
}

SortedStream SortTable::stream(int fieldNo) {
    Field& f = field(fieldNo);
    sortMemory(f.values, f.pairs, f.sorted);
    // Read buffers share a slice of the budget between the runs.
    std::size_t buffer = 1 << 16;
    if (budget_)
        buffer = std::clamp<std::size_t>(
            budget_->Limit() / (4 * sizeof(SortItem) * (f.runs.size() + 1)), 256, buffer);
    return SortedStream(f.weighted ? nullptr : f.values.data(),
                        f.weighted ? f.pairs.data() : nullptr, f.inMemory(), f.runs, budget_,
                        buffer);
}

std::string SortTable::CalcMode(int fields, std::vector<Mode>& modes) {
    modes.assign(static_cast<size_t>(fields), Mode{});
    for (int fieldNo = 1; fieldNo <= fields; ++fieldNo) {
        SortedStream s = stream(fieldNo);
        Mode& m = modes[static_cast<size_t>(fieldNo - 1)];
        bool any = false;
        SortItem it;
        bool more = s.Next(it);
        // Equal values are adjacent: each run's weight is one value's count.
        while (more) {
            const double v = it.value;
            num::Extended sum;
            do {
                sum += it.weight;
                more = s.Next(it);
            } while (more && it.value == v);
            const double count = sum.toDouble();
            if (!any || count > m.count) {
                m = {v, count, true};
                any = true;
            } else if (count == m.count) {
                m.unique = false;
            }
        }
        if (s.error()) return s.error().description;
    }
    return {};
}

std::string SortTable::CalcPercentiles(int fieldNo, bool weighted, int parts,
                                       const num::Extended& n, std::vector<double>& result) {
    result.assign(static_cast<size_t>(parts - 1), 0.0);
    if (fieldNo < 1) return {};
    const std::size_t total = field(fieldNo).total;
    if (total == 0) return {};
    SortedStream s = stream(fieldNo);
    SortItem it;
    int j = 1;
    if (weighted) {
        // Cut j is the first value whose running weight reaches j n / parts.
        // Both sides are exact sums of the same weights in double-double, so
        // a running weight that ties j n / parts is seen to tie.
        num::Extended c;
        double last = 0;
        while (j < parts && s.Next(it)) {
            c += it.weight;
            last = it.value;
            while (j < parts && c * static_cast<double>(parts) >= n * static_cast<double>(j))
                result[static_cast<size_t>(j++ - 1)] = it.value;
        }
        if (s.error()) return s.error().description;
        // Cuts the running weight never reached take the last value.
        for (; j < parts; ++j) result[static_cast<size_t>(j - 1)] = last;
        return {};
    }
    // Cut j sits at position 1 + (n - 1) j / parts, between values when
    // fractional. Positions only grow with j, so the stream is read once,
    // keeping the value before the current one.
    long long at = -1;
    double previous = 0, current = 0;
    auto valueAt = [&](long long row) {
        while (at < row && s.Next(it)) {
            previous = current;
            current = it.value;
            ++at;
        }
        return row == at ? current : previous;
    };
    const long long count = static_cast<long long>(n.toDouble());
    const long long last = static_cast<long long>(total) - 1;
    for (; j < parts; ++j) {
        const long long num = (count - 1) * j;
        const long long row = std::min(num / parts, last);  // from 0
        const double fraction = static_cast<double>(num % parts) / parts;
        const double here = valueAt(row);
        result[static_cast<size_t>(j - 1)] =
            fraction > 0 && row < last ? here + fraction * (valueAt(row + 1) - here) : here;
        if (s.error()) return s.error().description;
    }
    return {};
}

void SortTable::Drop() {
    fields_.clear();
    fields_.shrink_to_fit();
    rows_ = 0;
    account();
}

Error SortTable::Merge(const SortTable& other) {
    for (size_t i = 0; i < other.fields_.size(); ++i) {
        const int fieldNo = static_cast<int>(i + 1);
        const Field& o = other.fields_[i];
        for (double v : o.values)
            if (Error e = Append(fieldNo, v, 1.0)) return e;
        for (const SortItem& p : o.pairs)
            if (Error e = Append(fieldNo, p.value, p.weight)) return e;
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
            if (Error e = Append(fieldNo, it.value, it.weight)) return e;
        if (s.error()) return s.error();
    }
    return {};
}

}  // namespace qrv
