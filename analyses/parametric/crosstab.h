// CXTab: the crosstab analysis. One statistic of each value field laid out
// with the values of the innermost row field as rows and the distinct values
// of the column field as columns, one table per group of the outer row
// fields and value field; optional rows of shares of the row, column and
// grand totals and of expected values, totals rows, and a chi-square test of
// independence per group and value field in a second table.
#pragma once

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "analyses/parametric/crosstab_cells.h"
#include "dataaccess/objects/recordset.h"
#include "dataaccess/value.h"
#include "engine/analysis_run.h"

namespace qrv {

class Quorvane;

class CXTab : private AnalysisRun {
  public:
    // Fields hold positions 1.. at indexes 0..: the R row fields, the column
    // field, the value fields ("*" alone: count the records), then the weight
    // field when weighted. type is the statistic letter; the descriptor's six
    // "Y"/"N" letters ask for % of row, % of column, % of total, % of
    // expected, expected values and the chi-square table (the last three for
    // counts and sums only, and the table only when strChiTable is not
    // empty). Returns the text of the failure that stopped the run, empty on
    // success.
    std::string Quorvane_Xtab(const std::string& strXtabTable, const std::string& strChiTable,
                              const std::string& strUserTable,
                              const std::vector<std::string>& strFields, int intRowFields,
                              int intValueFields, bool fWeighted, const std::string& strType,
                              const std::string& strDescriptor, Quorvane& engine);

  private:
    std::string CreateOutput() override;
    std::unique_ptr<GroupState> NewGroup() override;
    std::string AddRow(GroupState& state) override;
    std::string WriteGroup(GroupState& state, const std::vector<dao::Value>& group,
                           long records) override;

    // The distinct values of the column field, read before the walk.
    std::string CreateColumns(Quorvane& engine);
    // The column list from them, Null apart, once texts are known to compare
    // with or without case.
    void NameColumns();
    // Column of the current data row: 0 for Null (or blank), else 1.. .
    int ColumnOf(const dao::Value& v) const;
    std::string columnKey(const std::string& trimmed) const;
    std::string CreateChi();
    // The rows of one value field and group, and its chi-square row.
    std::string WriteData(const XTabRows& rows, int field, const std::vector<dao::Value>& group);
    // DataField of value field f (from 0).
    const std::string& dataField(int field) const;
    std::string WriteOneRow(const std::vector<dao::Value>& group, const std::string& dataField,
                            const dao::Value& rowValue, const std::string& dataType,
                            const std::optional<double>& summary,
                            const std::vector<std::optional<double>>& cells);
    std::string WriteChi(const std::vector<dao::Value>& group, const std::string& dataField,
                         const std::vector<std::vector<std::optional<double>>>& values,
                         const std::vector<double>& rowTotals,
                         const std::vector<double>& columnTotals, double grand);

    std::string xtabTable_, chiTable_, userTable_, columnField_;
    int R_ = 1, V_ = 0;  // row fields; value fields read (0 for "*")
    bool allRecords_ = false;
    char type_ = 'C';
    std::string label_;
    bool want_[5] = {};  // % Row, % Col, % Total, % Expected, Expected
    bool chi_ = false;

    std::vector<dao::Value> distinct_;
    // Columns: 0 the Null column, 1.. the named ones, as keys of their text.
    bool hasNullColumn_ = false;
    std::vector<std::string> columnNames_;
    std::unordered_map<std::string, int> columnIndex_;
    int columns_ = 0;  // 1 + names

    dao::Recordset chiRs_;
};

}  // namespace qrv
