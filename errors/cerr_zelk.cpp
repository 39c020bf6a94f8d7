// The error handler. Its one promise to callers is that handling an error cannot
// make things worse: every step runs under its own catch, a step that fails is
// skipped, and the procedure is popped whatever happened before.
#include "errors/cerr_zelk.h"

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>

#include "errors/error_report.h"
#include "errors/product.h"
#include "errors/system_facts.h"

namespace qrv {

namespace {

// The per-user state folder, so that users of one machine do not share a file;
// the temporary folder only when there is no home.
std::string DefaultDestination() {
    const char* state = std::getenv("XDG_STATE_HOME");
    if (state != nullptr && *state == '/') return std::string(state) + "/quorvane/error.log";
    const char* home = std::getenv("HOME");
    if (home != nullptr && *home == '/')
        return std::string(home) + "/.local/state/quorvane/error.log";
    return errors::TempDirectory() + "/quorvane-error.log";
}

std::string Now() {
    std::time_t t = std::time(nullptr);
    std::tm local{};
    if (localtime_r(&t, &local) == nullptr) return {};
    char buffer[32];
    std::size_t n = std::strftime(buffer, sizeof buffer, "%Y-%m-%d %H:%M:%S", &local);
    return std::string(buffer, n);
}

}  // namespace

CErr_Zelk::CErr_Zelk(Prompter* prompter, bool displayError)
    : prompter_(prompter),
      displayError_(displayError),
      destination_(DefaultDestination()),
      appTitle_(kProductName) {
    std::string libc = errors::CLibraryVersion();
    if (!libc.empty()) fileVersions_.emplace_back("libc", std::move(libc));
}

void CErr_Zelk::Push(std::string procedure) noexcept {
    try {
        stack_.push_back(std::move(procedure));
        ForgetBeyondMaxItems();
    } catch (...) {
        // Out of memory: still count the entry so that its pop stays balanced.
        ++dropped_;
    }
}

void CErr_Zelk::ExitProcedure() noexcept {
    if (!stack_.empty()) {
        stack_.pop_back();
    } else if (dropped_ > 0) {
        --dropped_;
    }
}

std::vector<std::string> CErr_Zelk::Stack() const {
    return {stack_.begin(), stack_.end()};
}

std::string CErr_Zelk::TopProcedure() const {
    return stack_.empty() ? std::string{} : stack_.back();
}

void CErr_Zelk::SetMaxItems(std::size_t items) noexcept {
    maxItems_ = items == 0 ? 1 : items;
    ForgetBeyondMaxItems();
}

void CErr_Zelk::ForgetBeyondMaxItems() noexcept {
    while (stack_.size() > maxItems_) {
        stack_.pop_front();
        ++dropped_;
    }
}

void CErr_Zelk::SetFileVersion(std::string name, std::string version) noexcept {
    try {
        for (auto& entry : fileVersions_) {
            if (entry.first == name) {
                entry.second = std::move(version);
                return;
            }
        }
        fileVersions_.emplace_back(std::move(name), std::move(version));
    } catch (...) {
    }
}

void CErr_Zelk::AddSecret(std::string text) noexcept {
    try {
        if (text.empty()) return;
        for (const std::string& known : secrets_)
            if (known == text) return;
        secrets_.push_back(std::move(text));
    } catch (...) {
    }
}

void CErr_Zelk::ClearError() noexcept {
    hasError_ = false;
    last_ = LastError{};
}

void CErr_Zelk::ClearLog() noexcept {
    std::error_code ec;
    std::filesystem::remove(destination_, ec);
}

CErr_Zelk::Outcome CErr_Zelk::HandleError(std::int32_t number, std::string_view description,
                                          int line) noexcept {
    try {
        hasError_ = true;
        last_.number = number;
        last_.line = line;
        last_.description.assign(description);
        last_.procedure = TopProcedure();
        last_.operation = operation_;
        last_.object = object_;
        last_.message = errors::ErrorMessageText(last_.procedure, line, number, last_.description,
                                                 last_.operation);
    } catch (...) {
    }

    bool cancelDisplay = false;
    try {
        if (before_) before_(cancelDisplay);
    } catch (...) {
    }
    try {
        WriteReport();
    } catch (...) {
    }
    if (displayError_ && !cancelDisplay) {
        try {
            ShowMessage();
        } catch (...) {
        }
    }

    ExitProcedure();

    Outcome outcome = Outcome::Continue;
    try {
        if (after_) outcome = after_(*this);
    } catch (...) {
    }
    if (outcome == Outcome::Cancelled) {
        try {
            last_.number = kErrActionCancelled;
            last_.description.assign(kErrActionCancelledText);
        } catch (...) {
        }
    }
    return outcome;
}

void CErr_Zelk::WriteReport() const {
    errors::ReportData data;
    data.productName = kProductName;
    data.productVersion = kProductVersion;
    data.date = Now();
    std::filesystem::path program = errors::ProgramPath();
    data.appExe = program.filename().string();
    data.appPath = program.parent_path().string();
    data.workgroupPath = workgroupPath_;
    data.description = last_.description;
    data.number = last_.number;
    data.procedure = last_.procedure;
    data.stack = Stack();
    data.firstStackPosition = dropped_ + 1;
    data.scenarioNumber = scenarioNumber_;
    data.expandedInfo = expandedInfo_;
    if (expandedInfo_) data.system = errors::CollectSystemFacts(data.appPath);
    data.displayColors = displayColors_;
    data.dbEngineVersion = dbEngineVersion_;
    data.fileVersions = fileVersions_;
    data.operation = last_.operation;
    data.run = run_;
    data.failing = last_.object;
    data.secrets = secrets_;
    std::string text = errors::FormatErrorReport(data);

    std::filesystem::path file(destination_);
    std::error_code ec;
    if (file.has_parent_path()) std::filesystem::create_directories(file.parent_path(), ec);
    // Opened, written and closed per error, so a crash afterwards loses nothing.
    std::ofstream out(file, std::ios::out | std::ios::app | std::ios::binary);
    if (out) out << text;
}

void CErr_Zelk::ShowMessage() const {
    if (prompter_ == nullptr) return;
    prompter_->beep();
    prompter_->critical(title_.empty() ? appTitle_ : title_, last_.message);
}

ProcedureScope::ProcedureScope(CErr_Zelk& handler, std::string procedure) noexcept
    : handler_(handler) {
    handler_.Push(std::move(procedure));
    depth_ = handler_.Depth();
}

ProcedureScope::~ProcedureScope() {
    // HandleError pops the failing procedure itself; popping again would take the
    // caller's entry.
    if (handler_.Depth() == depth_) handler_.ExitProcedure();
}

OperationScope::OperationScope(CErr_Zelk& handler, std::string operation,
                               errors::FailingObject object) noexcept
    : handler_(handler) {
    try {
        operation_ = handler.CurrentOperation();
        object_ = handler.CurrentObject();
    } catch (...) {
    }
    handler_.SetCurrentOperation(std::move(operation));
    handler_.SetCurrentObject(std::move(object));
}

OperationScope::~OperationScope() {
    handler_.SetCurrentOperation(std::move(operation_));
    handler_.SetCurrentObject(std::move(object_));
}

}  // namespace qrv
