// new: creates a scenario from the command line through the wizard's checks
// and prints its number.
#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>

#include "cli/authoring_common.h"
#include "cli/commands.h"
#include "cli/draft_files.h"
#include "scenario/analysis_types.h"
#include "scenario/scenario_author.h"
#include "scenario/scenario_checks.h"

namespace qrv::cli {

using namespace qrv::scenario;

namespace {

struct NewArgs {
    std::string db, type, input, y, weight, out, out2, description, connect;
    std::vector<std::string> x, group, compare, settings;
    IgnoreOptions ignore;
    DraftFileOptions files;
    CLI::Option* out2Opt = nullptr;
};

int runNew(NewArgs& a) {
    const AnalysisType* type = nullptr;
    if (auto r = CheckAnalysisType(a.type, type)) return report(*r);
    auto db = openForAuthoring(a.db, a.connect, false);
    if (!db) return 1;
    if (!a.files.open(*db, a.connect)) return 1;
    ScenarioDraft d = NewDraft(*type);
    d.input = a.input;
    for (const std::string& f : a.group) d.addField(f, 'G');
    for (const std::string& f : a.compare) d.addField(f, 'C');
    for (const std::string& f : a.x) d.addField(f, 'X');
    if (!a.y.empty()) d.addField(a.y, 'Y');
    if (!a.weight.empty()) d.addField(a.weight, 'W');
    // Through the same setter as set's, which knows each column's size.
    for (const auto& [name, value] : {std::pair{"Description", &a.description},
                                      std::pair{"Out", &a.out}, std::pair{"Out2", &a.out2}})
        if (auto r = ApplySetting(d, name, *value)) return report(*r);
    bool out2Given = a.out2Opt->count() > 0;
    if (auto r = applyAssignments(d, a.settings, &out2Given)) return report(*r);
    if (!a.ignore.apply(d)) return 1;
    if (out2Given)
        if (auto r = CheckSecondName(d)) return report(*r);
    auto id = SaveDraft(*db, d, std::nullopt, a.files.files());
    if (!id) return report(id.error());
    a.files.noteForeignOutputs(*db, d);
    std::cout << *id << "\n";
    return 0;
}

}  // namespace

void addNewCommand(CLI::App& app, int& exitCode) {
    auto a = std::make_shared<NewArgs>();
    std::string types;
    for (const AnalysisType& t : AnalysisTypes())
        types += std::string(types.empty() ? "" : ", ") + t.name;
    CLI::App* c = app.add_subcommand("new", "create a scenario and print its number");
    c->add_option("DB", a->db, "database file with the scenario tables")->required();
    c->add_option("TYPE", a->type, "analysis type, for example Describe or \"Two Sample t-Test\"")
        ->required();
    c->add_option("INPUT", a->input, "input table or stored query")->required();
    c->add_option("--x", a->x, "an X (independent, value or dependent) field; repeatable")
        ->allow_extra_args(false);
    c->add_option("--y", a->y, "the Y (dependent) field");
    c->add_option("--group", a->group, "a group (row) field; repeatable")->allow_extra_args(false);
    c->add_option("--compare", a->compare, "a compare (factor, column) field; repeatable")
        ->allow_extra_args(false);
    c->add_option("--weight", a->weight, "the weight field");
    c->add_option("--out", a->out, "first output table (default Quorvane_ + the analysis)");
    a->out2Opt = c->add_option("--out2", a->out2, "second output table, where there is one");
    c->add_option("--set", a->settings, "OPTION=VALUE by the options' column names; repeatable")
        ->allow_extra_args(false);
    a->ignore.add(*c, false);
    c->add_option("--description", a->description, "free text");
    a->files.add(*c);
    setExample(
        *c,
        "  "
        "quorvane new data.db Describe Measurements --group Region --x Yield "
        "--set Skew=Yes --ignore-below 0 --description \"Yield by region\"",
        "Create a scenario and print its number. Fields, options, values to ignore and output "
        "names are checked as the scenario wizard checks them; nothing is saved when one is "
        "refused. With --source the input and its fields are checked in that file and the "
        "scenario is stored in DB; run it with the same --source (and --output).\nTypes (any "
        "letter case): " +
            types);
    c->callback([a, c, &exitCode] {
        a->connect = databaseConnect(*c);
        exitCode = runNew(*a);
    });
}

}  // namespace qrv::cli
