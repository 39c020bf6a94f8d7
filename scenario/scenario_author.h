// Reading, saving, copying and deleting scenarios in the three scenario
// tables, each as one transaction: a refused or failed command changes
// nothing. Saving runs every check of the wizard first (scenario_checks.h).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "dataaccess/objects/database.h"
#include "scenario/refusal.h"
#include "scenario/scenario_draft.h"

namespace qrv::scenario {

// The tables and stored queries a scenario can read, as the table page lists
// them: without names beginning with "MSYS", "USYS" or "~TMPCLP".
std::vector<std::string> InputChoices(dao::Database& db);
// The fields of a table or stored query. name is matched in any letter case
// and set to the name as stored; a refusal lists the inputs there are.
dao::Result<std::vector<InputField>> ReadInputFields(dao::Database& db, std::string& name);

// The scenario as stored, every option column included (defaults where the
// options row is missing); fields in role and position order.
dao::Result<ScenarioDraft> LoadDraft(dao::Database& db, std::int32_t id);
// The refusal of a scenario number that is not stored, listing the ones that are.
dao::Error ScenarioNotFound(dao::Database& db, std::int32_t id);
// The files a scenario's runs read and write when they are not the file
// that holds the scenario (run --source and --output): the input and its
// fields are checked in source, the output names in output. Without an
// output the outputs go to the source, as in a run; a closed output stands
// for a file not made yet, where no name is taken.
struct DraftFiles {
    dao::Database* source = nullptr;
    dao::Database* output = nullptr;
};
// Checks the draft as the wizard does (after giving empty output names their
// defaults and field names their spelling in the input) and writes it:
// a new scenario when d.id is 0, else over the stored one. Returns the
// scenario number, also set in d.id. The creator or last editor written is
// user, or the user of the default workspace when none is given.
dao::Result<std::int32_t> SaveDraft(dao::Database& db, ScenarioDraft& d,
                                    const std::optional<std::string>& user = std::nullopt,
                                    const DraftFiles& files = {});

// Copies a scenario with its options and fields under a new description;
// returns the new number.
dao::Result<std::int32_t> CopyScenario(dao::Database& db, std::int32_t id,
                                       const std::string& description);
// The description a copy gets when none is given.
std::string CopyDescription(const std::string& description);
// Removes scenarios from all three tables: all of them or, when one is not
// there, none.
dao::Error DeleteScenarios(dao::Database& db, const std::vector<std::int32_t>& ids);

// Changes one thing of a draft by name: an option column, or Description,
// Input, Out or Out2 (any letter case). Refused: an unknown name (the valid
// ones are listed), a value the option cannot hold.
std::optional<Refusal> ApplySetting(ScenarioDraft& d, std::string_view name,
                                    std::string_view value);
// The rule for values to ignore: none, one value, or below and/or above.
void SetIgnoreNone(ScenarioDraft& d);
void SetIgnoreEqual(ScenarioDraft& d, double value);
void SetIgnoreRange(ScenarioDraft& d, std::optional<double> below, std::optional<double> above);

// Stores a query under name, replacing a query of that name in one step;
// refused when name is a table.
dao::Error StoreQuery(dao::Database& db, const std::string& name, const std::string& sql);
// A stored query's text as written.
dao::Result<std::string> QueryText(dao::Database& db, const std::string& name);

}  // namespace qrv::scenario
