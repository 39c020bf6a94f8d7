// The cells of a crosstab: the running sums of one value field over the rows
// that fall into one row value and one column, how a cell's statistic is
// taken from them, and the order and sameness of row values. Kept apart from
// the analysis so that the cell arithmetic can be checked on its own.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "dataaccess/value.h"
#include "engine/level_list.h"
#include "numeric/moments.h"

namespace qrv {

// One cell: weighted moments of the usable values, the first and last of
// them by the running number of the row that brought them, and (for the unique-count and mode
// statistics only) the weight of every distinct value.
struct XTabCell {
    num::Moments m{num::Moments::Powers::ToSecond};  // no statistic needs the shape
    double first = 0, last = 0;
    long firstAt = 0, lastAt = 0;
    std::map<double, double> counts;

    // at: the running number of the row within its group, increasing.
    void add(double x, double w, bool keepCounts, long at);
    // Combines another cell; its rows' numbers are taken shift later.
    void merge(const XTabCell& other, long shift = 0);
};

// The statistic letters and their DataType labels; nullptr for an unknown letter.
const char* XTabTypeLabel(char type);

// The value of a cell for a statistic letter; nothing when the cell has no
// weight, or too little for the statistic.
std::optional<double> XTabCellValue(const XTabCell& cell, char type);

// A row value as the engine sorts and groups it: the order of levels.
using XTabRowKey = LevelKey;
using XTabRowLess = LevelLess;

// One row: its value as written, and its cells (value field f, column c at
// f * columns + c).
struct XTabRow {
    dao::Value spelling;
    std::vector<XTabCell> cells;
};
using XTabRows = std::map<XTabRowKey, XTabRow, XTabRowLess>;

}  // namespace qrv
