// Output rows written one data field after another by an analysis that
// reads all its data fields in one walk and finishes a group for all of them
// at once: the first field's rows go to the table as they come, the others'
// are kept (only their few rows, never the data) until the walk is over.
#pragma once

#include <cstddef>
#include <vector>

#include "dataaccess/error.h"
#include "dataaccess/recordset.h"
#include "dataaccess/value.h"

namespace qrv {

class FieldOrderedRows {
  public:
    // Forgets any kept rows; fields is the number of data fields.
    void Reset(int fields) {
        kept_.assign(fields > 1 ? static_cast<std::size_t>(fields - 1) : 0, {});
    }

    // Ends the row being added to rs for data field f: written now for the
    // first field, else read back from the edit buffer and kept.
    dao::Error Finish(dao::Recordset& rs, int f) {
        if (f <= 0) return rs.Update();
        std::vector<dao::Value> row;
        for (int c = 0; c < rs.FieldCount(); ++c) row.push_back(rs.GetValue(c));
        kept_[static_cast<std::size_t>(f - 1)].push_back(std::move(row));
        return rs.CancelUpdate();
    }

    // Writes the kept rows to rs, field by field, each field's rows in the
    // order they came.
    dao::Error Flush(dao::Recordset& rs) {
        for (auto& rows : kept_) {
            for (const std::vector<dao::Value>& row : rows) {
                dao::Error e = rs.AddNew();
                for (std::size_t c = 0; !e && c < row.size(); ++c)
                    e = rs.SetValue(static_cast<int>(c), row[c]);
                if (!e) e = rs.Update();
                if (e) return e;
            }
            rows.clear();
        }
        return {};
    }

  private:
    std::vector<std::vector<std::vector<dao::Value>>> kept_;  // per field after the first
};

}  // namespace qrv
