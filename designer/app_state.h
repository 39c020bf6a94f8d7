// What every window of the designer shares for the life of the process: the
// current database and the workspace it was opened in, the error handler,
// the two settings locations, the prompter, and the actions one window asks
// of another (wired by the main frame, so that windows need not know each
// other).
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "dataaccess/objects/database.h"
#include "errors/cerr_zelk.h"
#include "errors/prompter.h"
#include "util/settings.h"

namespace qrv {
class ErrorWindow;
}

namespace qrv::designer {

inline constexpr const char* kAppTitle = "Quorvane";
inline constexpr const char* kDesignerTitle = "Quorvane Scenario Designer";
inline constexpr const char* kVersion = "5.0";
inline constexpr const char* kOutputPrefixSetting = "OutputTablePrefix";
inline constexpr const char* kOutputPrefixDefault = "Quorvane_";
inline constexpr const char* kSavePasswordSetting = "SavePassword";
inline constexpr const char* kSupportPage = "https://quorvane.example/support";
inline constexpr const char* kSupportMail = "support@quorvane.example";

// Requests one window makes of the others. Each may be empty (a test that
// builds one window alone); callers check before calling.
struct DesignerActions {
    // Opens a table or query of the current database in a table viewer.
    std::function<void(const std::string& source, const std::string& caption)> showTableData;
    // The same viewer as a modal dialog (from inside the wizard).
    std::function<void(const std::string& source, const std::string& caption)> showTableDialog;
    // Closes every table viewer whose table is the one named.
    std::function<void(const std::string& table)> closeTableViewers;
    // Opens the wizard on a scenario (0: a new one of the given type) at a
    // page; answers whether it saved and whether a run was asked for.
    struct WizardResult {
        bool saved = false;
        bool runAfter = false;
        std::int32_t scenario = 0;
    };
    std::function<WizardResult(std::int32_t scenario, const std::string& newSubtype, int startPage)>
        runWizard;
    std::function<void(std::int32_t scenario)> generateCode;
    std::function<void()> openCalculator;
    std::function<void()> showHelp;
};

class AppState {
  public:
    // programDir: where the program's own files are; dataDir: where it may
    // write (error log, default workgroup file).
    AppState(util::SettingsStore& store, Prompter& prompter, std::string programDir,
             std::string dataDir);

    CErr_Zelk& Errors() { return errors_; }
    Prompter& Prompts() { return *prompter_; }
    void SetPrompter(Prompter& p);
    // Settings A: Zelk / Quorvane\5.0 / Settings; B: Zelk / Quorvane / 5.0.
    util::ProgramSettings& SettingsA() { return settingsA_; }
    util::ProgramSettings& SettingsB() { return settingsB_; }
    // Zelk / Quorvane\5.0 / Form Position.
    util::ProgramSettings FormPositions() const { return settingsA_.Section("Form Position"); }
    const std::string& ProgramDir() const { return programDir_; }
    const std::string& DataDir() const { return dataDir_; }
    std::string OutputTablePrefix() const;

    bool HasDatabase() const { return db_.IsOpen(); }
    dao::Database& CurrentDatabase() { return db_; }
    // The user of the workspace the current database was opened in.
    const std::string& UserName() const { return user_; }
    void SetCurrentDatabase(dao::Database db, std::string user);
    void CloseDatabase();

    DesignerActions& Actions() { return actions_; }
    // The window the engines of this program show unexpected errors in
    // (none: the handler's message box only).
    ErrorWindow* UnexpectedErrorWindow() const { return errorWindow_; }
    void SetUnexpectedErrorWindow(ErrorWindow* w) { errorWindow_ = w; }

  private:
    Prompter* prompter_;
    CErr_Zelk errors_;
    util::ProgramSettings settingsA_, settingsB_;
    std::string programDir_, dataDir_;
    dao::Database db_;
    std::string user_;
    DesignerActions actions_;
    ErrorWindow* errorWindow_ = nullptr;
};

}  // namespace qrv::designer
