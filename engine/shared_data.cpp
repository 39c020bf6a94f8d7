// Data preparation shared by every analysis: the input rows in group order,
// field types, the missing-value rule as SQL and as a test, weights, group
// changes and progress messages.
#include <algorithm>
#include <cmath>

#include "dataaccess/dialect/sql_dialect.h"
#include "engine/quorvane.h"
#include "engine/run_report.h"

namespace qrv {

using namespace qrv::dao;

namespace {

// Case-insensitive equality folding ASCII letters, as the database's text
// collation does, so group changes agree with the sort order of the rows.
bool textEqualNoCase(const std::string& a, const std::string& b) {
    return iequal(a, b);
}

// The first count names, each in brackets, joined by sep.
std::string bracketList(const std::vector<std::string>& names, int count, const char* sep) {
    std::string out;
    for (int i = 0; i < count; ++i) {
        if (i) out += sep;
        out += bracketName(names[static_cast<size_t>(i)]);
    }
    return out;
}

}  // namespace

std::string Quorvane::Quorvane_InitDataTable(const std::string& strUserTable,
                                             const std::vector<std::string>& strFields,
                                             int intGroupFields, std::vector<int>& lngFieldTypes,
                                             std::vector<long>& lngFieldSizes, bool fOrdered) {
    ProcedureScope scope(err_, "Quorvane_InitDataTable");
    const int n = static_cast<int>(strFields.size());
    // A misspelt field of a table is named plainly rather than read as a parameter.
    if (Quorvane_UTIL_TableOrQuery(sourceDb_, strUserTable) == 0) {
        auto def = sourceDb_.GetTableDef(strUserTable);
        if (def)
            for (const std::string& f : strFields)
                if (f != "*" && !def->FindField(f))
                    return "Field [" + f + "] not found in [" + strUserTable + "].";
    }
    OperationScope op(err_, "Opening the input [" + strUserTable + "]",
                      errors::FailingObject::OnTable(strUserTable));
    // Whether group texts differing in case are one group follows the first
    // group column's collation, which only an opened SELECT tells.
    bool binaryGroups = false;
    if (fOrdered && intGroupFields > 0) {
        std::string error = Quorvane_OpenDataRecordset(
            InitDataSql(strUserTable, strFields, intGroupFields, false) + " WHERE 1 = 0");
        if (!error.empty()) return error;
        binaryGroups =
            rsData_.FieldCount() > 0 && rsData_.FieldAt(0).CollatingOrder != dbSortGeneral;
    }
    std::string error = Quorvane_OpenDataRecordset(
        InitDataSql(strUserTable, strFields, intGroupFields, fOrdered, binaryGroups));
    if (!error.empty()) return error;
    if (rsData_.RecordCount() < 1) return "No records found in " + strUserTable;
    Quorvane_InitFieldTypes(rsData_, n, strFields, lngFieldTypes, lngFieldSizes);
    return {};
}

std::string Quorvane::InitDataSql(const std::string& strUserTable,
                                  const std::vector<std::string>& strFields, int intGroupFields,
                                  bool fOrdered, bool binaryGroups) {
    const std::string select = "SELECT " +
                               bracketList(strFields, static_cast<int>(strFields.size()), ", ") +
                               " FROM " + bracketName(strUserTable);
    if (!fOrdered) return select;
    const int n = static_cast<int>(strFields.size());
    const int groups = std::min(intGroupFields, n);
    std::string order;
    auto term = [&](int i, const char* collation) {
        if (!order.empty()) order += ",";
        order += bracketName(strFields[static_cast<size_t>(i)]) + " COLLATE " + collation;
    };
    // The group fields by their texts' case fold alone, so that the rows of a
    // group arrive together whatever collation the input's columns have.
    for (int i = 0; i < groups; ++i) term(i, "QRV_CASELESS");
    if (binaryGroups) {
        // Texts differing in case are groups of their own: each spelling's
        // rows together, then by the first analysis field.
        for (int i = 0; i < groups; ++i) term(i, "QRV_FOLD");
        if (groups < n) term(groups, "QRV_FOLD");
    } else {
        // Spellings are one group: its rows by the first analysis field, the
        // spelling only breaking ties, so a weighted walk meets the rows in
        // the same order however their group texts are spelt.
        if (groups < n) term(groups, "QRV_FOLD");
        for (int i = 0; i < groups; ++i) term(i, "QRV_FOLD");
    }
    return select + " ORDER BY " + order;
}

std::string Quorvane::Quorvane_OpenDataRecordset(std::string strSQL) {
    ProcedureScope scope(err_, "Quorvane_OpenDataRecordset");
    if (strSQL.empty() || strSQL.back() != ';') strSQL += ";";
    rsData_.Close();
    errors::FailingObject object = err_.CurrentObject();
    object.statement = strSQL;
    OperationScope op(err_, err_.CurrentOperation(), std::move(object));
    auto rs = sourceDb_.OpenRecordset(strSQL, dbOpenDynaset, dbSeeChanges | dbReadOnly);
    if (!rs) {
        ReportDatabaseFailure(err_, rs.error());
        if (rs.error().number == err::kTooFewParameters)
            return "The selected query expects parameters and cannot be used by Lumvar.";
        return rs.error().description;
    }
    rsData_ = std::move(*rs);
    return {};
}

void Quorvane::Quorvane_InitFieldTypes(const Recordset& rs, int n,
                                       const std::vector<std::string>& strFields,
                                       std::vector<int>& lngFieldTypes,
                                       std::vector<long>& lngFieldSizes) {
    lngFieldTypes.assign(static_cast<size_t>(std::max(n, 0)), 0);
    lngFieldSizes.assign(static_cast<size_t>(std::max(n, 0)), 0);
    for (int i = 0; i < n; ++i) {
        int idx = rs.FieldIndex(strFields[static_cast<size_t>(i)]);
        if (idx < 0) idx = i < rs.FieldCount() ? i : -1;  // "*" and expressions: by position
        if (idx < 0) continue;
        lngFieldTypes[static_cast<size_t>(i)] = rs.FieldAt(idx).Type;
        lngFieldSizes[static_cast<size_t>(i)] = rs.FieldAt(idx).Size;
    }
    binaryCompare_ = n > 0 && rs.FieldCount() > 0 && rs.FieldAt(0).CollatingOrder != dbSortGeneral;
}

std::string Quorvane::Quorvane_DataWhere(const std::string& strField) const {
    std::string c;
    if (missingRule_ == "Equal")
        c = strField + " <> " + numberToText(missingEqual_);
    else if (missingRule_ == "High")
        c = strField + " <= " + numberToText(missingHigh_);
    else if (missingRule_ == "Low")
        c = strField + " >= " + numberToText(missingLow_);
    else if (missingRule_ == "Both")
        c = strField + " Between " + numberToText(missingLow_) + " And " +
            numberToText(missingHigh_);
    return c.empty() ? c : "(" + c + ")";
}

bool Quorvane::Quorvane_DataOk_b(double v, bool fEqualOnly) const {
    if (fEqualOnly) return missingRule_ != "Equal" || v != missingEqual_;
    if (missingRule_.empty()) return true;
    if (missingRule_ == "Equal") return v != missingEqual_;
    if (missingRule_ == "Both") return missingLow_ <= v && v <= missingHigh_;
    if (missingRule_ == "High") return v <= missingHigh_;
    if (missingRule_ == "Low") return v >= missingLow_;
    return true;
}

double Quorvane::WeightOf(double w) const {
    if ((missingRule_ == "Equal" && w == missingEqual_) || !(w > 0)) return 0;
    return w;
}

bool Quorvane::Quorvane_SameRecords_b(int n, bool fCompare, std::vector<Value>& saved,
                                      const std::vector<Value>& current) const {
    if (!fCompare) {
        saved.assign(current.begin(), current.begin() + std::min<size_t>(n, current.size()));
        return false;
    }
    for (int i = 0; i < n; ++i) {
        const Value& a = saved.at(static_cast<size_t>(i));
        const Value& b = current.at(static_cast<size_t>(i));
        if (a.isNull() || b.isNull()) {
            if (a.isNull() != b.isNull()) return true;
            continue;
        }
        if (a.isText() && b.isText()) {
            const bool same = binaryCompare_ ? a.textRef() == b.textRef()
                                             : textEqualNoCase(a.textRef(), b.textRef());
            if (!same) return true;
            continue;
        }
        if (!(a == b)) return true;
    }
    return false;
}

bool Quorvane::Quorvane_SameValue(const Value& a, const Value& b, bool fIgnoreCase) const {
    if (a.isNull() || b.isNull()) return a.isNull() && b.isNull();
    if (a.isText() && b.isText()) {
        if (fIgnoreCase || !binaryCompare_) return textEqualNoCase(a.textRef(), b.textRef());
        return a.textRef() == b.textRef();
    }
    return a == b;
}

int Quorvane::Quorvane_UTIL_TableOrQuery(const Database& db, const std::string& name) {
    auto t = db.GetTableDef(name);
    if (t) return 0;
    if (t.error().number != err::kItemNotFound) {
        ProcedureScope scope(err_, "Quorvane_UTIL_TableOrQuery");
        OperationScope op(err_, "Looking up the table or query [" + name + "]",
                          errors::FailingObject::OnTable(name));
        err_.HandleError(t.error().number, t.error().description);
        return -99;
    }
    auto q = db.GetQueryDef(name);
    return q ? 1 : -99;
}

void Quorvane::Quorvane_Msg(long lngRecord, bool fFinal, const std::string& strMessage) {
    // A new stage is what the run is doing, should it fail.
    if (lngRecord == 0) err_.SetCurrentOperation(strMessage);
    if (lngRecord == 0 && !onProgress_.empty())
        raiseProgress(progressDone_, false);  // a new stage
    else
        Progress(lngRecord);
    if (lngRecord != 0)
        RecordStatus(lngRecord, fFinal, strMessage);
    else if (StatusWanted())
        raiseStatus(strMessage + "...");
}

void Quorvane::AddTableField(TableDef& def, const std::string& name, int type, int& ordinal,
                             long size) {
    Field f = def.CreateField(name, type);
    f.OrdinalPosition = ordinal++;
    if (size != 0) f.Size = size;
    if (Error e = def.AppendField(std::move(f))) {
        ProcedureScope scope(err_, "AddTableField");
        OperationScope op(err_,
                          "Adding field [" + name + "] to the output table [" + def.Name + "]",
                          errors::FailingObject::OnTable(def.Name, name));
        err_.HandleError(e.number, e.description);
    }
}

}  // namespace qrv
