// Registers the authoring commands and the helpers they share.
#include "cli/authoring_commands.h"

#include <CLI/CLI.hpp>
#include <charconv>
#include <iostream>

#include "cli/authoring_common.h"
#include "cli/console_prompter.h"
#include "dataaccess/fold.h"
#include "dataaccess/objects/dbengine.h"
#include "scenario/output_names.h"
#include "scenario/scenario_author.h"
#include "scenario/scenario_tables.h"

namespace qrv::cli {

using namespace qrv::dao;

namespace {
constexpr std::string_view kCommands[] = {"new", "set", "info", "copy", "delete", "query"};

std::optional<std::int32_t> scenarioNumber(const std::string& text) {
    std::int32_t id = 0;
    auto [p, ec] = std::from_chars(text.data(), text.data() + text.size(), id);
    if (ec != std::errc() || p != text.data() + text.size() || id <= 0) return std::nullopt;
    return id;
}

// Malformed words are usage errors, found while the command line is parsed.
std::string checkScenarioNumber(const std::string& text) {
    return scenarioNumber(text) ? "" : "'" + text + "' is not a scenario number";
}

std::string checkAssignment(const std::string& text) {
    const auto eq = text.find('=');
    return eq != std::string::npos && eq > 0 ? "" : "expected OPTION=VALUE, not '" + text + "'";
}
}  // namespace

void addAuthoringCommands(CLI::App& app, int& exitCode) {
    addNewCommand(app, exitCode);
    addSetCommand(app, exitCode);
    addInfoCommand(app, exitCode);
    addCopyCommand(app, exitCode);
    addDeleteCommand(app, exitCode);
    addQueryCommand(app, exitCode);
    // What each argument holds, for the usage lines.
    const std::pair<const char*, const char*> kinds[] = {
        {"DB", "FILE"},
        {"ID", "NUMBER"},
        {"INPUT", "NAME"},
        {"--x", "FIELD"},
        {"--y", "FIELD"},
        {"--group", "FIELD"},
        {"--compare", "FIELD"},
        {"--weight", "FIELD"},
        {"--out", "TABLE"},
        {"--out2", "TABLE"},
        {"--set", "OPTION=VALUE"},
        {"ASSIGNMENTS", "OPTION=VALUE"},
        {"--ignore-equal", "V"},
        {"--ignore-below", "L"},
        {"--ignore-above", "H"},
        {"--description", "TEXT"},

    };
    for (CLI::App* command : app.get_subcommands({})) {
        const bool authoring = isAuthoringCommand(command->get_name());
        for (CLI::Option* option : command->get_options({})) {
            const std::string& name = option->get_name();
            for (const auto& [arg, kind] : kinds)
                if (name == arg) option->type_name(kind);
            if (!authoring) continue;
            if (name == "ID") option->check(checkScenarioNumber);
            if (name == "--set" || name == "ASSIGNMENTS") option->check(checkAssignment);
        }
    }
}

bool isAuthoringCommand(std::string_view name) {
    for (std::string_view c : kCommands)
        if (c == name) return true;
    return false;
}

int report(const std::string& text) {
    std::cerr << "quorvane: " << plainLines(text) << "\n";
    return 1;
}

int report(const Error& e) {
    return report(e.description);
}

int report(const scenario::Refusal& r) {
    return report(r.Text());
}

void noteForeignOutputs(Database& db, const scenario::ScenarioDraft& d) {
    scenario::OutputNameRequest r;
    r.output1 = d.output1;
    r.output2 = d.output2;
    r.input = d.input;
    r.owner = scenario::OutputOwnerTag(d.id);
    for (const std::string& name : scenario::CheckOutputNames(db, r).foreign)
        std::cerr << "quorvane: note: the table [" << name
                  << "] holds data that no run of this scenario wrote; run asks before "
                     "replacing it (or give --replace).\n";
}

std::optional<Database> openForAuthoring(const std::string& path, const std::string& connect,
                                         bool readOnly, bool scenarioTables) {
    auto db = DBEngine::Instance().OpenDatabase(path, false, readOnly, connect);
    if (!db) {
        report(db.error());
        return std::nullopt;
    }
    if (!readOnly && !db->Updatable()) {
        report("Cannot update. Database or object is read-only.");
        return std::nullopt;
    }
    if (scenarioTables && !scenario::HasScenarioTables(*db)) {
        report(path + " has no scenario tables; add them with: quorvane init " + path);
        return std::nullopt;
    }
    if (!readOnly) UpgradeOnWrite(*db);
    return *db;
}

void UpgradeOnWrite(Database& db) {
    // When rows stand in the way the tables keep working as they are: the
    // user is told which rows, and the command goes on.
    if (!db.Updatable() || !scenario::HasScenarioTables(db)) return;
    scenario::StoreContext ctx{db, nullptr, nullptr};
    for (const std::string& text : scenario::UpgradeScenarioTables(ctx))
        std::cerr << "quorvane: note: " << plainLines(text) << "\n";
}

std::optional<std::int32_t> parseScenarioId(const std::string& text) {
    auto id = scenarioNumber(text);
    if (!id) report("'" + text + "' is not a scenario number.");
    return id;
}

void IgnoreOptions::add(CLI::App& c, bool withNone) {
    equalOpt = c.add_option("--ignore-equal", equal, "ignore values equal to V");
    belowOpt = c.add_option("--ignore-below", below, "ignore values below L");
    aboveOpt = c.add_option("--ignore-above", above,
                            "ignore values above H (with or without --ignore-below)");
    equalOpt->excludes(belowOpt)->excludes(aboveOpt);
    if (withNone) {
        noneOpt = c.add_flag("--ignore-none")->description("analyze all values");
        noneOpt->excludes(equalOpt)->excludes(belowOpt)->excludes(aboveOpt);
    }
}

bool IgnoreOptions::given() const {
    return equalOpt->count() || belowOpt->count() || aboveOpt->count() ||
           (noneOpt && noneOpt->count());
}

bool IgnoreOptions::apply(scenario::ScenarioDraft& d) const {
    auto number = [](const std::string& text) {
        auto x = parseNumber(text);
        if (!x) report("'" + text + "' is not a number.");
        return x;
    };
    if (noneOpt && noneOpt->count()) scenario::SetIgnoreNone(d);
    if (equalOpt->count()) {
        auto v = number(equal);
        if (!v) return false;
        scenario::SetIgnoreEqual(d, *v);
    } else if (belowOpt->count() || aboveOpt->count()) {
        std::optional<double> low, high;
        if (belowOpt->count() && !(low = number(below))) return false;
        if (aboveOpt->count() && !(high = number(above))) return false;
        scenario::SetIgnoreRange(d, low, high);
    }
    return true;
}

std::optional<scenario::Refusal> applyAssignments(scenario::ScenarioDraft& d,
                                                  const std::vector<std::string>& list,
                                                  bool* outTwo) {
    for (const std::string& a : list) {
        const auto eq = a.find('=');
        if (eq == std::string::npos || eq == 0)
            return scenario::Refusal{a, "Expected OPTION=VALUE.", {}, {}};
        const std::string name = a.substr(0, eq);
        if (auto r = scenario::ApplySetting(d, name, a.substr(eq + 1))) return r;
        if (outTwo && iequal(name, "Out2")) *outTwo = true;
    }
    return std::nullopt;
}

}  // namespace qrv::cli
