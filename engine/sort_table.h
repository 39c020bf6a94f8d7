// SortTable: the scratch table statTemp1 (Field, Data, Weight) that holds the
// usable values of the current group when an analysis needs them in order:
// modes and percentiles come from queries on it. It lives in the engine's
// scratch database as a memory table kept in (Field, Data) order, so filling
// it costs no statements and reading a field in order costs no sort; after a
// group of more than 500 rows it is dropped and made anew rather than emptied.
#pragma once

#include <string>
#include <vector>

#include "dataaccess/error.h"
#include "dataaccess/memory_table.h"
#include "numeric/extended.h"

namespace qrv {

class Quorvane;

class SortTable {
  public:
    static constexpr const char* kName = "statTemp1";

    explicit SortTable(Quorvane& engine) : engine_(engine) {}

    // Parts of a percentile type letter (M 2, Q 4, 5 5, D 10, P 100, in any
    // case); 0 for any other letter.
    static int PartsOf(char type);
    ~SortTable();

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

    // Drops the table at the end of the run.
    void Drop();

  private:
    std::string create();
    std::string sourceClause() const;

    Quorvane& engine_;
    dao::MemoryTable table_;
    long rows_ = -1;  // rows of the previous group; -1 before the first
};

}  // namespace qrv
