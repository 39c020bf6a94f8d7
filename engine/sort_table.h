// SortTable: the usable values of the current group, per analysis field, for
// the analyses that need them in order (modes and percentiles). Values are
// kept in memory as plain numbers, with their weights only once a weight
// other than 1 appears, and each field is sorted once when first asked.
// Each group's state holds one, so groups can be filled in any order and
// parts of a group merged. Holding values past a memory budget (sorted runs
// spilled to the scratch file and merged) belongs behind this same
// interface: Append and Merge are the places values come in, sortedField
// the one place they go out.
#pragma once

#include <string>
#include <vector>

#include "dataaccess/error.h"
#include "numeric/extended.h"

namespace qrv {

class SortTable {
  public:
    // The name the scratch table had; runs still drop any table of it.
    static constexpr const char* kName = "statTemp1";

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

    // Adds the values of another part of the same group.
    void Merge(const SortTable& other);

    // Releases the values.
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

    std::vector<Field> fields_;
    long rows_ = 0;  // values held
};

}  // namespace qrv
