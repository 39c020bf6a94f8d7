// CErr_Zelk: the one error handler that every procedure hands its unexpected
// failures to. It keeps the stack of running procedures and the current operation,
// appends a report to the error file, tells the user what failed and where (through
// a Prompter, when display is on) and remembers the error for its owner.
// Nothing in it throws to its callers. One thread, like the rest of the program.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "errors/error_report.h"
#include "errors/prompter.h"

namespace qrv {

// The error that ends an action when the user cancels in the unexpected-error
// window: the object-error base (0x80040000) plus 2000.
inline constexpr std::int32_t kErrActionCancelled = -2147219504;
inline constexpr std::string_view kErrActionCancelledText = "Action Cancelled by User";

class CErr_Zelk {
  public:
    static constexpr int kUnknownLine = 0;
    static constexpr std::size_t kDefaultMaxItems = 64;

    // What the owner wants after an error has been handled.
    enum class Outcome { Continue, Cancelled };

    // Raised before the handling; setting cancelDisplay keeps the message from being
    // shown (the report is written all the same).
    using BeforeHandler = std::function<void(bool& cancelDisplay)>;
    // Raised after the handling, with the error already recorded; the owner may show
    // its own window here and return Cancelled when the user abandons the action.
    using AfterHandler = std::function<Outcome(const CErr_Zelk&)>;

    explicit CErr_Zelk(Prompter* prompter = nullptr, bool displayError = false);
    CErr_Zelk(const CErr_Zelk&) = delete;
    CErr_Zelk& operator=(const CErr_Zelk&) = delete;

    // --- Procedure stack -------------------------------------------------------
    // A full stack keeps the newest MaxItems names and forgets the oldest, so the
    // procedure that fails is always known; pops stay balanced with pushes.
    void Push(std::string procedure) noexcept;
    void ExitProcedure() noexcept;
    // Names currently entered, including any forgotten at the bottom.
    std::size_t Depth() const noexcept { return dropped_ + stack_.size(); }
    // The kept names, bottom first.
    std::vector<std::string> Stack() const;
    std::string TopProcedure() const;

    void SetCurrentOperation(std::string operation) noexcept { operation_ = std::move(operation); }
    const std::string& CurrentOperation() const noexcept { return operation_; }
    // The statement, table or field the current operation works on; recorded
    // with an error as the operation is.
    void SetCurrentObject(errors::FailingObject object) noexcept { object_ = std::move(object); }
    const errors::FailingObject& CurrentObject() const noexcept { return object_; }

    // --- The run in progress ---------------------------------------------------
    // Written into every report as its "[Run]" section until cleared.
    void SetRunFacts(errors::RunFacts facts) noexcept { run_ = std::move(facts); }
    void ClearRunFacts() noexcept { run_.reset(); }
    const std::optional<errors::RunFacts>& RunFacts() const noexcept { return run_; }
    // A text no report may contain, such as the password of a file the owner
    // opens (see errors::MaskSecrets); kept for the handler's life.
    void AddSecret(std::string text) noexcept;

    // --- Settings --------------------------------------------------------------
    const std::string& Destination() const noexcept { return destination_; }
    void SetDestination(std::string path) noexcept { destination_ = std::move(path); }
    bool DisplayError() const noexcept { return displayError_; }
    void SetDisplayError(bool on) noexcept { displayError_ = on; }
    // On (the default) adds the system information and file versions to the report.
    bool ExpandedInfo() const noexcept { return expandedInfo_; }
    void SetExpandedInfo(bool on) noexcept { expandedInfo_ = on; }
    std::size_t MaxItems() const noexcept { return maxItems_; }
    // At least 1; shrinking below the current depth forgets the oldest names.
    void SetMaxItems(std::size_t items) noexcept;
    std::optional<std::int32_t> ScenarioNumber() const noexcept { return scenarioNumber_; }
    void SetScenarioNumber(std::int32_t number) noexcept { scenarioNumber_ = number; }
    void ClearScenarioNumber() noexcept { scenarioNumber_.reset(); }
    // The message title; when empty the application title is used.
    const std::string& Title() const noexcept { return title_; }
    void SetTitle(std::string title) noexcept { title_ = std::move(title); }
    const std::string& ApplicationTitle() const noexcept { return appTitle_; }
    void SetApplicationTitle(std::string title) noexcept { appTitle_ = std::move(title); }
    void SetPrompter(Prompter* prompter) noexcept { prompter_ = prompter; }

