// Whether a stored scenario can run. The scenario tables are plain tables
// that any SQLite client may write, so the rows are checked again before a
// run with the authoring checks (scenario_checks.h), plus what only stored
// rows can get wrong: a category that does not match the analysis, an
// ignore-rule code the engine does not know, option values no authoring
// path writes. The engine, `info` and `copy` all ask this one routine.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "dataaccess/objects/database.h"
#include "dataaccess/objects/recordset.h"
#include "scenario/refusal.h"
#include "scenario/scenario_draft.h"

namespace qrv::scenario {

// The first rule the scenario breaks, or nothing. The refusal's subject
// names the row and column (or field row) at fault. input: the fields of the
// scenario's input, or null when they are not known (the fields' presence
// and types are then not checked).
std::optional<Refusal> CheckStoredScenario(const ScenarioDraft& d,
                                           const std::vector<InputField>* input);

// The verdict on a scenario as stored in db, with the fields of its input
// when the input is in db. inputChecked tells whether it was.
dao::Result<std::optional<Refusal>> CheckStoredScenario(dao::Database& db, std::int32_t id,
                                                        bool* inputChecked = nullptr);

// Fills a draft from a scenario row, which may be joined with its options
// row: the scenario columns, and every option column (its default when the
// row has no such column).
void ReadScenarioRow(const dao::Recordset& rs, ScenarioDraft& d);
// Only the option columns.
void ReadOptionColumns(const dao::Recordset& rs, ScenarioDraft& d);
// Adds the field row the recordset stands on.
void ReadFieldRow(const dao::Recordset& rs, ScenarioDraft& d);

// The fields of a table or stored query, read without fetching its rows.
// A query that needs parameters gives error 3061.
dao::Result<std::vector<InputField>> InputFieldsOf(dao::Database& db, const std::string& name);

}  // namespace qrv::scenario
