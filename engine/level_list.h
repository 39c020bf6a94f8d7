// The levels of a field: its distinct values over the whole input, in the
// order the engine sorts values: Null first, then numbers by value, then
// texts by their case fold and, among texts equal but for case, by their
// bytes. The samples of the two-sample tests, the rank tests' samples, the
// group analysis's levels, the crosstab's columns and the chi-square's
// categories all come in this order, so the same data give the same output
// whatever order the rows are stored in.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "dataaccess/value.h"

namespace qrv {

class Quorvane;

// A value as the engine sorts and matches levels: Null, a number (-0 is 0),
// or a text.
struct LevelKey {
    int kind = 0;  // 0 Null, 1 number, 2 text
    double number = 0;
    std::string text;

    static LevelKey of(const dao::Value& v);
};

// The level order. Texts equal but for case are one level unless texts
// compare binary; then they are ordered by their bytes.
struct LevelLess {
    bool binary = false;
    bool operator()(const LevelKey& a, const LevelKey& b) const;
};

class LevelList {
  public:
    // Reads the distinct values of field in input, Null among them when
    // withNull. Texts equal but for case stay apart until MergeCase. A
    // failure of the database ends the run with its words; a query that
    // expects parameters is refused. Returns the failure text, empty on
    // success.
    std::string Read(Quorvane& engine, const std::string& input, const std::string& field,
                     bool withNull = true);

    // Makes texts equal but for case one level, spelt as the first of them
    // (the smallest by bytes), unless texts compare binary. Call once the
    // input is open: its first column decides how texts compare.
    void MergeCase(bool binary);

    const std::vector<dao::Value>& values() const { return values_; }
    std::size_t size() const { return values_.size(); }
    bool empty() const { return values_.empty(); }
    const dao::Value& operator[](std::size_t i) const { return values_[i]; }

    // The level (from 0) that v belongs to, -1 when the list lacks it (the
    // input changed since it was read).
    int Find(const dao::Value& v) const;

  private:
    // Every spelling of a text the input holds, found by its bytes: a row's
    // level is then one hash away instead of a search by case fold.
    void indexSpellings();
    struct TextHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view s) const {
            return std::hash<std::string_view>{}(s);
        }
    };

    std::vector<dao::Value> values_;
    std::vector<LevelKey> keys_;
    bool binary_ = true;
    std::vector<std::string> spellings_;
    std::unordered_map<std::string, int, TextHash, std::equal_to<>> levelOfSpelling_;
};

}  // namespace qrv
