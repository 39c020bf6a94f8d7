// set: changes options, the description, the input and the output names of a
// stored scenario, all or nothing.
#include <CLI/CLI.hpp>
#include <memory>

#include "cli/authoring_common.h"
#include "cli/commands.h"
#include "cli/draft_files.h"
#include "scenario/scenario_author.h"
#include "scenario/scenario_checks.h"
#include "scenario/store_transaction.h"

namespace qrv::cli {

using namespace qrv::scenario;

namespace {

struct SetArgs {
    std::string db, id, connect;
    std::vector<std::string> assignments;
    IgnoreOptions ignore;
    DraftFileOptions files;
};

int runSet(SetArgs& a) {
    if (a.assignments.empty() && !a.ignore.given())
        return report("nothing to set: give OPTION=VALUE or an --ignore option");
    auto id = parseScenarioId(a.id);
    if (!id) return 1;
    auto db = openForAuthoring(a.db, a.connect, false);
    if (!db) return 1;
    if (!a.files.open(*db, a.connect)) return 1;
    // Read and written in one transaction: what is changed is what was read.
    StoreTransaction tx(*db);
    if (dao::Error e = tx.begin()) return report(e);
    auto d = LoadDraft(*db, *id);
    if (!d) return report(d.error());
    bool out2Given = false;
    if (auto r = applyAssignments(*d, a.assignments, &out2Given)) return report(*r);
    if (!a.ignore.apply(*d)) return 1;
    if (out2Given)
        if (auto r = CheckSecondName(*d)) return report(*r);
    auto saved = SaveDraft(*db, *d, std::nullopt, a.files.files());
    if (!saved) return report(saved.error());
    if (dao::Error e = tx.commit()) return report(e);
    a.files.noteForeignOutputs(*db, *d);
    return 0;
}

}  // namespace

void addSetCommand(CLI::App& app, int& exitCode) {
    auto a = std::make_shared<SetArgs>();
    CLI::App* c =
        app.add_subcommand("set", "change options, description, input or outputs of a scenario");
    c->add_option("DB", a->db, "database file with the scenario tables")->required();
    c->add_option("ID", a->id, "scenario number")->required();
    c->add_option("ASSIGNMENTS", a->assignments, "OPTION=VALUE ...");
    a->ignore.add(*c, true);
    a->files.add(*c);
    setExample(
        *c,
        "  "
        "quorvane set data.db 3 Skew=Yes PercentileRadio=Quartiles Out=Yield_Stats",
        "Change a scenario: options by their column names (Yes/No/True/False, numbers, or the "
        "texts as stored; an empty value clears a number), Description=, Input=, Out= and "
        "Out2=. The scenario is checked as the wizard checks it before it is saved; nothing "
        "changes when something is refused. A scenario whose input is in another file is "
        "checked there with --source, as run reads it.");
    c->callback([a, c, &exitCode] {
        a->connect = databaseConnect(*c);
        exitCode = runSet(*a);
    });
}

}  // namespace qrv::cli
