// init and tables: creating a database with the scenario tables, and listing
// what a database holds.
#include <sys/stat.h>

#include <cstdio>
#include <iomanip>
#include <iostream>

#include "cli/commands.h"
#include "engine/quorvane.h"
#include "dataaccess/dataaccess.h"
#include "dataaccess/sql_dialect.h"
#include "errors/cerr_zelk.h"
#include "errors/prompter.h"
#include "scenario/scenario_tables.h"

namespace qrv::cli {

using namespace qrv::dao;

int fail(const std::string& text) {
    std::cerr << "quorvane: " << text << "\n";
    return 1;
}

int cmdInit(const Args& args) {
    if (args.size() != 1) return fail("usage: quorvane init DB");
    const std::string& path = args[0];
    struct stat st {};
    const bool exists = ::stat(path.c_str(), &st) == 0;
    auto db = exists ? DBEngine::Instance().OpenDatabase(path)
                     : DBEngine::Instance().CreateDatabase(path, dbLangGeneral);
    if (!db) return fail(db.error().description);
    if (!db->Updatable()) return fail("Cannot update. Database or object is read-only.");
    Quorvane::RemoveDeadRunLeftovers(*db);
    SilentPrompter yes(true);
    CErr_Zelk handler(&yes, false);
    scenario::StoreContext ctx{*db, &handler, &yes};
    const bool ok = scenario::CheckQuorvaneTables(ctx);
    db->Close();
    if (!ok) {
        if (!exists) std::remove(path.c_str());
        return fail(handler.HasError() ? handler.ErrorDescription()
                                       : "The scenario tables could not be created.");
    }
    std::cout << "Scenario tables ready in " << path << "\n";
    return 0;
}

int cmdTables(const Args& args) {
    if (args.size() != 1) return fail("usage: quorvane tables DB");
    auto db = DBEngine::Instance().OpenDatabase(args[0], false, true);
    if (!db) return fail(db.error().description);
    std::cout << std::left << std::setw(40) << "Name" << std::setw(8) << "Kind" << std::right
              << std::setw(12) << "Rows"
              << "\n";
    auto show = [&](const std::string& name, const char* kind) {
        std::cout << std::left << std::setw(40) << name << std::setw(8) << kind << std::right;
        auto rs = db->OpenRecordset("SELECT Count(*) FROM " + bracketName(name), dbOpenSnapshot);
        if (!rs) {
            std::cout << "  (" << rs.error().description << ")\n";
            return;
        }
        std::cout << std::setw(12) << rs->GetValue(0).toText() << "\n";
    };
    for (const std::string& t : db->TableDefNames()) show(t, "table");
    for (const std::string& q : db->QueryDefNames()) show(q, "query");
    db->Close();
    return 0;
}

}  // namespace qrv::cli
