// The level list: one query for the distinct values, sorted and matched by
// one order.
#include "engine/level_list.h"

#include <algorithm>
#include <utility>

#include "dataaccess/fold.h"
#include "dataaccess/sql_dialect.h"
#include "engine/quorvane.h"
#include "engine/run_report.h"

namespace qrv {

using namespace qrv::dao;

LevelKey LevelKey::of(const Value& v) {
    LevelKey k;
    if (v.isNull()) {
        k.kind = 0;
    } else if (v.isText()) {
        k.kind = 2;
        k.text = v.textRef();
    } else {
        k.kind = 1;
        k.number = v.asDouble();
        if (k.number == 0) k.number = 0;  // -0 and 0 are one level
    }
    return k;
}

bool LevelLess::operator()(const LevelKey& a, const LevelKey& b) const {
    if (a.kind != b.kind) return a.kind < b.kind;
    if (a.kind == 1) return a.number < b.number;
    if (a.kind != 2) return false;
    if (int c = compareFoldOnly(a.text, b.text)) return c < 0;
    return binary && compareFolded(a.text, b.text) < 0;
}

std::string LevelList::Read(Quorvane& engine, const std::string& input, const std::string& field,
                            bool withNull) {
    CErr_Zelk& handler = engine.ErrorHandler();
    ProcedureScope scope(handler, "Quorvane_QueryGroups");
    values_.clear();
    keys_.clear();
    binary_ = true;
    // The value's text alongside it keeps texts equal but for case apart
    // even in a column that compares without case, where DISTINCT would
    // keep whichever spelling it met first. Joined to Null, not to a text
    // literal, whose collation the result would take.
    const std::string name = bracketName(field);
    std::string sql =
        "SELECT DISTINCT " + name + ", " + name + " & Null FROM " + bracketName(input);
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
        if (!keys_.empty() && !exact(keys_.back(), e.key)) continue;
        keys_.push_back(std::move(e.key));
        values_.push_back(std::move(e.value));
    }
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
}

int LevelList::Find(const Value& v) const {
    const LevelLess less{binary_};
    const LevelKey key = LevelKey::of(v);
    const auto it = std::lower_bound(keys_.begin(), keys_.end(), key, less);
    if (it == keys_.end() || less(key, *it)) return -1;
    return static_cast<int>(it - keys_.begin());
}

}  // namespace qrv
