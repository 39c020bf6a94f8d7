// What the authoring commands share: opening the database they change,
// reading a scenario number, and reporting a refusal or an error.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "dataaccess/objects/database.h"
#include "scenario/refusal.h"
#include "scenario/scenario_draft.h"

namespace CLI {
class App;
class Option;
}  // namespace CLI

namespace qrv::cli {

// Opens an existing database; with scenarioTables, one that has them.
// On failure prints why and gives nothing.
// connect carries the password (see databaseConnect).
std::optional<dao::Database> openForAuthoring(const std::string& path, const std::string& connect,
                                              bool readOnly, bool scenarioTables = true);
// Writing to a file brings scenario tables of an earlier layout up to date;
// rows that stand in the way are named on standard error.
void UpgradeOnWrite(dao::Database& db);
// A scenario number from text, or nothing after printing why.
std::optional<std::int32_t> parseScenarioId(const std::string& text);
// Prints "quorvane: " and the text, CR LF as plain line breaks; gives exit code 1.
int report(const std::string& text);
int report(const dao::Error& e);
int report(const scenario::Refusal& r);
// Tells on standard error of existing tables of the draft's output names that
// hold data its runs did not write: not refused, but run will ask.
void noteForeignOutputs(dao::Database& db, const scenario::ScenarioDraft& d);
// The --ignore-* options of new and set.
struct IgnoreOptions {
    std::string equal, below, above;
    CLI::Option *equalOpt = nullptr, *belowOpt = nullptr, *aboveOpt = nullptr, *noneOpt = nullptr;
    void add(CLI::App& command, bool withNone);
    bool given() const;
    // Sets the draft's rule when one was given; false after printing why not.
    bool apply(scenario::ScenarioDraft& d) const;
};
// Applies OPTION=VALUE texts in order; the first refused one stops. outTwo
// tells whether Out2 was among them.
std::optional<scenario::Refusal> applyAssignments(scenario::ScenarioDraft& d,
                                                  const std::vector<std::string>& list,
                                                  bool* outTwo = nullptr);

void addNewCommand(CLI::App& app, int& exitCode);
void addSetCommand(CLI::App& app, int& exitCode);
void addInfoCommand(CLI::App& app, int& exitCode);
void addCopyCommand(CLI::App& app, int& exitCode);
void addDeleteCommand(CLI::App& app, int& exitCode);
void addQueryCommand(CLI::App& app, int& exitCode);

}  // namespace qrv::cli
