// workgroup: makes a workgroup file and keeps its accounts, for the designer's
// secured log-on.
#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>

#include "cli/commands.h"
#include "dataaccess/security/workgroup.h"

namespace qrv::cli {

namespace {

struct WorkgroupArgs {
    std::string file, add, user, old, replacement;
    bool create = false;
    CLI::Option *addOpt = nullptr, *userOpt = nullptr, *newOpt = nullptr;
};

int workgroup(const WorkgroupArgs& a) {
    const int modes =
        (a.create ? 1 : 0) + (a.addOpt->count() > 0 ? 1 : 0) + (a.userOpt->count() > 0 ? 1 : 0);
    if (modes != 1)
        return usageFail("workgroup", "Give one of --create, --add NAME or --user NAME.");
    if (a.create) {
        if (dao::Error e = dao::CreateWorkgroupFile(a.file)) return fail(e.description);
        std::cout << "Workgroup file " << a.file << " made with the user " << dao::kAdminUser
                  << " and an empty password\n";
        return 0;
    }
    if (a.addOpt->count() > 0) {
        if (dao::Error e = dao::AddWorkgroupUser(a.file, a.add, a.replacement))
            return fail(e.description);
        std::cout << "User " << a.add << " added to " << a.file << "\n";
        return 0;
    }
    if (a.newOpt->count() == 0) return usageFail("workgroup", "Give the new password with --new.");
    if (dao::Error e = dao::SetWorkgroupPassword(a.file, a.user, a.old, a.replacement))
        return fail(e.description);
    std::cout << "Password changed for " << a.user << "\n";
    return 0;
}

}  // namespace

void addWorkgroupCommand(CLI::App& app, int& exitCode) {
    auto a = std::make_shared<WorkgroupArgs>();
    CLI::App* c = app.add_subcommand("workgroup", "make a workgroup file or change its accounts");
    c->add_option("FILE", a->file, "workgroup file")->required();
    c->add_flag("--create", a->create, "make FILE with the one user Admin, empty password");
    a->addOpt = c->add_option("--add", a->add, "add a user (password: --new, else empty)")
                    ->type_name("NAME");
    a->userOpt = c->add_option("--user", a->user, "change this user's password (--old, --new)")
                     ->type_name("NAME");
    c->add_option("--old", a->old, "the user's present password (default: empty)")
        ->type_name("TEXT");
    a->newOpt = c->add_option("--new", a->replacement, "the new password")->type_name("TEXT");
    setExample(*c,
               "  quorvane workgroup team.mdw --create\n"
               "  quorvane workgroup team.mdw --user Admin --new 'oak 3'\n"
               "  quorvane workgroup team.mdw --add 'Ann Lee' --new 'birch 9'",
               "The designer logs on through a workgroup file when a database is opened as\n"
               "secured. User names ignore letter case; passwords do not.");
    c->callback([a, &exitCode] { exitCode = workgroup(*a); });
}

}  // namespace qrv::cli
