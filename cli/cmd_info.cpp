// info: shows what a stored scenario does: its type, input, outputs, fields
// by role, values to ignore and the options that differ from their defaults.
#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>

#include "cli/authoring_common.h"
#include "cli/commands.h"
#include "cli/console_prompter.h"
#include "dataaccess/value.h"
#include "scenario/analysis_types.h"
#include "scenario/option_values.h"
#include "scenario/scenario_author.h"
#include "scenario/scenario_validity.h"

namespace qrv::cli {

using namespace qrv::scenario;

namespace {

struct InfoArgs {
    std::string db, id, connect;
};

std::string categoryName(const std::string& c) {
    if (c == "P") return "parametric";
    if (c == "G") return "group";
    if (c == "N") return "non-parametric";
    return "unknown category";
}

int runInfo(const InfoArgs& a) {
    auto id = parseScenarioId(a.id);
    if (!id) return 1;
    auto db = openForAuthoring(a.db, a.connect, true);
    if (!db) return 1;
    auto d = LoadDraft(*db, *id);
    if (!d) return report(d.error());
    const AnalysisType* type = FindAnalysisType(d->subtype);
    std::cout << "Scenario " << d->id << ": " << d->subtype << " (" << d->category << ", "
              << categoryName(d->category) << ")\n";
    std::cout << "Description: " << d->description << "\n";
    std::cout << "Input: " << d->input << "\n";
    std::cout << "Output: " << d->output1 << "\n";
    if (!d->output2.empty()) std::cout << "Output 2: " << d->output2 << "\n";
    std::cout << "Fields:\n";
    if (d->fields.empty()) std::cout << "  (none)\n";
    for (char role : kRoles) {
        std::string names;
        for (const DraftField& f : d->fields)
            if (f.role == role) names += (names.empty() ? "" : ", ") + f.name;
        if (names.empty()) continue;
        const RoleLimits limits = type ? RoleLimitsFor(*type, role) : RoleLimits{};
        std::cout << "  " << RoleOptionName(role);
        if (limits.caption) std::cout << " (" << limits.caption << ")";
        std::cout << ": " << names << "\n";
    }
    for (const DraftField& f : d->fields)
        if (f.role != 'G' && f.role != 'C' && f.role != 'X' && f.role != 'Y' && f.role != 'W')
            std::cout << "  role " << f.role << ": " << f.name << "\n";
    std::cout << "Ignore: " << IgnoreRuleText(*d) << "\n";
    std::cout << "Options differing from their defaults:";
    bool any = false;
    const auto columns = OptionColumns();
    for (size_t i = 0; i < columns.size() && i < d->options.size(); ++i) {
        if (IsOptionDefault(columns[i], d->options[i])) continue;
        const std::string text = OptionValueText(columns[i], d->options[i]);
        std::cout << "\n  " << columns[i].name << "=" << (text.empty() ? "(none)" : text);
        any = true;
    }
    std::cout << (any ? "\n" : " none\n");
    // The same verdict a run gives before it reads a row.
    bool inputChecked = false;
    auto verdict = CheckStoredScenario(*db, *id, &inputChecked);
    if (!verdict) return report(verdict.error());
    if (*verdict)
        std::cout << "Runs: no. " << plainLines((*verdict)->Text()) << "\n";
    else
        std::cout << "Runs: yes"
                  << (inputChecked ? ""
                                   : " (the input is not in this file; its fields were not "
                                     "checked)")
                  << "\n";
    return 0;
}

}  // namespace

void addInfoCommand(CLI::App& app, int& exitCode) {
    auto a = std::make_shared<InfoArgs>();
    CLI::App* c = app.add_subcommand(
        "info", "show a scenario: type, fields by role, options that differ from defaults");
    c->add_option("DB", a->db, "database file with the scenario tables")->required();
    c->add_option("ID", a->id, "scenario number")->required();
    setExample(*c,
               "  "
               "quorvane info data.db 3",
               "Show a scenario: type, input, outputs, fields by role, values to ignore and the "
               "options that differ from their defaults.");
    c->callback([a, c, &exitCode] {
        a->connect = databaseConnect(*c);
        exitCode = runInfo(*a);
    });
}

}  // namespace qrv::cli
