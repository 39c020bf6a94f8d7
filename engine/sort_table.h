// SortTable: the usable values of the current group, per analysis field, for
// the analyses that need them in order (modes and percentiles). Values are
// kept in memory as plain numbers, with their weights only once a weight
// other than 1 appears, and each field is sorted once when first asked.
// Holding a group past a memory budget (sorted runs spilled to the scratch
// file and merged) belongs behind this same interface: Append is the one
// place values come in and sortedField the one place they go out.
#pragma once

#include <string>
#include <vector>

#include "dataaccess/error.h"
#include "numeric/extended.h"

namespace qrv {

class Quorvane;

class SortTable {
  public:
    // The name the scratch table had; runs still drop any table of it.
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

    // Releases the values at the end of the run.
    void Drop();

  private:
    // One field's values of the group; weights stay empty while every weight is 1.
    struct Field {
        std::vector<double> values, weights;
        bool weighted = false, sorted = false;
        void clear() {
            values.clear();
            weights.clear();
            weighted = sorted = false;
        }
    };
    // The field's values in ascending order (weights moved along with them).
    Field& sortedField(int field);

    Quorvane& engine_;
    std::vector<Field> fields_;
    long rows_ = -1;  // rows of the group; -1 before the first
};

}  // namespace qrv
