// Creation of the scenario tables. Each builder defines its table field by
// field, appends it, then (for the options and fields tables) sets the
// descriptions. A failure goes to the error handler and stops the chain; the
// tables already appended stay, so a second attempt shows what went wrong.
#include "scenario/scenario_tables.h"

#include <optional>
#include <vector>

#include "dataaccess/tabledef.h"
#include "errors/cerr_zelk.h"
#include "errors/prompter.h"
#include "scenario/options_catalogue.h"

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

// Remakes one table from its definition now, with its descriptions, as one
// transaction: on any failure the table stays exactly as it was.
Error upgradeTable(Database& db, TableDef def, const Descriptions& descriptions) {
    if (Error e = db.BeginTrans()) return e;
    Error e = db.RebuildTableDef(def);
    if (!e && !descriptions.empty()) e = describeFields(db, def, descriptions);
    if (e) {
        db.Rollback();
        return e;
    }
    return db.CommitTrans();
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
    std::vector<std::string> kept;
    if (!ctx.db.Updatable()) return kept;
    const std::pair<TableDef, Descriptions> tables[] = {
        {ScenarioTableDef(), {}},
        {OptionsTableDef(), optionsDescriptions()},
        {FieldsTableDef(), fieldsDescriptions()},
    };
    for (const auto& [def, descriptions] : tables) {
        if (ctx.db.SameDefinition(def)) continue;
        Error e = upgradeTable(ctx.db, def, descriptions);
        if (!e) continue;
        std::string text = "The scenario table '" + def.Name +
                           "' was made by an earlier version of Quorvane and could not be "
                           "brought up to date:\r\n\r\n" +
                           e.description +
                           "\r\n\r\nIt keeps working as it is, with all its rows. Correct "
                           "the data and open the database again to update it.";
        if (ctx.prompter) ctx.prompter->inform(kUpgradeCaption, text);
        kept.push_back(std::move(text));
    }
    return kept;
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
    return def;
}

TableDef OptionsTableDef() {
    TableDef def(kOptionsTable);
    def.EnforceTypes = true;
    def.AppendField(makeField("Scenario_ID", dbLong, 4, false));
    for (const OptionColumn& c : OptionColumns()) {
        Field f = makeField(c.name, c.type, c.size, false, c.deflt);
        if (std::string_view(c.name) == "FreqWidth") {
            f.ValidationRule = "Is Null Or >0";
            f.ValidationText = "Interval Width must be greater than zero";
        }
        def.AppendField(f);
    }
    // Ranges the analyses depend on. Null means the default (InterV, RPoly)
    // or no user level (CIUser, where 0 means none as well).
    def.ValidationRule =
        "([CIUser] Is Null Or [CIUser] Between 0 And 100) And ([InterV] Is Null Or [InterV] >= 1) "
        "And ([RPoly] Is Null Or [RPoly] >= 1)";
    def.ValidationText =
        "The confidence level (CIUser) must be from 0 to 100 percent, and the number of "
        "intervals (InterV) and the polynomial order (RPoly) at least 1.";
    def.AppendIndex(primaryKey(def, {"Scenario_ID"}));
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
