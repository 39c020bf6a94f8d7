// Percentiles per group and field: the usable values of a group are appended
// to the scratch sort table, and at the end of the group the cut points of
// every field are read back from it in order and written one row each.
#include "analyses/parametric/cpercentiles.h"

#include <cctype>
#include <optional>

#include "engine/group_walk.h"
#include "engine/numeric_value.h"
#include "engine/output_columns.h"
#include "engine/quorvane.h"
#include "engine/sort_table.h"

namespace qrv {

using namespace qrv::dao;

std::string CPercentiles::Quorvane_Percentile(const std::string& strOutputTable,
                                              const std::string& strUserTable,
                                              const std::vector<std::string>& strFields,
                                              int intGroupFields, int intFields, bool fWeighted,
                                              const std::string& strType, Quorvane& engine) {
    ProcedureScope scope(engine.ErrorHandler(), "Quorvane_Percentile");
    parts_ = strType.size() == 1 ? SortTable::PartsOf(strType[0]) : 0;
    if (parts_ == 0) return "Unknown percentile type: " + strType;
    if (intGroupFields < 0 || intFields < 1 ||
        strFields.size() < static_cast<size_t>(intGroupFields + intFields + (fWeighted ? 1 : 0)))
        return "The field list does not hold the group, analysis and weight fields.";
    // The percent reported for cut j is j times this step (50, 25, 20, 10 or 1).
    step_ = static_cast<int>(100.0f / static_cast<float>(parts_));
    engine_ = &engine;
    fields_ = &strFields;
    groups_ = intGroupFields;
    analysisFields_ = intFields;
    weighted_ = fWeighted;
    handled_ = false;

    engine.Quorvane_Msg(0, false, "Retrieving and sorting data");
    std::string error =
        engine.Quorvane_InitDataTable(strUserTable, strFields, intGroupFields, types_, sizes_);
    if (error.empty()) {
        engine.Quorvane_Msg(0, false, "Creating output table");
        error = CreateOutput(strOutputTable);
    }
    if (error.empty() && !engine.Quorvane_UTIL_MakeTempDB())
        error = "Temp database could not be created";
    if (error.empty()) {
        SortTable sort(engine);
        sort_ = &sort;
        engine.Quorvane_Msg(0, false, "Analyzing records");
        error = ReadRecords();
        sort.Drop();
        sort_ = nullptr;
    }
    engine.DataRecordset().Close();
    engine.OutputRecordset().Close();
    // The handler's own report names an unexpected error; the run reports that.
    return handled_ ? std::string() : error;
}

std::string CPercentiles::CreateOutput(const std::string& strOutputTable) {
    ProcedureScope scope(engine_->ErrorHandler(), "CreateOutput");
    engine_->Quorvane_DeleteTable(false, strOutputTable);
    TableDef def = engine_->OutputDatabase().CreateTableDef(strOutputTable);
    int ordinal = 1;
    AddGroupColumns(*engine_, def, ordinal, InputFields{*fields_, types_, sizes_, groups_});
    engine_->AddTableField(def, "Percentile", dbDouble, ordinal, 0);
    engine_->AddTableField(def, "Value", dbDouble, ordinal, 0);
    return engine_->Quorvane_CreateTable(def, true);
}

std::string CPercentiles::ReadRecords() {
    ProcedureScope scope(engine_->ErrorHandler(), "ReadRecords");
    GroupWalk walk(*engine_, groups_);
    return walk.Run([this] { return InitData(); }, [this] { return CalcData(); },
                    [this](const std::vector<Value>& group, long) { return WriteData(group); });
}

std::string CPercentiles::InitData() {
    ProcedureScope scope(engine_->ErrorHandler(), "InitData");
    n_.assign(static_cast<size_t>(analysisFields_), num::Extended());
    return sort_->Prepare();
}

std::string CPercentiles::CalcData() {
    ProcedureScope scope(engine_->ErrorHandler(), "CalcData");
    double w = 0;
    engine_->Quorvane_WeightCalc(weighted_, *fields_, groups_ + analysisFields_ + 1, w);
    if (!(w > 0)) return {};  // counts as missing for every field
    Recordset& rs = engine_->DataRecordset();
    for (int f = 0; f < analysisFields_; ++f) {
        std::optional<double> x;
        if (std::string e = NumericValue(rs.GetValue(groups_ + f),
                                         (*fields_)[static_cast<size_t>(groups_ + f)], x);
            !e.empty())
            return e;
        if (!x || !engine_->Quorvane_DataOk_b(*x, false)) continue;
        n_[static_cast<size_t>(f)] += w;
        if (Error e = sort_->Append(f + 1, *x, w)) return unexpected(e);
    }
    return {};
}

std::string CPercentiles::WriteData(const std::vector<Value>& group) {
    ProcedureScope scope(engine_->ErrorHandler(), "WriteData");
    const InputFields in{*fields_, types_, sizes_, groups_};
    Recordset& rs = engine_->OutputRecordset();
    std::vector<double> cuts;
    for (int f = 0; f < analysisFields_; ++f) {
        const num::Extended& n = n_[static_cast<size_t>(f)];
        if (!(n > 0.0)) continue;  // no usable value: no rows for this field
        if (std::string e = sort_->CalcPercentiles(f + 1, weighted_, parts_, n.toDouble(), cuts);
            !e.empty())
            return e;
        const std::string& name = (*fields_)[static_cast<size_t>(groups_ + f)];
        for (int j = 1; j < parts_; ++j) {
            Error e = rs.AddNew();
            if (!e) e = WriteGroupColumns(rs, in, group, name);
            if (!e) e = rs.SetValue(groups_ + 1, static_cast<double>(j * step_));
            if (!e) e = rs.SetValue(groups_ + 2, cuts[static_cast<size_t>(j - 1)]);
            if (!e) e = rs.Update();
            if (e) return unexpected(e);
        }
    }
    return {};
}

std::string CPercentiles::unexpected(const Error& e) {
    handled_ = true;
    engine_->ErrorHandler().HandleError(e.number, e.description);
    return e.description.empty() ? std::string("Error ") + std::to_string(e.number) : e.description;
}

}  // namespace qrv
