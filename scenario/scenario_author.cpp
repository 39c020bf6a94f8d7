// Loading a scenario into a draft and saving a draft, the way the wizard's
// controller writes it: the scenario row, the options row, then the field
// rows replaced as a whole, all in one transaction.
#include "scenario/scenario_author.h"

#include <ctime>
#include <filesystem>

#include "dataaccess/dialect/sql_dialect.h"
#include "dataaccess/fold.h"
#include "dataaccess/objects/dbengine.h"
#include "scenario/analysis_types.h"
#include "scenario/option_values.h"
#include "scenario/output_names.h"
#include "scenario/scenario_checks.h"
#include "scenario/scenario_tables.h"
#include "scenario/scenario_validity.h"
#include "scenario/store_transaction.h"

namespace qrv::scenario {

using namespace qrv::dao;

namespace {

bool startsWithFolded(std::string_view name, std::string_view prefix) {
    return name.size() >= prefix.size() && iequal(name.substr(0, prefix.size()), prefix);
}

// Now as a serial date in local time.
double nowSerial() {
    const std::time_t t = std::time(nullptr);
    std::tm local{};
    localtime_r(&t, &local);
    return (static_cast<double>(t) + static_cast<double>(local.tm_gmtoff)) / 86400.0 + 25569.0;
}

Value textOrNull(const std::string& s) {
    return s.empty() ? Value() : Value(s);
}

Error writeScenarioRow(Database& db, ScenarioDraft& d, const std::string& user) {
    auto rs = db.OpenRecordset(kScenarioTable, dbOpenTable);
    if (!rs) return rs.error();
    bool edit = false;
    if (d.id != 0) {
        if (Error e = rs->FindFirst("[Scenario_ID] = " + std::to_string(d.id))) return e;
        edit = !rs->NoMatch();
    }
    // A new scenario is numbered past the largest in use rather than by the
    // table's counter, which would leave the Long range once another program
    // had stored the largest number.
    std::int32_t id = d.id;
    if (id == 0) {
        auto next = NextScenarioNumber(db);
        if (!next) return next.error();
        id = *next;
    }
    if (Error e = edit ? rs->Edit() : rs->AddNew()) return e;
    const std::pair<const char*, Value> row[] = {
        {"SortOrder", Value::int16(static_cast<std::int16_t>(GetScenarioSort(d.subtype)))},
        {"Scenario_Description", textOrNull(d.description)},
        {"Scenario_Analysis_Type", textOrNull(d.category)},
        {"Scenario_Analysis_SubType", textOrNull(d.subtype)},
        {"Scenario_Input_Table_Name", d.input},
        {"Scenario_Output_Table1_Name", d.output1},
        {"Scenario_Output_Table2_Name", d.output2},
        {"Scenario_Version", "V5   "},
        {edit ? "Scenario_LastModified" : "Scenario_DateCreated", Value::date(nowSerial())},
        {edit ? "Scenario_ModifiedBy" : "Scenario_CreatedBy", user},
        {"MissingType", textOrNull(d.missingType)},
        {"MissingEqual", d.missingEqual},
        {"MissingLow", d.missingLow},
        {"MissingHigh", d.missingHigh},
        {"PageLockField1", std::string(255, ' ')},
        {"PageLockField2", std::string(255, ' ')},
        {"PageLockField3", std::string(255, ' ')},
        {"PageLockField4", std::string(255, ' ')},
    };
    for (const auto& [column, value] : row)
        if (Error e = rs->Collect(column, value)) return e;
    if (!edit)
        if (Error e = rs->Collect("Scenario_ID", id)) return e;
    if (Error e = rs->Update()) return e;
    d.id = id;
    return rs->Close();
}

Error writeOptionsRow(Database& db, const ScenarioDraft& d) {
    auto rs = db.OpenRecordset(kOptionsTable, dbOpenTable);
    if (!rs) return rs.error();
    if (Error e = rs->FindFirst("[Scenario_ID] = " + std::to_string(d.id))) return e;
    const bool found = !rs->NoMatch();
    if (Error e = found ? rs->Edit() : rs->AddNew()) return e;
    if (!found)
        if (Error e = rs->Collect("Scenario_ID", d.id)) return e;
    const auto columns = OptionColumns();
    for (size_t i = 0; i < columns.size(); ++i)
        if (Error e = rs->Collect(columns[i].name, i < d.options.size() ? d.options[i] : Value()))
            return e;
    if (Error e = rs->Update()) return e;
    return rs->Close();
}

Error writeFieldRows(Database& db, const ScenarioDraft& d) {
    auto n = db.Execute(std::string("DELETE * FROM ") + kFieldsTable +
                        " WHERE [Scenario_ID] = " + std::to_string(d.id));
    if (!n) return n.error();
    auto rs = db.OpenRecordset(kFieldsTable, dbOpenTable);
    if (!rs) return rs.error();
    for (const DraftField& f : d.fields) {
        if (Error e = rs->AddNew()) return e;
        rs->Collect("Scenario_ID", d.id);
        rs->Collect("FieldDef_Name", f.name);
        rs->Collect("FieldDef_Ordinal_Position",
                    Value::int16(static_cast<std::int16_t>(f.position)));
        rs->Collect("FieldDef_Choice", std::string(1, f.role));
        if (Error e = rs->Update()) return e;
    }
    return rs->Close();
}

}  // namespace

std::vector<std::string> InputChoices(Database& db) {
    std::vector<std::string> out;
    auto keep = [](const std::string& n) {
        return !startsWithFolded(n, "MSYS") && !startsWithFolded(n, "USYS") &&
               !startsWithFolded(n, "~TMPCLP");
    };
    for (const std::string& t : db.TableDefNames())
        if (keep(t)) out.push_back(t);
    for (const std::string& q : db.QueryDefNames())
        if (keep(q)) out.push_back(q);
    return out;
}

Result<std::vector<InputField>> ReadInputFields(Database& db, std::string& name) {
    bool found = false;
    for (const std::string& n : InputChoices(db)) {
        if (iequal(n, name)) {
            name = n;
            found = true;
        }
    }
    if (!found)
        return refusalError(
            {name, "No table or query of that name.", "Tables and queries", InputChoices(db)});
    std::vector<InputField> out;
    if (auto def = db.GetTableDef(name)) {
        for (const Field& f : def->Fields()) out.push_back({f.Name, f.Type});
        return out;
    }
    auto rs = db.OpenRecordset("SELECT * FROM " + bracketName(name), dbOpenSnapshot);
    if (!rs) return rs.error();
    for (int i = 0; i < rs->FieldCount(); ++i)
        out.push_back({rs->FieldAt(i).Name, rs->FieldAt(i).Type});
    rs->Close();
    return out;
}

Result<ScenarioDraft> LoadDraft(Database& db, std::int32_t id) {
    const std::string n = std::to_string(id);
    auto rs = db.OpenRecordset(
        "SELECT * FROM [usysQuorvaneScenarios] WHERE [Scenario_ID] = " + n + ";", dbOpenSnapshot);
    if (!rs) return rs.error();
    if (rs->Eof()) return ScenarioNotFound(db, id);
    ScenarioDraft d;
    d.id = id;
    ReadScenarioRow(*rs, d);
    rs->Close();

    auto o = db.OpenRecordset("SELECT * FROM [usysQuorvaneOptions] WHERE [Scenario_ID] = " + n,
                              dbOpenSnapshot);
    if (!o) return o.error();
    if (!o->Eof()) ReadOptionColumns(*o, d);
    o->Close();

    auto f = db.OpenRecordset(GetFieldListSQL(id), dbOpenSnapshot);
    if (!f) return f.error();
    for (; !f->Eof(); f->MoveNext()) ReadFieldRow(*f, d);
    return d;
}

Result<std::int32_t> SaveDraft(Database& db, ScenarioDraft& d,
                               const std::optional<std::string>& user, const DraftFiles& files) {
    for (const char* t : {kScenarioTable, kOptionsTable, kFieldsTable})
        if (!db.GetTableDef(t))
            return refusalError({"", "This database has no scenario tables.", {}, {}});
    // The input is read and the rows written in one transaction, so the
    // checks hold for what is written.
    StoreTransaction tx(db);
    if (Error e = tx.begin()) return e;
    const AnalysisType* type = nullptr;
    if (auto r = CheckAnalysisType(d.subtype, type)) return refusalError(*r);
    d.subtype = type->name;
    d.category = std::string(1, type->category);
    Database& source = files.source ? *files.source : db;
    Database& output = files.output ? *files.output : source;
    auto input = ReadInputFields(source, d.input);
    if (!input) return input.error();
    for (DraftField& f : d.fields)
        for (const InputField& in : *input)
            if (iequal(in.name, f.name)) f.name = in.name;
    // Positions run from 1 within each role's list, in list order.
    for (char role : kRoles) {
        int position = 0;
        for (DraftField& f : d.fields)
            if (f.role == role) f.position = ++position;
    }
    if (d.options.size() < OptionColumns().size()) d.options.resize(OptionColumns().size());
    DefaultOutputNames(d);
    if (auto r = CheckDraft(d, *input)) return refusalError(*r);
    // A name that every run would refuse is refused now. A table of the name
    // that holds data is not: the run asks before it replaces it.
    OutputNameRequest names;
    names.output1 = d.output1;
    names.output2 = d.output2;
    names.input = d.input;
    auto sameFile = [](const Database& a, const Database& b) {
        std::error_code ec;
        return a.IsOpen() && b.IsOpen() &&
               (a.Name() == b.Name() || std::filesystem::equivalent(a.Name(), b.Name(), ec));
    };
    names.inputHere = sameFile(output, source);
    names.scenariosHere = sameFile(output, db);
    const OutputNameCheck found = CheckOutputNames(output, names);
    if (found.refused()) return refusalError({"", found.refusal, {}, {}});

    const std::int32_t before = d.id;
    Error e = writeScenarioRow(db, d, user ? *user : DBEngine::Instance().Workspaces(0).UserName());
    if (!e) e = writeOptionsRow(db, d);
    if (!e) e = writeFieldRows(db, d);
    if (!e) e = tx.commit();
    if (e) {
        d.id = before;
        return e;
    }
    return d.id;
}

}  // namespace qrv::scenario
