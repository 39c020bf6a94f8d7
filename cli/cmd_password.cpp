// password: sets, changes or clears the password that guards a database's
// opening through this program. It does not encrypt the file.
#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>

#include "cli/commands.h"
#include "dataaccess/dataaccess.h"

namespace qrv::cli {

using namespace qrv::dao;

namespace {

struct PasswordArgs {
    std::string db, old, replacement;
    bool clear = false;
    CLI::Option *oldOpt = nullptr, *newOpt = nullptr;
};

int changePassword(const PasswordArgs& a, const std::string& globalPassword) {
    if (a.newOpt->count() == 0 && !a.clear)
        return usageFail("password", "Give the new password with --new, or --clear to remove it.");
    if (a.newOpt->count() > 0 && a.replacement.empty())
        return usageFail("password", "The new password is empty; use --clear to remove it.");
    const std::string old = a.oldOpt->count() > 0 ? a.old : globalPassword;
    auto db = DBEngine::Instance().OpenDatabase(a.db, false, false, ";pwd=" + old);
    if (!db) return fail(db.error().description);
    if (!db->Updatable()) return fail("Cannot update. Database or object is read-only.");
    const Error e = db->NewPassword(old, a.clear ? std::string() : a.replacement);
    db->Close();
    if (e) return fail(e.description);
    std::cout << (a.clear ? "Password cleared for " : "Password set for ") << a.db << "\n";
    return 0;
}

}  // namespace

void addPasswordCommand(CLI::App& app, int& exitCode) {
    auto a = std::make_shared<PasswordArgs>();
    CLI::App* c = app.add_subcommand("password", "set, change or clear the password of DB");
    c->add_option("DB", a->db, "database file")->required();
    a->oldOpt = c->add_option("--old", a->old, "the present password (default: --password)")
                    ->type_name("TEXT");
    a->newOpt = c->add_option("--new", a->replacement, "the new password")->type_name("TEXT");
    auto* clear = c->add_flag("--clear", a->clear, "remove the password");
    a->newOpt->excludes(clear);
    setExample(*c,
               "  quorvane password sales.db --new 'tulip 42'\n"
               "  quorvane password sales.db --old 'tulip 42' --new 'aster 7'\n"
               "  quorvane password sales.db --old 'aster 7' --clear",
               "Every command then needs the password: --password TEXT, or the environment\n"
               "variable QUORVANE_PASSWORD (which keeps it out of the process list). The\n"
               "password guards opening DB through Quorvane; it does not encrypt the file,\n"
               "which any SQLite client can still read.");
    c->callback([a, c, &exitCode] { exitCode = changePassword(*a, databasePassword(*c)); });
}

}  // namespace qrv::cli
