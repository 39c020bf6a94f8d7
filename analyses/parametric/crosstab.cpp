// The crosstab analysis: the column list from the distinct values of the
// column field, one pass over the input rows adding each row's value fields to
// the cell of its row value and column, and per group of the outer row fields
// the rows of every value field with their share and expected-value rows,
// the totals rows and the chi-square test.
#include "analyses/parametric/crosstab.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "analyses/output_values.h"
#include "dataaccess/dialect/sql_dialect.h"
#include "dataaccess/fold.h"
#include "engine/level_list.h"
#include "engine/quorvane.h"
#include "engine/row_writer.h"
#include "numeric/distributions.h"
#include "numeric/extended.h"

namespace qrv {

using namespace qrv::dao;

namespace {

using Cells = std::vector<std::optional<double>>;

// The column of Null (and blank) values of the column field.
constexpr const char* kNullColumn = "<NULL>";

std::string trimSpaces(const std::string& s) {
    const size_t b = s.find_first_not_of(' ');
    if (b == std::string::npos) return {};
    return s.substr(b, s.find_last_not_of(' ') - b + 1);
}

struct XTabGroup : GroupState {
    explicit XTabGroup(bool binary) : rows(XTabRowLess{binary}) {}
    XTabRows rows;
    size_t width = 0;  // cells per row
    long seen = 0;     // rows added, which number them

    XTabRow& rowOf(const Value& v) {
        auto [it, added] = rows.try_emplace(XTabRowKey::of(v));
        XTabRow& row = it->second;
        if (added) {
            row.spelling = v;
            row.cells.resize(width);
        } else if (v.isText() && row.spelling.isText() &&
                   compareFolded(v.textRef(), row.spelling.textRef()) < 0) {
            // The spelling the sorted walk meets first, whatever order rows come in.
            row.spelling = v;
        }
        return row;
    }

