// Duplicating and deleting scenarios, and storing the queries scenarios read.
// Each is one transaction: a failure part-way leaves the tables as they were.
// A copy is numbered past the largest scenario number in use.
#include <algorithm>

#include "dataaccess/dialect/sql_dialect.h"
#include "dataaccess/fold.h"
#include "scenario/scenario_author.h"
#include "scenario/scenario_tables.h"
#include "scenario/scenario_validity.h"
#include "scenario/store_transaction.h"

namespace qrv::scenario {

using namespace qrv::dao;

namespace {

using Overrides = std::initializer_list<std::pair<const char*, Value>>;

// Copies every column of one row into a new row of table, but the columns
// given their own values.
Error copyRow(Recordset& from, Recordset& to, Overrides overrides) {
    if (Error e = to.AddNew()) return e;
    for (int i = 0; i < from.FieldCount(); ++i) {
        const std::string& name = from.FieldAt(i).Name;
        if (std::any_of(overrides.begin(), overrides.end(),
                        [&](const auto& o) { return iequal(name, o.first); }))
            continue;
        if (Error e = to.Collect(name, from.GetValue(i))) return e;
    }
    for (const auto& [name, value] : overrides)
        if (Error e = to.Collect(name, value)) return e;
    return to.Update();
}

Result<bool> scenarioExists(Database& db, std::int32_t id) {
    auto rs = db.OpenRecordset(
        "SELECT [Scenario_ID] FROM [usysQuorvaneScenarios] WHERE "
        "[Scenario_ID] = " +
            std::to_string(id),
        dbOpenSnapshot);
    if (!rs) return rs.error();
    return !rs->Eof();
}

std::vector<std::string> scenarioNumbers(Database& db) {
    std::vector<std::string> out;
    auto rs = db.OpenRecordset(
        "SELECT [Scenario_ID] FROM [usysQuorvaneScenarios] ORDER BY [Scenario_ID]", dbOpenSnapshot);
    if (!rs) return out;
    for (; !rs->Eof(); rs->MoveNext()) out.push_back(rs->GetValue(0).toText());
    return out;
}

Error copyScenario(Database& db, std::int32_t id, const std::string& description,
                   std::int32_t& newId) {
    const std::string old = std::to_string(id);
    auto src = db.OpenRecordset(
        "SELECT * FROM [usysQuorvaneScenarios] WHERE [Scenario_ID] = " + old + ";", dbOpenSnapshot);
    if (!src) return src.error();
    if (src->Eof()) return ScenarioNotFound(db, id);
    auto next = NextScenarioNumber(db);
    if (!next) return next.error();
    newId = *next;
    auto dst = db.OpenRecordset(kScenarioTable, dbOpenDynaset);
    if (!dst) return dst.error();
    if (Error e =
            copyRow(*src, *dst, {{"Scenario_ID", newId}, {"Scenario_Description", description}}))
        return e;
    src->Close();
    dst->Close();

    auto srcOptions = db.OpenRecordset(
        "SELECT * FROM [usysQuorvaneOptions] WHERE [Scenario_ID] = " + old, dbOpenSnapshot);
    if (!srcOptions) return srcOptions.error();
    auto dstOptions = db.OpenRecordset(kOptionsTable, dbOpenTable);
    if (!dstOptions) return dstOptions.error();
    if (!srcOptions->Eof()) {
        if (Error e = copyRow(*srcOptions, *dstOptions, {{"Scenario_ID", newId}})) return e;
    } else {
        // A scenario without its options row gets one with the defaults.
        if (Error e = dstOptions->AddNew()) return e;
        if (Error e = dstOptions->Collect("Scenario_ID", newId)) return e;
        if (Error e = dstOptions->Update()) return e;
    }
    srcOptions->Close();
    dstOptions->Close();

    auto n = db.Execute(
        "INSERT INTO [usysQuorvaneFields] (Scenario_Id, FieldDef_Name, "
        "FieldDef_Ordinal_Position, FieldDef_Choice ) SELECT " +
        std::to_string(newId) +
        " AS Expr1, [FieldDef_Name], [FieldDef_Ordinal_Position], [FieldDef_Choice] FROM "
        "[usysQuorvaneFields] WHERE [Scenario_ID]=" +
        old);
    return n ? Error{} : n.error();
}

}  // namespace

Error ScenarioNotFound(Database& db, std::int32_t id) {
    return refusalError(
        {"", "Scenario " + std::to_string(id) + " not found.", "Scenarios", scenarioNumbers(db)});
}

std::string CopyDescription(const std::string& description) {
    return "Copy of " + description;
}

Result<std::int32_t> CopyScenario(Database& db, std::int32_t id, const std::string& description) {
    if (description.empty())
        return refusalError({"", "The new scenario description must not be empty.", {}, {}});
    std::int32_t newId = 0;
    StoreTransaction tx(db);
    Error e = tx.begin();
    // A copy of a scenario that cannot run could not run either.
    if (!e) {
        auto verdict = CheckStoredScenario(db, id);
        if (!verdict)
            e = verdict.error();
        else if (*verdict)
            e = refusalError({"Scenario " + std::to_string(id) + " is not copied",
                              "it cannot run. " + (*verdict)->Text(),
                              {},
                              {}});
    }
    if (!e) e = copyScenario(db, id, description, newId);
    if (!e) e = tx.commit();
    if (e) return e;
    return newId;
}

Error DeleteScenarios(Database& db, const std::vector<std::int32_t>& ids) {
    StoreTransaction tx(db);
    if (Error e = tx.begin()) return e;
    for (std::int32_t id : ids) {
        auto exists = scenarioExists(db, id);
        if (!exists) return exists.error();
        if (!*exists) return ScenarioNotFound(db, id);
    }
    for (std::int32_t id : ids) {
        for (const char* table : {kScenarioTable, kFieldsTable, kOptionsTable}) {
            auto n = db.Execute(std::string("DELETE * FROM [") + table +
                                "] WHERE [Scenario_ID] = " + std::to_string(id) + ";");
            if (!n) return n.error();
        }
    }
    return tx.commit();
}

Error StoreQuery(Database& db, const std::string& name, const std::string& sql) {
    if (db.GetTableDef(name))
        return refusalError(
            {name, "A table has that name; a query cannot take its place.", {}, {}});
    std::string stored = name;
    for (const std::string& q : db.QueryDefNames())
        if (iequal(q, name)) stored = q;
    StoreTransaction tx(db);
    Error e = tx.begin();
    if (!e && db.GetQueryDef(stored)) e = db.DeleteQueryDef(stored);
    if (!e) e = db.CreateQueryDef(stored, sql);  // a replacement keeps the stored spelling
    if (!e) e = tx.commit();
    return e;
}

Result<std::string> QueryText(Database& db, const std::string& name) {
    auto q = db.GetQueryDef(name);
    if (!q) return refusalError({name, "No query of that name.", "Queries", db.QueryDefNames()});
    return q->SQL;
}

}  // namespace qrv::scenario
