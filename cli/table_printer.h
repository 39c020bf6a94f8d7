// Printing rows for the command line: aligned columns for people, or CSV
// (numbers in full precision) for other programs.
//
// Aligned output never holds a whole table: the column widths are measured
// on the first rows (a sample of up to kSampleRows), those rows are printed,
// and every later row is cut or padded to the same widths as it is read.
// A text too long for its column ends in "…"; a number is never cut.
#pragma once

#include <cstddef>
#include <ostream>
#include <string>
#include <vector>

#include "dataaccess/objects/recordset.h"

namespace qrv::cli {

struct Cell {
    std::string text;
    bool number = false;
};

enum class Align { Auto, Left, Right };

struct ColumnSpec {
    std::string name;
    // Auto: right-aligned when every non-empty cell of the sample is a number.
    Align align = Align::Auto;
    // Widest a column may grow, in display columns; 0 leaves it unbounded.
    int maxWidth = 0;
};

class AlignedPrinter {
  public:
    static constexpr std::size_t kSampleRows = 1000;

    AlignedPrinter(std::ostream& out, std::vector<ColumnSpec> columns,
                   std::size_t sampleRows = kSampleRows);
    void addRow(std::vector<Cell> row);
    // Prints what is still held (a table shorter than the sample).
    void finish();
    long rows() const { return rows_; }

  private:
    void fixWidths();
    void printLine(const std::vector<std::string>& cells);

    std::ostream& out_;
    std::vector<ColumnSpec> columns_;
    std::size_t sampleRows_;
    std::vector<std::vector<Cell>> sample_;
    std::vector<int> width_;
    std::vector<bool> right_;
    bool fixed_ = false;
    long rows_ = 0;
};

// Widest a text column of a printed table grows; --csv gives whole values.
inline constexpr int kTableTextWidth = 60;

// Up to `limit` rows (all when negative), then a line with the count.
dao::Error printAligned(dao::Recordset& rs, std::ostream& out, long limit = -1);
dao::Error printCsv(dao::Recordset& rs, std::ostream& out, long limit = -1);

}  // namespace qrv::cli
