// Reading CSV records with libcsv: quoted fields (doubled quotes inside,
// delimiters and line breaks allowed), strict about misplaced quotes, with the
// line each record starts on so that messages can point at it.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "dataaccess/error.h"

namespace qrv::csv {

// One record; its cells stay valid until the callback returns.
class Record {
  public:
    long line = 0;  // 1-based line of the file where the record starts
    std::size_t size() const { return spans_.size(); }
    // Unquoted fields lose their leading and trailing spaces; an empty cell
    // (quoted or not) reads as an empty view.
    std::string_view cell(std::size_t i) const {
        return std::string_view(arena_).substr(spans_[i].first, spans_[i].second);
    }

  private:
    friend struct ReaderState;
    std::string arena_;
    std::vector<std::pair<std::size_t, std::size_t>> spans_;
};

// Calls onRecord for each record of text until it returns false. Empty
// lines are skipped. Fails with the line of a misplaced quote, or when the
// text ends inside a quoted field.
dao::Error readRecords(std::string_view text, char delimiter,
                       const std::function<bool(const Record&)>& onRecord);

}  // namespace qrv::csv
