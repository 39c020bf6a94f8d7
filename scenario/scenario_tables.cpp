// Creation of the scenario tables. Each builder defines its table field by
// field, appends it, then (for the options and fields tables) sets the
// descriptions. A failure goes to the error handler and stops the chain; the
// tables already appended stay, so a second attempt shows what went wrong.
// Tables of an earlier layout are remade all together, or not at all, and
// scenario numbers are handed out here.
#include "scenario/scenario_tables.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <vector>

#include "dataaccess/dialect/sql_dialect.h"
#include "dataaccess/objects/tabledef.h"
#include "errors/cerr_zelk.h"
#include "errors/prompter.h"
#include "scenario/options_catalogue.h"
#include "scenario/refusal.h"
#include "scenario/scenario_table_rules.h"

namespace qrv::scenario {

using namespace qrv::dao;

const char* const kInitializeCaption = "Initialize Database";

std::string InitializePrompt() {
    return "This is the first time you have opened this database for use with Quorvane.\r\n\r\n"
           "The Scenario information tables must be created in your database in order for "
           "Quorvane to work. \r\n\r\n"
           "Would you like to add the Quorvane scenario tables to this database?";
}

namespace {

// Reports a failure to the handler (which pops the procedure) and gives false.
bool failed(StoreContext& ctx, const Error& e) {
    if (ctx.errors) ctx.errors->HandleError(e.number, e.description);
    return false;
}

Field makeField(const char* name, int type, long size, bool allowZeroLength,
                const char* deflt = nullptr) {
    Field f(name, type, size);
    if (type == dbText) f.AllowZeroLength = allowZeroLength;
    if (deflt) f.DefaultValue = deflt;
    return f;
}

Index primaryKey(const TableDef& def, std::initializer_list<const char*> fields) {
    Index pk = def.CreateIndex("PrimaryKey");
    for (const char* f : fields) pk.AppendField(f);
    pk.Primary = true;
    return pk;
}

// Sets the "Description" property of each named field, as one batch of writes.
Error describeFields(Database& db, TableDef& def,
                     const std::vector<std::pair<const char*, const char*>>& list) {
    if (Error e = db.BeginTrans()) return e;
    for (auto& [field, text] : list) {
        Field* f = def.FindField(field);
        if (!f) {
            db.Rollback();
            return makeError(err::kItemNotFound, "Item not found in this collection.");
        }
        if (Error e = f->AppendProperty(f->CreateProperty("Description", dbText, text))) {
            db.Rollback();
            return e;
        }
    }
    return db.CommitTrans();
}

using Descriptions = std::vector<std::pair<const char*, const char*>>;

Descriptions optionsDescriptions() {
    Descriptions out{{"Scenario_ID", "Scenario ID"}};
    for (const OptionColumn& c : OptionColumns())
        if (c.description) out.emplace_back(c.name, c.description);
    return out;
}

Descriptions fieldsDescriptions() {
    return {{"Scenario_ID", "Scenario ID"},
            {"FieldDef_Name", "Field Name"},
            {"FieldDef_Ordinal_Position", "The field's ordinal position in the set"},
            {"FieldDef_Choice", "Field assignment type (X, Y, etc.)"}};
}

// One scenario table as this version makes it, with its descriptions.
struct CurrentTable {
    TableDef def;
    Descriptions descriptions;
};

std::vector<CurrentTable> currentTables() {
    return {{ScenarioTableDef(), {}},
            {OptionsTableDef(), optionsDescriptions()},
            {FieldsTableDef(), fieldsDescriptions()}};
}

// Remakes every table given, with its descriptions, as one transaction: on
// any failure all of them stay exactly as they were.
Error remakeTables(Database& db, std::vector<CurrentTable>& tables) {
    if (Error e = db.BeginTrans()) return e;
    for (CurrentTable& t : tables) {
        Error e = db.RebuildTableDef(t.def);
        if (!e && !t.descriptions.empty()) e = describeFields(db, t.def, t.descriptions);
        if (e) {
            db.Rollback();
            return e;
        }
    }
    return db.CommitTrans();
}

const char* const kEarlierLayout =
    "The scenario tables of this database were made by an earlier version of Quorvane";
const char* const kNothingChanged =
    "Nothing was changed: the scenario tables keep the earlier layout and all their rows. ";

std::string brokenRowsText(const std::vector<std::string>& rows) {
    std::string text = std::string(kEarlierLayout) +
                       " and cannot be brought up to date while these rows break today's "
                       "rules:\r\n\r\n";
    for (const std::string& row : rows) text += row + "\r\n";
    return text + "\r\n" + kNothingChanged +
           "Correct or delete these rows, then open the database for writing again to bring "
           "the tables up to date.";
}

std::string failedText(const std::string& why) {
    return std::string(kEarlierLayout) + " and could not be brought up to date:\r\n\r\n" + why +
           "\r\n\r\n" + kNothingChanged +
           "Correct this, then open the database for writing again to bring the tables up to "
           "date.";
}

}  // namespace

const char* const kUpgradeCaption = "Scenario Tables";

bool CheckQuorvaneTables(StoreContext& ctx) {
    for (const char* name : {kScenarioTable, kOptionsTable, kFieldsTable}) {
        if (!ctx.db.GetTableDef(name)) {
            if (!ctx.prompter || !ctx.prompter->askYesNo(kInitializeCaption, InitializePrompt()))
                return false;
            return CreateScenarioTables(ctx);
        }
    }
    UpgradeScenarioTables(ctx);
    return true;
}

std::vector<std::string> UpgradeScenarioTables(StoreContext& ctx) {
    if (!ctx.db.Updatable() || !HasScenarioTables(ctx.db)) return {};
    std::vector<CurrentTable> stale;
    for (CurrentTable& t : currentTables())
        if (!ctx.db.SameDefinition(t.def)) stale.push_back(std::move(t));
    if (stale.empty()) return {};
    std::vector<std::string> broken;
    std::string text;
    for (const CurrentTable& t : stale) {
        auto rows = FindBrokenRows(ctx.db, t.def);
        if (!rows) {
            text = failedText(rows.error().description);
            break;
        }
        broken.insert(broken.end(), rows->begin(), rows->end());
    }
    if (text.empty() && !broken.empty()) text = brokenRowsText(broken);
    if (text.empty())
        if (Error e = remakeTables(ctx.db, stale)) text = failedText(e.description);
    if (text.empty()) return {};
    if (ctx.prompter) ctx.prompter->inform(kUpgradeCaption, text);
    return {text};
}

bool HasScenarioTables(const Database& db) {
    for (const char* name : {kScenarioTable, kOptionsTable, kFieldsTable})
        if (!db.GetTableDef(name)) return false;
    return true;
}

Result<std::int32_t> NextScenarioNumber(Database& db) {
    constexpr double kLargest = std::numeric_limits<std::int32_t>::max();
    double largest = 0;
    // Read as a number, never as a Long: one beyond the range must not wrap.
    for (const char* table : {kScenarioTable, kOptionsTable, kFieldsTable}) {
        auto rs = db.OpenRecordset("SELECT Max([Scenario_ID]) FROM " + bracketName(table) +
                                       " WHERE [Scenario_ID] Between -9e999 And 9e999",
                                   dbOpenSnapshot);
        if (!rs) return rs.error();
        if (auto x = rs->GetValue(0).toDouble()) largest = std::max(largest, std::floor(*x));
    }
    // The table's counter goes on past numbers of deleted scenarios, whose
    // output tables still carry them: its next number is taken while it lies
    // past every number in use and within the range.
    if (largest < kLargest) {
        auto rs = db.OpenRecordset(kScenarioTable, dbOpenTable);
        if (!rs) return rs.error();
        if (!rs->AddNew()) {
            auto counter = rs->GetValue("Scenario_ID");
            rs->CancelUpdate();
            const auto next = counter ? counter->toDouble() : std::nullopt;
            if (next && *next > largest && *next <= kLargest)
                return static_cast<std::int32_t>(*next);
        }
    }
    if (largest > kLargest)
        return refusalError({"",
                             "Scenario number " + numberToText(largest) +
                                 " is beyond the largest a scenario may have, 2147483647. "
                                 "Delete that scenario or give it a smaller number, then try "
                                 "again.",
                             {},
                             {}});
    if (largest == kLargest)
        return refusalError({"",
                             "No scenario number is left: the largest, 2147483647, is in use. "
                             "Delete that scenario or give it a smaller number, then try again.",
                             {},
                             {}});
    return static_cast<std::int32_t>(largest) + 1;
}

bool CreateScenarioTables(StoreContext& ctx) {
    bool ok = BuildScenarioTable(ctx);
    if (ok) ok = BuildScenarioOptionsTable(ctx);
    if (ok) ok = BuildScenarioFieldsTable(ctx);
    return ok;
}

TableDef ScenarioTableDef() {
    TableDef def(kScenarioTable);
    def.EnforceTypes = true;
    Field id = makeField("Scenario_ID", dbLong, 4, false);
    id.Attributes = dbAutoIncrField;
    Field fields[] = {
        id,
        makeField("SortOrder", dbInteger, 2, false),
        makeField("Scenario_Description", dbText, 255, false),
        makeField("Scenario_Analysis_Type", dbText, 1, false),
        makeField("Scenario_Analysis_SubType", dbText, 30, false),
        makeField("Scenario_Input_Table_Name", dbText, 64, true),
        makeField("Scenario_Output_Table1_Name", dbText, 50, true),
        makeField("Scenario_Output_Table2_Name", dbText, 64, true),
        makeField("Scenario_Version", dbText, 5, false),
        makeField("Scenario_DateCreated", dbDate, 8, false),
        makeField("Scenario_LastModified", dbDate, 8, false),
        makeField("Scenario_CreatedBy", dbText, 15, false),
        makeField("Scenario_ModifiedBy", dbText, 50, false),
        makeField("MissingType", dbText, 1, false),
        makeField("MissingEqual", dbDouble, 8, false),
        makeField("MissingLow", dbDouble, 8, false),
        makeField("MissingHigh", dbDouble, 8, false),
        makeField("PageLockField1", dbText, 255, false),
        makeField("PageLockField2", dbText, 255, false),
        makeField("PageLockField3", dbText, 255, false),
        makeField("PageLockField4", dbText, 255, false),
    };
    for (Field& f : fields) def.AppendField(f);
    def.AppendIndex(primaryKey(def, {"Scenario_ID"}));
    ApplyValueRules(def);
    return def;
}

TableDef OptionsTableDef() {
    TableDef def(kOptionsTable);
    def.EnforceTypes = true;
    def.AppendField(makeField("Scenario_ID", dbLong, 4, false));
    for (const OptionColumn& c : OptionColumns())
        def.AppendField(makeField(c.name, c.type, c.size, false, c.deflt));
    def.AppendIndex(primaryKey(def, {"Scenario_ID"}));
    // The ranges a user may type hold for every writer; Null means the
    // default or, for CIUser, no level of the user's.
    ApplyValueRules(def);
    return def;
}

TableDef FieldsTableDef() {
    TableDef def(kFieldsTable);
    def.EnforceTypes = true;
    Field choice = makeField("FieldDef_Choice", dbText, 1, false);
    choice.Required = true;  // a field row without a role means nothing
    for (Field f :
         {makeField("Scenario_ID", dbLong, 4, false), makeField("FieldDef_Name", dbText, 64, false),
          makeField("FieldDef_Ordinal_Position", dbInteger, 2, false), choice})
        def.AppendField(f);
    def.AppendIndex(primaryKey(def, {"Scenario_ID", "FieldDef_Name"}));
    Index ix = def.CreateIndex("IX_Scenario_ID");
    ix.AppendField("Scenario_ID");
    def.AppendIndex(ix);
    ApplyValueRules(def);
    return def;
}

bool BuildScenarioTable(StoreContext& ctx) {
    std::optional<ProcedureScope> scope;
    if (ctx.errors) scope.emplace(*ctx.errors, "modScenarioTables:BuildScenarioTable");
    TableDef def = ScenarioTableDef();
    if (Error e = ctx.db.AppendTableDef(def)) return failed(ctx, e);
    return true;
}

bool BuildScenarioOptionsTable(StoreContext& ctx) {
    std::optional<ProcedureScope> scope;
    if (ctx.errors) scope.emplace(*ctx.errors, "modScenarioTables:BuildScenarioOptionsTable");
    TableDef def = OptionsTableDef();
    if (Error e = ctx.db.AppendTableDef(def)) return failed(ctx, e);
    if (Error e = describeFields(ctx.db, def, optionsDescriptions())) return failed(ctx, e);
    return true;
}

bool BuildScenarioFieldsTable(StoreContext& ctx) {
    std::optional<ProcedureScope> scope;
    if (ctx.errors) scope.emplace(*ctx.errors, "modScenarioTables:BuildScenarioFieldsTable");
    TableDef def = FieldsTableDef();
    if (Error e = ctx.db.AppendTableDef(def)) return failed(ctx, e);
    if (Error e = describeFields(ctx.db, def, fieldsDescriptions())) return failed(ctx, e);
    return true;
}

std::string GetScenOptionSQL(std::int32_t scenario) {
    std::string sql =
        "SELECT  * FROM [usysQuorvaneScenarios] INNER JOIN [usysQuorvaneOptions] ON "
        "[usysQuorvaneScenarios].Scenario_ID = [usysQuorvaneOptions].Scenario_ID ";
    if (scenario != 0)
        sql += "WHERE [usysQuorvaneScenarios].Scenario_ID=" + std::to_string(scenario);
    return sql;
}

std::string GetFieldListSQL(std::int32_t scenario) {
    return "SELECT * FROM [usysQuorvaneFields] WHERE Scenario_ID=" + std::to_string(scenario) +
           " order by FieldDef_Choice, FieldDef_Ordinal_Position";
}

}  // namespace qrv::scenario
