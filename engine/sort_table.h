// SortTable: the usable values of one group, per analysis field, for the
// analyses that need them in order (modes, percentiles, ranks). Values are
// kept in memory as plain numbers, as whole items (value, weight, tag) only
// once a weight other than 1 or a tag other than 0 appears, and each field is
// sorted once when first read. Each group's state holds one, so groups can be
// filled in any order and parts of a group merged. Given a SortBudget, the
// memory held counts against it, and past it the values go to the budget's
// file as sorted runs that reading a field merges back; the results are the
// same either way.
//
// What the analyses read of a field:
// - Read: every value in ascending order, as often as wanted (a test that
//   needs its median first and then counts against it reads twice);
// - Runs: the runs of equal values with their ranks, for rank tests; with
//   tags, each run also says how much of it each tag (sample) holds;
// - Ranked: every value with the mean rank of its run, for tests that need
//   the rank of each row back (tag the value with its row);
// - CalcPercentiles, and Summarize for the mode and cut points in one read.
// Values must not be appended to a field while one of its reads is open.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "dataaccess/error.h"
#include "engine/sort_merge.h"
#include "engine/tie_runs.h"
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

    // Adds one value of field position field (from 1), with the weight (or
    // other number) and tag it carries.
    dao::Error Append(int field, double data, double weight = 1, std::int64_t tag = 0);
    // Values held in all fields, and in one field.
    long Rows() const { return rows_; }
    std::size_t Count(int field) const;

    // The field's values in ascending order (value, then tag, then weight).
    SortedStream Read(int field);
    // The field's runs of equal values and their ranks, weights counting as
    // numbers of values; byTag fills each run's tags.
    TieRuns Runs(int field, bool byTag = false);
    // The field's values in order, each with its run's mean rank.
    RankedValues Ranked(int field);

    // The mode of a field: the value with the highest weighted count, that
    // count, and whether no other value has the same count.
    struct Mode {
        double value = 0;
        double count = 0;
        bool unique = true;
    };

    // Cut points 1..parts-1 (at indexes 0..parts-2) of one field, weighted by
    // running weight or unweighted by interpolated position.
    std::string CalcPercentiles(int field, bool weighted, int parts, const num::Extended& n,
                                std::vector<double>& result);

    // The mode (when mode is given) and the cut points (when parts > 1) of
    // one field, from one read of its values; the same cut points as above.
    std::string Summarize(int field, Mode* mode, bool weighted, int parts, const num::Extended& n,
                          std::vector<double>& cuts);

    // Adds the values of another part of the same group.
    dao::Error Merge(const SortTable& other);

    // While a Pin lives the budget does not spill the table: its values are
    // being read into another table of the same budget.
    class Pin {
      public:
        explicit Pin(const SortTable& table) : table_(table), was_(table.pinned_) {
            table_.pinned_ = true;
        }
        ~Pin() { table_.pinned_ = was_; }
        Pin(const Pin&) = delete;
        Pin& operator=(const Pin&) = delete;

      private:
        const SortTable& table_;
        bool was_;
    };

  private:
    friend class SortBudget;

    // One field's values of the group: those in memory (plain while every
    // weight is 1 and every tag 0, whole items after) and the sorted runs
    // spilled before them.
    struct Field {
        std::vector<double> values;
        std::vector<SortItem> items;
        std::vector<SpilledRun> runs;
        bool hasItems = false, sorted = false;
        std::size_t total = 0;  // in memory and in runs
        std::size_t inMemory() const { return hasItems ? items.size() : values.size(); }
    };
    Field& field(int field);
    // Room for one more value in f's memory, as items when toItems.
    dao::Error grow(Field& f, bool toItems);
    // Writes every field's values in memory out as one sorted run each.
    dao::Error spill();
    // Brings the budget's count of this table's bytes up to date.
    void account();

    std::vector<Field> fields_;
    long rows_ = 0;  // values held
    // Being read into another table: its values stay where they are, since
    // the reader walks them (the budget spills the other tables).
    mutable bool pinned_ = false;
    SortBudget* budget_ = nullptr;
    std::size_t charged_ = 0;  // bytes counted against budget_
};

}  // namespace qrv
