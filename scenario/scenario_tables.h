// The three scenario tables inside the user's database: the first-open check
// that offers to create them, their builders, and the texts of the queries
// that read scenarios back.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "dataaccess/objects/database.h"
#include "dataaccess/objects/tabledef.h"

namespace qrv {
class CErr_Zelk;
class Prompter;
}  // namespace qrv

namespace qrv::scenario {

inline constexpr const char* kScenarioTable = "usysQuorvaneScenarios";
inline constexpr const char* kOptionsTable = "usysQuorvaneOptions";
inline constexpr const char* kFieldsTable = "usysQuorvaneFields";

// Everything the builders need: the database to work on, where errors go
// and who answers the first-open question.
struct StoreContext {
    dao::Database db;
    CErr_Zelk* errors = nullptr;  // may be null: errors are then only returned as false
    Prompter* prompter = nullptr;
};

// True when the three tables exist or have just been created with the user's
// consent. Existing tables made by an earlier version are brought up to date
// on the way (UpgradeScenarioTables); when that is refused they keep working
// as they are, and this is still true.
bool CheckQuorvaneTables(StoreContext& ctx);
// Remakes the scenario tables whose stored definition is not the current
// one, keeping every row and scenario number, so rows other programs write
// obey today's rules. All or nothing, in one transaction: when rows break
// those rules (each is named), or a table has a field or trigger another
// program gave it, no table is changed and the user is told; the texts told
// are returned. Nothing on a read-only file or one without the three tables.
std::vector<std::string> UpgradeScenarioTables(StoreContext& ctx);
// True when db holds all three tables.
bool HasScenarioTables(const dao::Database& db);
// The number for a new scenario: past the largest in use in any of the three
// tables, the table's counter's next when it is (so a deleted scenario's
// number is not handed out again), else one past the largest; refused in
// words when that would leave the Long range.
dao::Result<std::int32_t> NextScenarioNumber(dao::Database& db);
// Builds the three tables in order, stopping at the first failure.
bool CreateScenarioTables(StoreContext& ctx);
bool BuildScenarioTable(StoreContext& ctx);
bool BuildScenarioOptionsTable(StoreContext& ctx);
bool BuildScenarioFieldsTable(StoreContext& ctx);

// The three tables' definitions as the builders append them (descriptions
// are set after appending). Besides the columns and keys, they hold every
// column to its type and the options to the ranges the analyses need, for
// rows written by any SQLite client.
dao::TableDef ScenarioTableDef();
dao::TableDef OptionsTableDef();
dao::TableDef FieldsTableDef();

// The scenario row joined with its options row; 0 means every scenario.
std::string GetScenOptionSQL(std::int32_t scenario);
// The field rows of a scenario in role and position order.
std::string GetFieldListSQL(std::int32_t scenario);

// The caption and text of the first-open question; the caption of the
// message about tables left as an earlier version made them.
extern const char* const kInitializeCaption;
extern const char* const kUpgradeCaption;
std::string InitializePrompt();

}  // namespace qrv::scenario
