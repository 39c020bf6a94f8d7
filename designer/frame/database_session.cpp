#include "designer/frame/database_session.h"

#include "dataaccess/dbengine.h"
#include "scenario/scenario_tables.h"

namespace qrv::designer {

namespace {
constexpr const char* kCrLf = "\r\n";

std::string errorLine(const dao::Error& e) {
    return std::to_string(e.number) + ": " + e.description;
}
}  // namespace

std::string DefaultWorkgroupPath(const AppState& app) {
    return app.DataDir() + "/DUDOVAZO.MDW";
}

bool AssignCurrentDatabase(AppState& app, const std::string& database, const std::string& workgroup,
                           const std::string& user, const std::string& password) {
    app.Errors().Push("AssignCurrentDatabase");
    app.CloseDatabase();
    auto& engine = dao::DBEngine::Instance();
    const bool secured = !workgroup.empty();
    engine.SetSystemDB(secured ? workgroup : DefaultWorkgroupPath(app));
    dao::Workspace& ws = secured ? engine.CreateWorkspace("Stats", user, password)
                                 : engine.CreateWorkspace("StatsGeneric", "Admin", "");
    auto db = ws.OpenDatabase(database, false, false, ";pwd=" + password);
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
    app.SetCurrentDatabase(*db, ws.UserName());
    app.Errors().ExitProcedure();
    return true;
}

}  // namespace qrv::designer
