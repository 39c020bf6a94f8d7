// copy and delete: duplicating a scenario under a new description, and
// removing scenarios from the three scenario tables.
#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>

#include "cli/authoring_common.h"
#include "cli/commands.h"
#include "scenario/scenario_author.h"
#include "scenario/store_transaction.h"

namespace qrv::cli {

using namespace qrv::scenario;

namespace {

struct CopyArgs {
    std::string db, id, description, connect;
    CLI::Option* descriptionOpt = nullptr;
};

struct DeleteArgs {
    std::string db, connect;
    std::vector<std::string> ids;
};

int runCopy(const CopyArgs& a) {
    auto id = parseScenarioId(a.id);
    if (!id) return 1;
    auto db = openForAuthoring(a.db, a.connect, false);
    if (!db) return 1;
    StoreTransaction tx(*db);
    if (dao::Error e = tx.begin()) return report(e);
    std::string description = a.description;
    if (!a.descriptionOpt->count()) {
        auto d = LoadDraft(*db, *id);
        if (!d) return report(d.error());
        description = CopyDescription(d->description);
    }
    auto copy = CopyScenario(*db, *id, description);
    if (!copy) return report(copy.error());
    if (dao::Error e = tx.commit()) return report(e);
    std::cout << *copy << "\n";
    return 0;
}

int runDelete(const DeleteArgs& a) {
    std::vector<std::int32_t> ids;
    for (const std::string& text : a.ids) {
        auto id = parseScenarioId(text);
        if (!id) return 1;
        ids.push_back(*id);
    }
    auto db = openForAuthoring(a.db, a.connect, false);
    if (!db) return 1;
    if (dao::Error e = DeleteScenarios(*db, ids)) return report(e);
    std::cout << "Deleted " << (ids.size() == 1 ? "scenario" : "scenarios");
    for (size_t i = 0; i < ids.size(); ++i) std::cout << (i ? ", " : " ") << ids[i];
    std::cout << "\n";
    return 0;
}

}  // namespace

void addCopyCommand(CLI::App& app, int& exitCode) {
    auto a = std::make_shared<CopyArgs>();
    CLI::App* c = app.add_subcommand("copy", "duplicate a scenario and print the new number");
    c->add_option("DB", a->db, "database file with the scenario tables")->required();
    c->add_option("ID", a->id, "number of the scenario to copy")->required();
    a->descriptionOpt = c->add_option("--description", a->description, "the copy's description");
    setExample(
        *c,
        "  "
        "quorvane copy data.db 3 --description \"Yield by plant\"",
        "Duplicate a scenario with its options and fields and print the new number. The copy "
        "is described as \"Copy of \" and the description unless --description is given.");
    c->callback([a, c, &exitCode] {
        a->connect = databaseConnect(*c);
        exitCode = runCopy(*a);
    });
}

void addDeleteCommand(CLI::App& app, int& exitCode) {
    auto a = std::make_shared<DeleteArgs>();
    CLI::App* c = app.add_subcommand("delete", "remove scenarios from the scenario tables");
    c->add_option("DB", a->db, "database file with the scenario tables")->required();
    c->add_option("ID", a->ids, "scenario numbers")->required();
    setExample(
        *c,
        "  "
        "quorvane delete data.db 3 4",
        "Remove scenarios from the three scenario tables: all that are named, or none when one "
        "of them does not exist.");
    c->callback([a, c, &exitCode] {
        a->connect = databaseConnect(*c);
        exitCode = runDelete(*a);
    });
}

}  // namespace qrv::cli
