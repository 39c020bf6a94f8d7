// Output rows written one data field after another by an analysis that
// reads all its data fields in one walk and finishes a group for all of them
// at once: the first field's rows go to the table as they come, the others'
// are kept (only the writing of their few rows, never the data) until the
// walk is over.
#pragma once

#include <cstddef>
#include <functional>
#include <utility>
#include <vector>

#include "dataaccess/error.h"

namespace qrv {

class FieldOrderedRows {
  public:
    // Writes one row (through a RowWriter) and gives its error. It must hold
    // copies of what it writes: a group's state is gone by the time a kept
    // row is written.
    using Write = std::function<dao::Error()>;

    // Forgets any kept rows; fields is the number of data fields.
    void Reset(int fields) {
        kept_.assign(fields > 1 ? static_cast<std::size_t>(fields - 1) : 0, {});
    }

    // A row of data field f: written now for the first field, else kept.
    dao::Error Add(int f, Write write) {
        if (f <= 0) return write();
        kept_[static_cast<std::size_t>(f - 1)].push_back(std::move(write));
        return {};
    }

    // Writes the kept rows, field by field, each field's rows in the order
    // they came.
    dao::Error Flush() {
        for (std::vector<Write>& rows : kept_) {
            for (const Write& write : rows)
                if (dao::Error e = write()) return e;
            rows.clear();
        }
        return {};
    }

  private:
    std::vector<std::vector<Write>> kept_;  // per field after the first
};

}  // namespace qrv
