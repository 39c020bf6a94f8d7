#include "designer/frame/database_session.h"

#include <filesystem>
#include <system_error>

#include "dataaccess/objects/dbengine.h"
#include "dataaccess/security/workgroup.h"
#include "scenario/scenario_tables.h"

namespace qrv::designer {

namespace {
constexpr const char* kCrLf = "\r\n";
// Wrong passwords in a row before the open gives up.
constexpr int kPasswordTries = 5;

std::string errorLine(const dao::Error& e) {
    return std::to_string(e.number) + ": " + e.description;
}

// The default workgroup is made on first use, holding "Admin" with an empty password.
dao::Error ensureDefaultWorkgroup(const std::string& path) {
    std::error_code ec;
    if (std::filesystem::exists(path, ec)) return {};
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
    return dao::CreateWorkgroupFile(path);
}
}  // namespace

std::string DefaultWorkgroupPath(const AppState& app) {
    return app.DataDir() + "/DUDOVAZO.MDW";
}

bool AssignCurrentDatabase(AppState& app, const std::string& database, const std::string& workgroup,
                           const std::string& user, const std::string& password,
                           std::string* used) {
    app.Errors().Push("AssignCurrentDatabase");
    app.CloseDatabase();
    auto& engine = dao::DBEngine::Instance();
    const bool secured = !workgroup.empty();
    dao::Result<dao::Workspace*> ws = dao::Error{};
    if (secured) {
        engine.SetSystemDB(workgroup);
        ws = engine.CreateWorkspace("Stats", user, password);
    } else {
        const std::string generic = DefaultWorkgroupPath(app);
        engine.SetSystemDB(generic);
        dao::Error made = ensureDefaultWorkgroup(generic);
        ws = made ? dao::Result<dao::Workspace*>(made)
                  : engine.CreateWorkspace("StatsGeneric", dao::kAdminUser, "");
    }
    if (!ws) {
        app.Prompts().critical(
            kAppTitle,
            std::string("Unable to open the specified workspace using the supplied log on "
                        "information: ") +
                kCrLf + kCrLf + errorLine(ws.error()));
        app.Errors().ExitProcedure();
        return false;
    }
    std::string tried = password;
    auto db = (*ws)->OpenDatabase(database, false, false, ";pwd=" + tried);
    // The default log-on carries no password: a guarded file asks for its own.
    for (int asked = 0;
         !db && db.error().number == dao::err::kNotValidPassword && asked < kPasswordTries;
         ++asked) {
        const std::string why = asked == 0 && tried.empty() ? "" : "Not a valid password.\r\n\r\n";
        auto given = app.Prompts().askPassword(kAppTitle, why + "The database '" + database +
                                                              "' is protected by a password." +
                                                              kCrLf + kCrLf + "Password:");
        if (!given) break;
        tried = *given;
        db = (*ws)->OpenDatabase(database, false, false, ";pwd=" + tried);
    }
    if (!db) {
        app.Prompts().critical(kAppTitle, std::string("Unable to open the selected database: ") +
                                              kCrLf + kCrLf + errorLine(db.error()));
        app.Errors().ExitProcedure();
        return false;
    }
    scenario::StoreContext ctx{*db, &app.Errors(), &app.Prompts()};
    if (!scenario::CheckQuorvaneTables(ctx)) {
        db->Close();
        app.Errors().ExitProcedure();
        return false;
    }
    app.SetCurrentDatabase(*db, (*ws)->UserName());
    if (used) *used = tried;
    app.Errors().ExitProcedure();
    return true;
}

}  // namespace qrv::designer
