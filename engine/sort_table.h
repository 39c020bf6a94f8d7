// SortTable: the usable values of the current group, per analysis field, for
// the analyses that need them in order (modes and percentiles). Values are
// kept in memory as plain numbers, as (value, weight) pairs only once a weight
// other than 1 appears, and each field is sorted once when first asked. Each
// group's state holds one, so groups can be filled in any order and parts of
// a group merged. Given a SortBudget, the memory held counts against it, and
// past it the values go to the budget's file as sorted runs that reading a
// field merges back; the results are the same either way.
#pragma once

#include <string>
#include <vector>

#include "dataaccess/error.h"
#include "engine/sort_merge.h"
#include "numeric/extended.h"

namespace qrv {

class SortBudget;

class SortTable {
  public:
    // Parts of a percentile type letter (M 2, Q 4, 5 5, D 10, P 100, in any
    // case); 0 for any other letter.
    static int PartsOf(char type);
    SortTable() = default;
    ~SortTable();
    // The table joins a budget's account; tables are not copied or moved.
    SortTable(const SortTable&) = delete;
    SortTable& operator=(const SortTable&) = delete;

    // Counts the values against budget (which must outlive the table) and
    // spills past it; set before the first value.
    void UseBudget(SortBudget* budget);

    // Readies the table for a new group.
    std::string Prepare();
    // Adds one usable value of field position field (from 1).
    dao::Error Append(int field, double data, double weight);
    long Rows() const { return rows_; }

    // Mode of each field 1..fields: the value with the highest weighted count,
    // that count, and whether no other value has the same count.
    struct Mode {
        double value = 0;
        double count = 0;
        bool unique = true;
    };
    std::string CalcMode(int fields, std::vector<Mode>& modes);

    // Cut points 1..parts-1 (at indexes 0..parts-2) of one field, weighted by
    // running weight or unweighted by interpolated position.
    std::string CalcPercentiles(int field, bool weighted, int parts, const num::Extended& n,
                                std::vector<double>& result);

    // Adds the values of another part of the same group.
    dao::Error Merge(const SortTable& other);

    // Releases the values.
    void Drop();

  private:
    friend class SortBudget;

    // One field's values of the group: those in memory (plain while every
    // weight is 1, pairs after) and the sorted runs spilled before them.
    struct Field {
        std::vector<double> values;
        std::vector<SortItem> pairs;
        std::vector<SpilledRun> runs;
        bool weighted = false, sorted = false;
        std::size_t total = 0;  // in memory and in runs
        std::size_t inMemory() const { return weighted ? pairs.size() : values.size(); }
        void clear() {
            values.clear();
            pairs.clear();
            runs.clear();
            weighted = sorted = false;
            total = 0;
        }
    };
    Field& field(int field);
    // The field's values in ascending order, memory and runs merged.
    SortedStream stream(int field);
    // Room for one more value in f's memory, as pairs when toPairs.
    dao::Error grow(Field& f, bool toPairs);
    // Writes every field's values in memory out as one sorted run each.
    dao::Error spill();
    // Brings the budget's count of this table's bytes up to date.
    void account();

    std::vector<Field> fields_;
    long rows_ = 0;  // values held
    SortBudget* budget_ = nullptr;
    std::size_t charged_ = 0;  // bytes counted against budget_
};

}  // namespace qrv
