#include "designer/app_state.h"

namespace qrv::designer {

AppState::AppState(util::SettingsStore& store, Prompter& prompter, std::string programDir,
                   std::string dataDir)
    : prompter_(&prompter),
      errors_(&prompter, true),
      settingsA_(store, "Zelk", std::string("Quorvane\\") + kVersion, "Settings"),
      settingsB_(store, "Zelk", "Quorvane", kVersion),
      programDir_(std::move(programDir)),
      dataDir_(std::move(dataDir)) {
    errors_.SetApplicationTitle(kAppTitle);
    errors_.SetDestination(dataDir_ + "/error.log");
}

void AppState::SetPrompter(Prompter& p) {
    prompter_ = &p;
    errors_.SetPrompter(&p);
}

std::string AppState::OutputTablePrefix() const {
    return settingsA_.ReadEntry(kOutputPrefixSetting, kOutputPrefixDefault);
}

void AppState::SetCurrentDatabase(dao::Database db, std::string user) {
    CloseDatabase();
    db_ = std::move(db);
    user_ = std::move(user);
}

void AppState::CloseDatabase() {
    if (db_.IsOpen()) (void)db_.Close();
    db_ = dao::Database();
    user_.clear();
}

}  // namespace qrv::designer
