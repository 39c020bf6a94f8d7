// The level list: one query for the distinct values, sorted and matched by
// one order.
#include "engine/level_list.h"

#include <algorithm>
#include <string_view>
#include <utility>

#include "dataaccess/dialect/sql_dialect.h"
#include "dataaccess/fold.h"
#include "engine/quorvane.h"
#include "engine/run_report.h"

namespace qrv {

using namespace qrv::dao;

namespace {

// A level key, or a value about to be looked up, without a copy of its text.
struct KeyView {
    int kind;
    double number;
    std::string_view text;
};

KeyView viewOf(const LevelKey& k) {
    return {k.kind, k.number, k.text};
}

KeyView viewOf(const Value& v) {
    if (v.isNull()) return {0, 0, {}};
    if (v.isText()) return {2, 0, v.textRef()};
    const double number = v.asDouble();
    return {1, number == 0 ? 0 : number, {}};  // -0 and 0 are one level
}

bool less(const KeyView& a, const KeyView& b, bool binary) {
    if (a.kind != b.kind) return a.kind < b.kind;
    if (a.kind == 1) return a.number < b.number;
    if (a.kind != 2) return false;
    if (int c = compareFoldOnly(a.text, b.text)) return c < 0;
    return binary && compareFolded(a.text, b.text) < 0;
}

int search(const std::vector<LevelKey>& keys, const KeyView& key, bool binary) {
    const auto it = std::lower_bound(
        keys.begin(), keys.end(), key,
        [&](const LevelKey& k, const KeyView& x) { return less(viewOf(k), x, binary); });
    if (it == keys.end() || less(key, viewOf(*it), binary)) return -1;
    return static_cast<int>(it - keys.begin());
}

}  // namespace

LevelKey LevelKey::of(const Value& v) {
    const KeyView x = viewOf(v);
    return {x.kind, x.number, std::string(x.text)};
}

bool LevelLess::operator()(const LevelKey& a, const LevelKey& b) const {
    return less(viewOf(a), viewOf(b), binary);
}

std::string LevelList::Read(Quorvane& engine, const std::string& input, const std::string& field,
                            bool withNull) {
    CErr_Zelk& handler = engine.ErrorHandler();
    ProcedureScope scope(handler, "Quorvane_QueryGroups");
    values_.clear();
    keys_.clear();
    spellings_.clear();
    binary_ = true;
    // The value again, compared byte for byte, keeps texts equal but for
    // case apart even in a column that compares without case, where
    // DISTINCT would keep whichever spelling it met first. The first column
    // stays the field itself, so that its values come with its type.
    const std::string name = bracketName(field);
    std::string sql =
        "SELECT DISTINCT " + name + ", " + name + " COLLATE QRV_BINARY FROM " + bracketName(input);
    if (!withNull) sql += " WHERE (" + name + " Is Not Null)";
    sql += ";";
    OperationScope op(handler, "Listing the values of [" + field + "] in [" + input + "]",
                      errors::FailingObject::OnStatement(sql, input));
    Database source = engine.SourceDatabase();
    auto rs = source.OpenRecordset(sql, dbOpenSnapshot);
    if (!rs) {
        if (rs.error().number == err::kTooFewParameters)
            return "The selected query expects parameters and cannot be used by Lumvar.";
        ReportDatabaseFailure(handler, rs.error());
        return rs.error().description;
    }
    struct Entry {
        Value value;
        LevelKey key;
        std::string spelling;
    };
    std::vector<Entry> entries;
    while (!rs->Eof()) {
        Value v = rs->GetValue(0);
        LevelKey key = LevelKey::of(v);
        entries.push_back({std::move(v), std::move(key), rs->GetValue(1).toText()});
        if (Error e = rs->MoveNext()) return InputReadFailure(engine, e);
    }
    // Equal numbers stored in different forms (1 and 1.0) are one level,
    // spelt by the smaller text, so that the spelling does not depend on
    // which row the database met first.
    const LevelLess exact{true};
    std::sort(entries.begin(), entries.end(), [&](const Entry& a, const Entry& b) {
        if (exact(a.key, b.key)) return true;
        if (exact(b.key, a.key)) return false;
        return a.spelling < b.spelling;
    });
    for (Entry& e : entries) {
        if (e.value.isText()) spellings_.push_back(e.spelling);
        if (!keys_.empty() && !exact(keys_.back(), e.key)) continue;
        keys_.push_back(std::move(e.key));
        values_.push_back(std::move(e.value));
    }
    indexSpellings();
    return {};
}

void LevelList::MergeCase(bool binary) {
    binary_ = binary;
    if (binary) return;
    const LevelLess fold{false};
    std::vector<Value> values;
    std::vector<LevelKey> keys;
    for (size_t i = 0; i < keys_.size(); ++i) {
        if (!keys.empty() && !fold(keys.back(), keys_[i])) continue;  // a later spelling
        keys.push_back(std::move(keys_[i]));
        values.push_back(std::move(values_[i]));
    }
    keys_ = std::move(keys);
    values_ = std::move(values);
    indexSpellings();
}

void LevelList::indexSpellings() {
    levelOfSpelling_.clear();
    for (const std::string& s : spellings_) {
        const int level = search(keys_, {2, 0, s}, binary_);
        if (level >= 0) levelOfSpelling_.emplace(s, level);
    }
}

int LevelList::Find(const Value& v) const {
    // Called for every row: the value is looked up where it stands.
    if (v.isText()) {
        const auto it = levelOfSpelling_.find(v.textRef());
        if (it != levelOfSpelling_.end()) return it->second;
    }
    return search(keys_, viewOf(v), binary_);
}

}  // namespace qrv
