#include "designer/frame/select_database.h"

#include "designer/frame/database_session.h"
#include "designer/frame/logon_tag.h"
#include "util/file_dialogs.h"

namespace qrv::designer {

namespace {

// Opens and, on success, puts the entry on top of the list and saves it.
bool openAndRemember(AppState& app, CMRU& mru, const std::string& database, LogonInfo logon) {
    std::string used;
    if (!AssignCurrentDatabase(app, database, logon.workgroup, logon.user, logon.password, &used))
        return false;
    // A password asked for at the open is the file's: remembered (when
    // passwords are saved) for the default log-on, whose password serves only
    // the file. A workgroup log-on keeps its own.
    if (logon.workgroup.empty()) logon.password = used;
    const bool savePassword = app.SettingsA().ReadEntry(kSavePasswordSetting, "False") == "True";
    mru.SetMRUList(database, BuildLogonTag(logon, savePassword));
    mru.WriteMRUList();
    return true;
}

}  // namespace

bool OpenChosenDatabase(AppState& app, CMRU& mru, const OpenDatabaseChoice& choice) {
    app.Errors().Push("SelectDatabaseDialog");
    app.SettingsA().WriteEntry(kSavePasswordSetting, choice.savePassword ? "True" : "False");
    LogonInfo logon;
    if (choice.secured) logon = {choice.workgroup, choice.user, choice.password};
    const bool opened = openAndRemember(app, mru, choice.database, logon);
    app.Errors().ExitProcedure();
    return opened;
}

bool SelectDatabaseDialog(AppState& app, CMRU& mru, util::FileChooser& chooser, QWidget* parent,
                          const std::function<void()>& beforeOpen) {
    mru.GetMRUList();
    const bool savePassword = app.SettingsA().ReadEntry(kSavePasswordSetting, "False") == "True";
    OpenDatabaseDialog dialog(mru.Entries(), savePassword, chooser, app.Prompts(), parent);
    if (dialog.exec() != QDialog::Accepted) return false;
    if (beforeOpen) beforeOpen();
    return OpenChosenDatabase(app, mru, dialog.choice());
}

bool OpenRecentDatabase(AppState& app, CMRU& mru, std::size_t index) {
    if (index >= mru.Count()) return false;
    // Copies: a successful open reorders the list.
    const CMRU::Entry entry = mru.Entries()[index];
    return openAndRemember(app, mru, entry.path, ParseLogonTag(entry.tag));
}

}  // namespace qrv::designer
