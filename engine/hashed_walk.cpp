// The hashed group walk: rows to per-group states through a hash table, then
// the groups in the order, and with the values, of the sorted walk.
#include "engine/hashed_walk.h"

#include <algorithm>
#include <cstring>
#include <numeric>
#include <unordered_map>

#include "dataaccess/fold.h"
#include "engine/group_walk.h"
#include "engine/quorvane.h"
#include "engine/run_report.h"

namespace qrv {

using namespace qrv::dao;
using Storage = Recordset::Storage;

namespace {

// The rows of one spelling of the group values: values the database orders
// as equal (the same bytes of text, the same number) share one part.
struct Part {
    std::vector<Value> values;  // as the first row gave them
    std::vector<Storage> classes;
    std::vector<double> numbers;
    std::unique_ptr<GroupState> state;
    long records = 0;
};

std::string textOf(const Value& v) {
    return v.isText() ? v.textRef() : v.toText();
}

// The key of one column value: its storage class, then the number (0 and -0
// alike) or the length and bytes of the text.
void appendKey(std::string& key, Storage c, double number, const Value& v) {
    key.push_back(static_cast<char>(c));
    if (c == Storage::Number) {
        if (number == 0) number = 0;
        char bytes[sizeof number];
        std::memcpy(bytes, &number, sizeof number);
        key.append(bytes, sizeof number);
    } else if (c != Storage::Null) {
        // Every row passes here: take the text in place rather than a copy.
        const std::string converted = v.isText() ? std::string() : v.toText();
        const std::string& text = v.isText() ? v.textRef() : converted;
        const auto size = static_cast<std::uint32_t>(text.size());
        char bytes[sizeof size];
        std::memcpy(bytes, &size, sizeof size);
        key.append(bytes, sizeof size);
        key += text;
    }
}

// The data SELECT's order of one column: Null, numbers by value, texts by
// case fold (and then bytes, unless foldOnly), blobs by bytes.
int compareColumn(const Part& a, const Part& b, size_t i, bool foldOnly) {
    if (a.classes[i] != b.classes[i]) return a.classes[i] < b.classes[i] ? -1 : 1;
    switch (a.classes[i]) {
        case Storage::Number:
            return a.numbers[i] < b.numbers[i] ? -1 : (b.numbers[i] < a.numbers[i] ? 1 : 0);
        case Storage::Text:
            return foldOnly ? compareFoldOnly(textOf(a.values[i]), textOf(b.values[i]))
                            : compareFolded(textOf(a.values[i]), textOf(b.values[i]));
        case Storage::Blob:
            return textOf(a.values[i]).compare(textOf(b.values[i]));
        default:
            return 0;
    }
}

}  // namespace

std::string HashedWalk::Run(const NewState& newState, const AddRow& addRow,
                            const MergeStates& merge, const WriteGroup& writeGroup) {
    Recordset& rs = engine_.DataRecordset();
    const size_t fields = static_cast<size_t>(groupFields_);
    std::unordered_map<std::string, size_t> index;
    std::vector<Part> parts;
    std::string key;
    std::string error;
    records_ = 0;
    while (!rs.Eof()) {
        key.clear();
        for (size_t i = 0; i < fields; ++i) {
            double number = 0;
            const Storage c = rs.ColumnStorage(static_cast<int>(i), &number);
            appendKey(key, c, number,
                      c == Storage::Text || c == Storage::Blob ? rs.GetValue(static_cast<int>(i))
                                                               : Value());
        }
        auto it = index.find(key);
        if (it == index.end()) {
            Part p;
            for (size_t i = 0; i < fields; ++i) {
                double number = 0;
                p.classes.push_back(rs.ColumnStorage(static_cast<int>(i), &number));
                p.numbers.push_back(number);
                p.values.push_back(rs.GetValue(static_cast<int>(i)));
            }
            p.state = newState();
            it = index.emplace(key, parts.size()).first;
            parts.push_back(std::move(p));
        }
        Part& part = parts[it->second];
        error = addRow(*part.state);
        if (!error.empty()) return error;
        ++part.records;
        ++records_;
        ticks_.Tick(engine_, records_, false);
        if (engine_.Cancelled()) return std::string(kErrActionCancelledText);
        if (Error e = rs.MoveNext()) return InputReadFailure(engine_, e);
    }
    if (records_ == 0) return {};
    ticks_.Tick(engine_, records_, true);

    std::vector<size_t> order(parts.size());
    std::iota(order.begin(), order.end(), size_t{0});
    // As the data SELECT orders them: every group field by case fold alone,
    // then every one again by fold and bytes.
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        for (bool foldOnly : {true, false})
            for (size_t i = 0; i < fields; ++i)
                if (int c = compareColumn(parts[a], parts[b], i, foldOnly)) return c < 0;
        return false;
    });
    // Neighbouring parts the engine calls the same group (texts that differ
    // only in case, unless compared binary) are one group, as in the sorted
    // walk, which compares each row with its group's first.
    for (size_t r = 0; r < order.size();) {
        Part& head = parts[order[r]];
        std::vector<Value> saved = head.values;
        size_t next = r + 1;
        for (; next < order.size(); ++next) {
            Part& p = parts[order[next]];
            if (engine_.Quorvane_SameRecords_b(groupFields_, true, saved, p.values)) break;
            error = merge(*head.state, *p.state);
            if (!error.empty()) return error;
            head.records += p.records;
            p.state.reset();
        }
        error = WriteGroupInTransaction(
            engine_, [&] { return writeGroup(*head.state, head.values, head.records); });
        if (!error.empty()) return error;
        head.state.reset();
        r = next;
    }
    return {};
}

}  // namespace qrv