    // The other part's rows count as come after this part's.
    void Merge(const GroupState& other) override {
        const auto& o = static_cast<const XTabGroup&>(other);
        for (const auto& [key, row] : o.rows) {
            XTabRow& mine = rowOf(row.spelling);
            for (size_t i = 0; i < width; ++i) mine.cells[i].merge(row.cells[i], seen);
        }
        seen += o.seen;
    }
};

}  // namespace

std::string CXTab::Quorvane_Xtab(const std::string& strXtabTable, const std::string& strChiTable,
                                 const std::string& strUserTable,
                                 const std::vector<std::string>& strFields, int intRowFields,
                                 int intValueFields, bool fWeighted, const std::string& strType,
                                 const std::string& strDescriptor, Quorvane& engine) {
    ProcedureScope scope(engine.ErrorHandler(), "Quorvane_Xtab");
    const int needed = intRowFields + 1 + intValueFields + (fWeighted ? 1 : 0);
    if (intRowFields < 1 || intValueFields < 1 || static_cast<int>(strFields.size()) < needed)
        return "The field list does not hold the row, column, value and weight fields.";
    type_ = strType.empty()
                ? 'C'
                : static_cast<char>(std::toupper(static_cast<unsigned char>(strType[0])));
    const char* label = XTabTypeLabel(type_);
    if (!label || strType.size() > 1)
        return "Crosstab type \"" + strType +
               "\" is not one of C, S, A, M, X, R, V, F, D, E, U, O, 1, L.";
    label_ = label;
    xtabTable_ = strXtabTable;
    chiTable_ = strChiTable;
    userTable_ = strUserTable;
    R_ = intRowFields;
    columnField_ = strFields[static_cast<size_t>(R_)];
    const bool countsOrSums = type_ == 'C' || type_ == 'S';
    for (size_t i = 0; i < 5; ++i)
        want_[i] = strDescriptor.size() > i &&
                   (strDescriptor[i] == 'Y' || strDescriptor[i] == 'y') && (i < 3 || countsOrSums);
    chi_ = countsOrSums && strDescriptor.size() > 5 &&
           (strDescriptor[5] == 'Y' || strDescriptor[5] == 'y') && !chiTable_.empty();

    // The analysis reads the outer row fields as its groups, then the
    // innermost row field, the column field and the value fields.
    const auto r = static_cast<size_t>(R_);
    allRecords_ = intValueFields == 1 && strFields[r + 1] == "*";
    V_ = allRecords_ ? 0 : intValueFields;
    std::vector<std::string> fields(strFields.begin(),
                                    strFields.begin() + static_cast<long>(r + 1));
    for (int i = 0; i < V_; ++i) fields.push_back(strFields[r + 1 + static_cast<size_t>(i)]);
    if (fWeighted) fields.push_back(strFields[static_cast<size_t>(needed - 1)]);
    for (const std::string& f : fields)
        if (f == "*") return "\"*\" can only stand alone as the value field of a crosstab.";

    if (std::string e = CreateColumns(engine); !e.empty()) return e;
    // First and last values depend on the order of the rows.
    const Walk walk = type_ == '1' || type_ == 'L' ? Walk::Sorted : Walk::Hashed;
    std::string error = Run(engine, {strUserTable, fields, R_ - 1, 2 + V_, fWeighted}, walk);
    chiRs_.Close();
    return error;
}

std::string CXTab::CreateColumns(Quorvane& engine) {
    ProcedureScope scope(engine.ErrorHandler(), "CreateColumns");
    // A misspelt column field of a table is named plainly, as the data
    // preparation names the others.
    if (engine.Quorvane_UTIL_TableOrQuery(engine.SourceDatabase(), userTable_) == 0) {
        auto def = engine.SourceDatabase().GetTableDef(userTable_);
        if (def && !def->FindField(columnField_))
            return "Field [" + columnField_ + "] not found in [" + userTable_ + "].";
    }
    LevelList levels;
    if (std::string e = levels.Read(engine, userTable_, columnField_); !e.empty()) return e;
    distinct_ = levels.values();
    if (distinct_.empty()) return "Column field must have at least one value";
    return {};
}

void CXTab::NameColumns() {
    // The column values come in level order, as the rows are ordered.
    hasNullColumn_ = false;
    columnNames_.clear();
    columnIndex_.clear();
    for (const Value& v : distinct_) {
        const std::string name = v.isNull() ? std::string() : trimSpaces(v.toText());
        if (name.empty()) {
            hasNullColumn_ = true;  // Null, and blank texts with it
            continue;
        }
        // Values whose texts match (without case, unless texts compare
        // binary) share a column.
        if (columnIndex_.emplace(columnKey(name), static_cast<int>(columnNames_.size()) + 1).second)
            columnNames_.push_back(name);
    }
    columns_ = 1 + static_cast<int>(columnNames_.size());
}

std::string CXTab::columnKey(const std::string& trimmed) const {
    return engine().BinaryCompare() ? trimmed : foldCase(trimmed);
}

int CXTab::ColumnOf(const Value& v) const {
    if (v.isNull()) return 0;
    const std::string name = trimSpaces(v.toText());
    if (name.empty()) return 0;
    auto it = columnIndex_.find(columnKey(name));
    return it == columnIndex_.end() ? -1 : it->second;
}

const std::string& CXTab::dataField(int field) const {
    static const std::string kAllRecords = "-";
    if (allRecords_) return kAllRecords;
    return in().fields[static_cast<size_t>(R_ + 1 + field)];
}

std::string CXTab::CreateOutput() {
    ProcedureScope scope(engine().ErrorHandler(), "CreateOutput_b");
    NameColumns();
    TableDef def = NewOutputTable(xtabTable_);
    const auto inner = static_cast<size_t>(R_ - 1);
    const InputFields fields = inputFields();
    // The innermost row field's column is named as the field: it may not
    // take the name of a column of the table's own.
    for (const char* own : {"DataType", "RowSummary"})
        if (iequal(fields.names[inner], own))
            return "The row field [" + fields.names[inner] + "] clashes with the output column \"" +
                   own + "\".";
    const int type = fields.types[inner] ? fields.types[inner] : dbText;
    AddColumn(def, fields.names[inner], type,
              type == dbText ? (fields.sizes[inner] > 0 ? fields.sizes[inner] : 255) : 0);
    AddColumn(def, "DataType", dbText, 17);
    AddColumn(def, "RowSummary", dbDouble);
    if (hasNullColumn_) AddColumn(def, kNullColumn, dbDouble);
    // Column names are data: one may spell a column already there.
    std::vector<std::string> taken;
    for (const Field& f : def.Fields()) taken.push_back(f.Name);
    for (const std::string& name : columnNames_) {
        for (const std::string& t : taken)
            if (iequal(t, name))
                return "The column field value \"" + name + "\" clashes with the output column \"" +
                       t + "\".";
        taken.push_back(name);
        AddColumn(def, name, dbDouble);
    }
    if (std::string e = CreateOutputTable(def); !e.empty()) return e;
    return chi_ ? CreateChi() : std::string();
}

std::string CXTab::CreateChi() {
    ProcedureScope scope(engine().ErrorHandler(), "CreateChi_b");
    TableDef def = NewOutputTable(chiTable_);
    for (const char* name : {"Count", "MinExpected", "MaxExpected"}) AddColumn(def, name, dbDouble);
    for (const char* name : {"Columns", "Rows", "DF"}) AddColumn(def, name, dbInteger);
    for (const char* name :
         {"Chi-Square", "Prob", "Phi-Coefficient", "Coeff_of_Contingency", "Cramer's_V"})
        AddColumn(def, name, dbDouble);
    return CreateOutputTable(def, &chiRs_);
}

std::unique_ptr<GroupState> CXTab::NewGroup() {
    auto g = std::make_unique<XTabGroup>(engine().BinaryCompare());
    g->width = static_cast<size_t>(std::max(V_, 1) * columns_);
    return g;
}

std::string CXTab::AddRow(GroupState& state) {
    ProcedureScope scope(engine().ErrorHandler(), "CalcData");
    auto& g = static_cast<XTabGroup&>(state);
    double w = 1;
    if (std::string e = reader().Weight(w); !e.empty()) return e;
    if (w <= 0) return {};
    const Recordset& rs = engine().DataRecordset();
    const int column = ColumnOf(rs.GetValue(R_));
    if (column < 0)
        return "The column field [" + in().fields[static_cast<size_t>(R_)] +
               "] holds a value that was not there when the columns were listed.";
    XTabRow& row = g.rowOf(rs.GetValue(R_ - 1));
    const bool keepCounts = type_ == 'U' || type_ == 'O';
    const long at = ++g.seen;
    for (int f = 0; f < std::max(V_, 1); ++f) {
        std::optional<double> x = 1.0;  // counting records: every row counts once
        if (!allRecords_)
            if (std::string e = reader().Usable(2 + f, x); !e.empty()) return e;
        if (x) row.cells[static_cast<size_t>(f * columns_ + column)].add(*x, w, keepCounts, at);
    }
    return {};
}

std::string CXTab::WriteGroup(GroupState& state, const std::vector<Value>& group, long) {
    ProcedureScope scope(engine().ErrorHandler(), "WriteData");
    const auto& g = static_cast<const XTabGroup&>(state);
    for (int f = 0; f < std::max(V_, 1); ++f)
        if (std::string e = WriteData(g.rows, f, group); !e.empty()) return e;
    return {};
}

std::string CXTab::WriteData(const XTabRows& rows, int field, const std::vector<Value>& group) {
    const std::string& name = dataField(field);
    engine().Quorvane_Msg(0, false, "Data: " + name);
    const auto C = static_cast<size_t>(columns_);
    const size_t base = static_cast<size_t>(field) * C;
    std::vector<Cells> values;
    std::vector<std::optional<double>> summaries;
    std::vector<double> rowTotals;
    std::vector<num::Extended> columnSums(C);
    std::vector<bool> columnUsed(C, false);
    std::vector<XTabCell> columnCells(C);
    XTabCell all;
    for (const auto& [key, row] : rows) {
        Cells cells(C);
        XTabCell whole;
        num::Extended total;
        for (size_t c = 0; c < C; ++c) {
            const XTabCell& cell = row.cells[base + c];
            cells[c] = XTabCellValue(cell, type_);
            whole.merge(cell);
            columnCells[c].merge(cell);
            if (cells[c]) {
                total += *cells[c];
                columnSums[c] += *cells[c];
                columnUsed[c] = true;
            }
        }
        all.merge(whole);
        values.push_back(std::move(cells));
        summaries.push_back(XTabCellValue(whole, type_));
        rowTotals.push_back(total.toDouble());
    }
    std::vector<double> columnTotals(C);
    num::Extended grandSum;
    for (size_t c = 0; c < C; ++c) {
        columnTotals[c] = columnSums[c].toDouble();
        grandSum += columnSums[c];
    }
    const double grand = grandSum.toDouble();

    static const char* const kExtra[5] = {"% Row", "% Col", "% Total", "% Expected", "Expected"};
    size_t r = 0;
    for (const auto& [key, row] : rows) {
        const double rowTotal = rowTotals[r];
        if (std::string e = WriteOneRow(group, name, row.spelling, label_, summaries[r], values[r]);
            !e.empty())
            return e;
        for (int k = 0; k < 5; ++k) {
            if (!want_[k]) continue;
            ProcedureScope extra(engine().ErrorHandler(), "WritePercent");
            Cells cells(C);
            std::optional<double> summary;
            for (size_t c = 0; c < C; ++c) {
                const std::optional<double>& cell = values[r][c];
                switch (k) {
                    case 0:
                        if (cell) cells[c] = ratio(*cell, rowTotal);
                        break;
                    case 1:
                        if (cell) cells[c] = ratio(*cell, columnTotals[c]);
                        break;
                    case 2:
                        if (cell) cells[c] = ratio(*cell, grand);
                        break;
                    case 3:
                        cells[c] = ratio(rowTotal * columnTotals[c], grand * grand);
                        break;
                    default:
                        cells[c] = ratio(rowTotal * columnTotals[c], grand);
                        break;
                }
            }
            // The row total treated as one more cell, of a column holding the grand total.
            switch (k) {
                case 0:
                    summary = ratio(rowTotal, rowTotal);
                    break;
                case 4:
                    summary = grand != 0 ? std::optional<double>(rowTotal) : std::nullopt;
                    break;
                default:
                    summary = ratio(rowTotal, grand);
                    break;
            }
            if (std::string e = WriteOneRow(group, name, row.spelling, kExtra[k], summary, cells);
                !e.empty())
                return e;
        }
        ++r;
    }

    // Totals over every row of the group, column by column.
    Cells totals(C), counts(C), statistics(C);
    for (size_t c = 0; c < C; ++c) {
        if (columnUsed[c]) totals[c] = columnTotals[c];
        counts[c] = XTabCellValue(columnCells[c], 'C');
        statistics[c] = XTabCellValue(columnCells[c], type_);
    }
    const bool anyValue =
        std::any_of(columnUsed.begin(), columnUsed.end(), [](bool used) { return used; });
    if (std::string e = WriteOneRow(group, name, Value(), "GROUP Total",
                                    anyValue ? std::optional<double>(grand) : std::nullopt, totals);
        !e.empty())
        return e;
    if (type_ != 'C')
        if (std::string e =
                WriteOneRow(group, name, Value(), "GROUP Count", XTabCellValue(all, 'C'), counts);
            !e.empty())
            return e;
    if (std::string e = WriteOneRow(group, name, Value(), "GROUP " + label_,
                                    XTabCellValue(all, type_), statistics);
        !e.empty())
        return e;
    if (!chi_) return {};
    return WriteChi(group, name, values, rowTotals, columnTotals, grand);
}

std::string CXTab::WriteOneRow(const std::vector<Value>& group, const std::string& dataField,
                               const Value& rowValue, const std::string& dataType,
                               const std::optional<double>& summary, const Cells& cells) {
    ProcedureScope scope(engine().ErrorHandler(), "WriteOneRow");
    RowWriter row(output());
    row.groups(inputFields(), group, dataField)
        .set(in().fields[static_cast<size_t>(R_ - 1)], rowValue)
        .set("DataType", dataType)
        .set("RowSummary", summary);
    // The Null column only when there is one.
    if (hasNullColumn_) row.set(kNullColumn, cells[0]);
    for (size_t c = 1; c < cells.size(); ++c) row.set(columnNames_[c - 1], cells[c]);
    if (Error e = row.finish()) return Unexpected(e);
    return {};
}

std::string CXTab::WriteChi(const std::vector<Value>& group, const std::string& dataField,
                            const std::vector<Cells>& values, const std::vector<double>& rowTotals,
                            const std::vector<double>& columnTotals, double grand) {
    ProcedureScope scope(engine().ErrorHandler(), "WriteChi");
    // Rows and columns with a positive total take part; an empty cell among
    // them was observed 0 times.
    long rows = 0, columns = 0;
    for (double t : rowTotals) rows += t > 0 ? 1 : 0;
    for (double t : columnTotals) columns += t > 0 ? 1 : 0;
    num::Extended X;
    std::optional<double> minE, maxE;
    if (grand > 0) {
        for (size_t r = 0; r < values.size(); ++r) {
            if (!(rowTotals[r] > 0)) continue;
            for (size_t c = 0; c < columnTotals.size(); ++c) {
                if (!(columnTotals[c] > 0)) continue;
                const double E = columnTotals[c] * rowTotals[r] / grand;
                const double O = values[r][c].value_or(0.0);
                X += (num::Extended(O) - E) * (num::Extended(O) - E) / E;
                if (!minE || E < *minE) minE = E;
                if (!maxE || E > *maxE) maxE = E;
            }
        }
    }
    const double x = X.toDouble();
    const long df = rows > 0 && columns > 0 ? (columns - 1) * (rows - 1) : 0;
    std::optional<double> chi, prob, phi, contingency, cramer;
    if (grand > 0 && rows > 0 && columns > 0) {
        chi = x;
        // At DF 0 the distribution routine's own answer, 0, as for any test.
        prob = num::CZValue().Quorvane_CalcProb("C", x, static_cast<double>(df), 0);
        phi = std::sqrt(x / grand);
        contingency = std::sqrt(x / (x + grand));
        const long smaller = std::min(rows, columns) - 1;
        if (smaller > 0) cramer = std::sqrt(x / (grand * static_cast<double>(smaller)));
    }
    RowWriter row(chiRs_);
    row.groups(inputFields(), group, dataField)
        .set("Count", grand)
        .set("MinExpected", minE)
        .set("MaxExpected", maxE)
        .set("Columns", smallCount(columns))
        .set("Rows", smallCount(rows))
        .set("DF", smallCount(df))
        .set("Chi-Square", chi)
        .set("Prob", prob)
        .set("Phi-Coefficient", phi)
        .set("Coeff_of_Contingency", contingency)
        .set("Cramer's_V", cramer);
    if (Error e = row.finish()) return Unexpected(e);
    return {};
}

}  // namespace qrv
