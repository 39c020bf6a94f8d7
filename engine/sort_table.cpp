// The sorted values of the current group and the two questions asked of
// them: modes and percentiles.
#include "engine/sort_table.h"

#include <algorithm>
#include <utility>

#include "numeric/extended.h"

namespace qrv {

using namespace qrv::dao;

SortTable::~SortTable() = default;

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

std::string SortTable::Prepare() {
    // Capacity stays: the next group of a similar size needs no allocation.
    for (Field& f : fields_) f.clear();
    rows_ = 0;
    return {};
}

Error SortTable::Append(int field, double data, double weight) {
    if (field < 1) return {};
    if (static_cast<size_t>(field) > fields_.size()) fields_.resize(static_cast<size_t>(field));
    Field& f = fields_[static_cast<size_t>(field - 1)];
    if (weight != 1 && !f.weighted) {
        f.weights.assign(f.values.size(), 1.0);
        f.weighted = true;
    }
    f.values.push_back(data);
    if (f.weighted) f.weights.push_back(weight);
    f.sorted = false;
    ++rows_;
    return {};
}

SortTable::Field& SortTable::sortedField(int field) {
    // A field that never received a value is an empty one.
    if (static_cast<size_t>(field) > fields_.size()) fields_.resize(static_cast<size_t>(field));
    Field& f = fields_[static_cast<size_t>(field - 1)];
    if (f.sorted) return f;
    if (!f.weighted) {
        std::sort(f.values.begin(), f.values.end());
    } else {
        std::vector<std::pair<double, double>> pairs(f.values.size());
        for (size_t i = 0; i < pairs.size(); ++i) pairs[i] = {f.values[i], f.weights[i]};
        std::sort(pairs.begin(), pairs.end(),
                  [](const auto& a, const auto& b) { return a.first < b.first; });
        for (size_t i = 0; i < pairs.size(); ++i) {
            f.values[i] = pairs[i].first;
            f.weights[i] = pairs[i].second;
        }
    }
    f.sorted = true;
    return f;
}

std::string SortTable::CalcMode(int fields, std::vector<Mode>& modes) {
    modes.assign(static_cast<size_t>(fields), Mode{});
    for (int field = 1; field <= fields; ++field) {
        const Field& f = sortedField(field);
        Mode& m = modes[static_cast<size_t>(field - 1)];
        bool any = false;
        // Equal values are adjacent: each run's weight is one value's count.
        for (size_t i = 0; i < f.values.size();) {
            const double v = f.values[i];
            num::Extended sum;
            size_t j = i;
            for (; j < f.values.size() && f.values[j] == v; ++j)
                sum += !f.weighted ? 1.0 : f.weights[j];
            const double count = sum.toDouble();
            if (!any || count > m.count) {
                m = {v, count, true};
                any = true;
            } else if (count == m.count) {
                m.unique = false;
            }
            i = j;
        }
    }
    return {};
}

std::string SortTable::CalcPercentiles(int field, bool weighted, int parts, const num::Extended& n,
                                       std::vector<double>& result) {
    result.assign(static_cast<size_t>(parts - 1), 0.0);
    if (field < 1) return {};
    const Field& f = sortedField(field);
    const std::vector<double>& v = f.values;
    if (v.empty()) return {};
    int j = 1;
    if (weighted) {
        // Cut j is the first value whose running weight reaches j n / parts.
        // Both sides are exact sums of the same weights in double-double, so
        // a running weight that ties j n / parts is seen to tie.
        num::Extended c;
        for (size_t i = 0; i < v.size() && j < parts; ++i) {
            c += !f.weighted ? 1.0 : f.weights[i];
            while (j < parts && c * static_cast<double>(parts) >= n * static_cast<double>(j))
                result[static_cast<size_t>(j++ - 1)] = v[i];
        }
        // Cuts the running weight never reached take the last value.
        for (; j < parts; ++j) result[static_cast<size_t>(j - 1)] = v.back();
        return {};
    }
    // Cut j sits at position 1 + (n - 1) j / parts, between values when fractional.
    const long long count = static_cast<long long>(n.toDouble());
    const long long last = static_cast<long long>(v.size()) - 1;
    for (; j < parts; ++j) {
        const long long num = (count - 1) * j;
        const long long row = std::min(num / parts, last);  // from 0
        const double fraction = static_cast<double>(num % parts) / parts;
        const double at = v[static_cast<size_t>(row)];
        result[static_cast<size_t>(j - 1)] =
            fraction > 0 && row < last ? at + fraction * (v[static_cast<size_t>(row + 1)] - at)
                                       : at;
    }
    return {};
}

void SortTable::Drop() {
    fields_.clear();
    fields_.shrink_to_fit();
    rows_ = 0;
}

void SortTable::Merge(const SortTable& other) {
    for (size_t i = 0; i < other.fields_.size(); ++i) {
        const Field& o = other.fields_[i];
        for (size_t j = 0; j < o.values.size(); ++j)
            Append(static_cast<int>(i + 1), o.values[j], o.weighted ? o.weights[j] : 1.0);
    }
}

}  // namespace qrv
