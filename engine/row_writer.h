// RowWriter: fills one new row of an output table by column name, for every
// analysis. The first failure sticks and later sets do nothing; finish()
// saves the row, or cancels it when anything failed, so that a half-filled
// row is never saved. A statistic that does not exist or is not finite is
// written as Null, never as 0.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "dataaccess/error.h"
#include "dataaccess/objects/recordset.h"
#include "dataaccess/value.h"
#include "engine/output_columns.h"

namespace qrv {

class RowWriter {
  public:
    // Starts a new row of rs.
    explicit RowWriter(dao::Recordset& rs);
    RowWriter(const RowWriter&) = delete;
    RowWriter& operator=(const RowWriter&) = delete;
    // A row never finished is cancelled.
    ~RowWriter();

    // The group columns and DataField, the leading columns of a per-field
    // table (AddGroupColumns).
    RowWriter& groups(const InputFields& in, const std::vector<dao::Value>& group,
                      const std::string& dataField);
    // The group columns alone, for tables without DataField.
    RowWriter& groupsOnly(int groups, const std::vector<dao::Value>& group);

    RowWriter& set(std::string_view column, const dao::Value& v);
    RowWriter& set(std::string_view column, const char* text);
    RowWriter& set(std::string_view column, const std::string& text);
    // A statistic: Null when absent or not finite.
    RowWriter& set(std::string_view column, std::optional<double> v);
    RowWriter& set(std::string_view column, double v);
    RowWriter& set(std::string_view column, int v);
    RowWriter& set(std::string_view column, bool v);

    // Saves the row; the first error met, if any, after cancelling it.
    dao::Error finish();
    // The first error met so far.
    const dao::Error& error() const { return e_; }

  private:
    dao::Recordset& rs_;
    dao::Error e_;
    bool open_ = true;
};

}  // namespace qrv
