// The three scenario tables inside the user's database: the first-open check
// that offers to create them, their builders, and the texts of the queries
// that read scenarios back.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "dataaccess/database.h"
#include "dataaccess/tabledef.h"

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
// on the way (UpgradeScenarioTables).
bool CheckQuorvaneTables(StoreContext& ctx);
// Remakes each scenario table whose stored definition is not the current one,
// keeping every row and scenario number, so rows other programs write obey
// today's rules. A table whose rows break those rules (or that another
// program gave a field or trigger of its own) is left exactly as it is and
// the user is told; the texts told are returned. Nothing on a read-only file.
std::vector<std::string> UpgradeScenarioTables(StoreContext& ctx);
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
// message about a table left as an earlier version made it.
extern const char* const kInitializeCaption;
extern const char* const kUpgradeCaption;
std::string InitializePrompt();

}  // namespace qrv::scenario