    // Facts only the owner knows, written into the report as given.
    const std::string& WorkgroupPath() const noexcept { return workgroupPath_; }
    void SetWorkgroupPath(std::string path) noexcept { workgroupPath_ = std::move(path); }
    const std::string& DbEngineVersion() const noexcept { return dbEngineVersion_; }
    void SetDbEngineVersion(std::string version) noexcept { dbEngineVersion_ = std::move(version); }
    std::optional<std::uint64_t> DisplayColors() const noexcept { return displayColors_; }
    void SetDisplayColors(std::uint64_t colors) noexcept { displayColors_ = colors; }
    // Adds or replaces a "[File Versions]" line; the C library's is always there.
    void SetFileVersion(std::string name, std::string version) noexcept;

    // --- Events ----------------------------------------------------------------
    void OnBeforeHandlerCalled(BeforeHandler handler) noexcept { before_ = std::move(handler); }
    void OnAfterHandlerCalled(AfterHandler handler) noexcept { after_ = std::move(handler); }

    // --- Handling --------------------------------------------------------------
    // Records the error against the procedure on top of the stack, appends the
    // report to Destination, shows the message when display is on, pops the
    // procedure and raises AfterHandlerCalled. When the owner answers Cancelled,
    // the held error becomes kErrActionCancelled so that the owner's usual
    // "handler holds an error" check ends the action.
    Outcome HandleError(std::int32_t number, std::string_view description,
                        int line = kUnknownLine) noexcept;

    // The error held since the last HandleError, until ClearError.
    bool HasError() const noexcept { return hasError_; }
    std::int32_t ErrorNumber() const noexcept { return last_.number; }
    const std::string& ErrorDescription() const noexcept { return last_.description; }
    int ErrorLine() const noexcept { return last_.line; }
    const std::string& ErrorProcedure() const noexcept { return last_.procedure; }
    // The current operation when the error happened, and what it worked on.
    const std::string& ErrorOperation() const noexcept { return last_.operation; }
    const errors::FailingObject& ErrorObject() const noexcept { return last_.object; }
    // The message text as shown, also when display was off.
    const std::string& ErrorMessage() const noexcept { return last_.message; }
    void ClearError() noexcept;

    // Deletes the error file.
    void ClearLog() noexcept;

  private:
    struct LastError {
        std::int32_t number = 0;
        std::string description;
        int line = kUnknownLine;
        std::string procedure;
        std::string operation;
        errors::FailingObject object;
        std::string message;
    };

    // Keeps the newest MaxItems names; the forgotten ones are still counted.
    void ForgetBeyondMaxItems() noexcept;
    void WriteReport() const;
    void ShowMessage() const;

    Prompter* prompter_;
    bool displayError_;
    bool expandedInfo_ = true;
    std::size_t maxItems_ = kDefaultMaxItems;
    std::deque<std::string> stack_;
    std::size_t dropped_ = 0;  // names forgotten at the bottom of a full stack
    std::string operation_;
    errors::FailingObject object_;
    std::optional<errors::RunFacts> run_;
    std::vector<std::string> secrets_;
    std::string destination_;
    std::optional<std::int32_t> scenarioNumber_;
    std::string title_;
    std::string appTitle_;
    std::string workgroupPath_;
    std::string dbEngineVersion_;
    std::optional<std::uint64_t> displayColors_;
    std::vector<std::pair<std::string, std::string>> fileVersions_;
    BeforeHandler before_;
    AfterHandler after_;
    bool hasError_ = false;
    LastError last_;
};

// Enters a procedure for the life of a scope and leaves it on the way out, unless
// HandleError has already left it.
class ProcedureScope {
  public:
    ProcedureScope(CErr_Zelk& handler, std::string procedure) noexcept;
    ~ProcedureScope();
    ProcedureScope(const ProcedureScope&) = delete;
    ProcedureScope& operator=(const ProcedureScope&) = delete;

  private:
    CErr_Zelk& handler_;
    std::size_t depth_;  // the handler's depth with this procedure on top
};

// Sets the current operation and its object for the life of a scope and puts
// the previous ones back on the way out: a step that went well leaves the
// operation of the step around it in force.
class OperationScope {
  public:
    OperationScope(CErr_Zelk& handler, std::string operation,
                   errors::FailingObject object = {}) noexcept;
    ~OperationScope();
    OperationScope(const OperationScope&) = delete;
    OperationScope& operator=(const OperationScope&) = delete;

  private:
    CErr_Zelk& handler_;
    std::string operation_;  // the previous ones
    errors::FailingObject object_;
};

}  // namespace qrv
