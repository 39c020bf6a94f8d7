// The rules for a scenario's output table names, in one place for every
// caller: a run, `new` and `set`, the wizard and the designer's runs. An
// output never replaces what the scenario reads (its input, a table its input
// query reads), a stored query, the scenario tables or the program's own
// tables, nor the other output; and an existing table that no run of this
// scenario wrote is replaced only when the user confirms it as data, No being
// the safe answer. The check only looks: each caller refuses or asks in its
// own way.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "dataaccess/objects/database.h"

namespace qrv::scenario {

// The table property recording which scenario's run wrote an output table. It
// goes with the table, through renames, not with its name.
inline constexpr const char* kOwnerProperty = "QuorvaneWrittenBy";
// Runs write their output tables under names with this prefix and swap them
// in at the end; no user table may take such a name.
inline constexpr std::string_view kWorkingPrefix = "~qrvwork_";
bool IsWorkingTableName(std::string_view name);

// What the runs of scenario `id` record on the tables they write.
// scenarioFile: the file that holds the scenario when it is not the file the
// outputs go to (scenario numbers are unique only within their file); empty
// when they share one, as in the designer and in `new`/`set`.
std::string OutputOwnerTag(std::int32_t id, const std::string& scenarioFile = {});

struct OutputNameRequest {
    std::string output1, output2;  // an empty name is no output
    std::string input;             // the scenario's input table or stored query
    // The input is read from the output database (so neither it nor a table
    // its query reads may be replaced there).
    bool inputHere = true;
    // The output database holds the scenario tables.
    bool scenariosHere = true;
    // Other names the scenario tables go by in this run, besides the usual three.
    std::vector<std::string> scenarioTables;
    // OutputOwnerTag of the scenario; empty for one not stored yet, which
    // wrote nothing, so every existing table is someone else's.
    std::string owner;
};

struct OutputNameCheck {
    // The first name refused and why, a sentence ending in what to do; empty
    // when no name is refused.
    std::string refusal;
    // Existing tables of those names, as stored, that no run of this scenario
    // wrote: replaced only after a confirmation (ReplaceDataQuestion).
    std::vector<std::string> foreign;

    bool refused() const { return !refusal.empty(); }
};

// Checks the names against the database the tables are written to.
OutputNameCheck CheckOutputNames(dao::Database& output, const OutputNameRequest& request);

// The question that asks to replace foreign tables, naming them as data.
std::string ReplaceDataQuestion(const std::vector<std::string>& foreign);
// What a run says when they were not replaced.
std::string NotReplacedText(const std::vector<std::string>& foreign);

}  // namespace qrv::scenario
