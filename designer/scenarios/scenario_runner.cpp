#include "designer/scenarios/scenario_runner.h"

#include <QApplication>
#include <QEventLoop>
#include <QThread>
#include <algorithm>
#include <exception>

#include "dataaccess/objects/dbengine.h"
#include "designer/scenarios/gui_relay.h"
#include "designer/scenarios/gui_thread_prompter.h"
#include "designer/scenarios/status_window.h"
#include "engine/quorvane.h"
#include "scenario/output_names.h"

namespace qrv::designer {

namespace {

constexpr const char* kCrLf = "\r\n";
constexpr const char* kProcedure = "frmStatMain:RunScenarioTest";
constexpr const char* kFailedReason = "The test of this scenario failed for the following reason:";

// Past this many status lines waiting for the GUI thread, a per-row line
// replaces the waiting per-row line before it: a busy window shows the latest
// count instead of falling ever further behind. Stage lines ("...") are
// never dropped.
constexpr std::size_t kStatusBacklog = 64;

// The error number an exception is reported under: nothing in the program
// anticipated it.
constexpr std::int32_t kInternalError = 51;

bool isStageLine(const std::string& line) {
    return line.size() >= 3 && line.compare(line.size() - 3, 3, "...") == 0;
}

}  // namespace

// The engine's prompts as a run from here shows them: its questions and
// messages on the GUI thread, but not its own "Scenario Failed" box (nor the
// beep before it): the runner tells how the run ended, once, under the
// program's title.
class RunPrompter final : public Prompter {
  public:
    explicit RunPrompter(Prompter& target) : target_(target) {}
    bool askYesNo(const std::string& caption, const std::string& text) override {
        return target_.askYesNo(caption, text);
    }
    bool askDestructive(const std::string& caption, const std::string& text) override {
        return target_.askDestructive(caption, text);
    }
    void inform(const std::string& caption, const std::string& text) override {
        target_.inform(caption, text);
    }
    void critical(const std::string&, const std::string&) override {}
    void beep() override {}

  private:
    Prompter& target_;
};

// The program's unexpected-error window, noting whether the run showed it:
// the error is then told, and the run's end needs no second message.
class RunErrorWindow final : public ErrorWindow {
  public:
    explicit RunErrorWindow(ErrorWindow& target) : target_(target) {}
    bool ShowUnexpectedError(const CErr_Zelk& handler) override {
        shown_ = true;
        return target_.ShowUnexpectedError(handler);
    }
    bool Shown() const { return shown_; }

  private:
    ErrorWindow& target_;
    std::atomic<bool> shown_{false};
};

ScenarioRunner::ScenarioRunner(AppState& app, QWidget* window, QObject* parent)
    : QObject(parent), app_(app), window_(window) {}

ScenarioRunner::~ScenarioRunner() {
    if (thread_) {
        quiet_ = true;
        engine_->RequestCancel();
        // Once closed, the worker waits for nothing here, so waiting for it
        // cannot deadlock.
        relay_->Close();
        thread_->wait();
        finish();
    }
    delete status_.data();
    delete cancelled_.data();
}

void ScenarioRunner::stopEarly() {
    app_.Errors().SetCurrentOperation("");
    app_.Errors().ExitProcedure();
}

bool ScenarioRunner::Start(std::int32_t scenario) {
    if (thread_) return false;
    delete cancelled_.data();  // a new run: the last one's end is history
    CErr_Zelk& errors = app_.Errors();
    errors.Push(kProcedure);
    const std::string n = std::to_string(scenario);
    dao::Database& db = app_.CurrentDatabase();

    errors.SetCurrentOperation("Open Recordset ");
    auto rs = db.OpenRecordset("SELECT  * from [usysQuorvaneScenarios] WHERE Scenario_ID = " + n);
    if (!rs) {
        errors.HandleError(rs.error().number, rs.error().description);
        return false;
    }
    if (rs->Eof()) {
        rs->Close();
        app_.Prompts().inform(kAppTitle, "Scenario not found: " + n);
        stopEarly();
        return false;
    }

    errors.SetCurrentOperation("Get Table Names ");
    auto text = [&](const char* column) {
        auto v = rs->GetValue(column);
        return v ? v->toText() : std::string();
    };
    const std::string output1 = text("Scenario_Output_Table1_Name");
    const std::string output2 = text("Scenario_Output_Table2_Name");
    const std::string description = text("Scenario_Description");
    // The rules `run` applies: the scenario's own earlier outputs are
    // replaced, nothing it reads ever is, and a table that holds other data
    // only when the user says so, No being the default.
    scenario::OutputNameRequest request;
    request.output1 = output1;
    request.output2 = output2;
    request.input = text("Scenario_Input_Table_Name");
    request.owner = scenario::OutputOwnerTag(scenario);
    rs->Close();
    const scenario::OutputNameCheck check = scenario::CheckOutputNames(db, request);
    if (check.refused()) {
        app_.Prompts().critical(kAppTitle,
                                kFailedReason + std::string(kCrLf) + kCrLf + check.refusal);
        stopEarly();
        return false;
    }
    std::string agreed;
    if (!check.foreign.empty()) {
        agreed = scenario::ReplaceDataQuestion(check.foreign);
        if (!app_.Prompts().askDestructive(kAppTitle, agreed)) {
            stopEarly();
            return false;
        }
    }

    errors.SetCurrentOperation("Close output forms if open ");
    if (app_.Actions().closeTableViewers)
        for (const std::string* name : {&output1, &output2})
            if (!name->empty()) app_.Actions().closeTableViewers(*name);

    errors.SetCurrentOperation("Creating m_oStats ");
    relay_ = std::make_unique<GuiRelay>();
    prompter_ = std::make_unique<GuiThreadPrompter>(app_.Prompts(), *relay_);
    // The engine asks about tables it did not write itself; the user has
    // just answered that very question.
    if (!agreed.empty()) prompter_->AnsweredYes(agreed);
    runPrompter_ = std::make_unique<RunPrompter>(*prompter_);
    if (ErrorWindow* window = app_.UnexpectedErrorWindow())
        errorWindow_ = std::make_unique<RunErrorWindow>(*window);
    engine_ = std::make_unique<Quorvane>(runPrompter_.get(), errorWindow_.get());
    engine_->ErrorHandler().SetDestination(errors.Destination());
    engine_->ErrorHandler().SetApplicationTitle(kAppTitle);

    // The worker reads through a connection of its own: the windows keep
    // using theirs meanwhile.
    errors.SetCurrentOperation("Set database ");
    auto own = dao::DBEngine::Instance().OpenDatabase(db.Name(), false, false, db.Connect());
    dao::Error e = own ? engine_->SetScenarioDatabase(*own) : own.error();
    if (e) {
        engine_.reset();
        errorWindow_.reset();
        runPrompter_.reset();
        prompter_.reset();
        relay_.reset();
        if (own) own->Close();
        errors.HandleError(e.number, e.description);
        return false;
    }
    connection_ = *own;

    errors.SetCurrentOperation("Show status form ");
    status_ = new StatusWindow(window_);
    status_->SetScenario(scenario, QString::fromStdString(description));
    connect(status_, &StatusWindow::cancelRequested, this, &ScenarioRunner::Cancel);
    status_->show();
    QApplication::setOverrideCursor(Qt::BusyCursor);

    errors.SetCurrentOperation("Running scenario");
    scenario_ = scenario;
    description_ = description;
    cancelAsked_ = false;
    output1_ = output1;
    output2_ = output2;
    ok_ = false;
    raised_.clear();
    engine_->OnStatStatus([this](const std::string& line) { postStatus(line); });
    engine_->OnRunNote([this](const std::string& note) {
        relay_->Post([this, note] {
            if (status_) status_->AddNote(QString::fromStdString(note));
        });
    });
    engine_->OnStatProgress([this](long done, long total) {
        // Few reports per run: each waits until it is shown, so a Cancel
        // pressed on seeing it stops the run before it reads further.
        relay_->Call<bool>([this, done, total] {
            showProgress(done, total);
            return true;
        });
    });
    thread_ = QThread::create([this, scenario] {
        RunScenarioArgs args;
        args.ShowProgress = true;
        args.ShowErrors = true;
        try {
            ok_ = engine_->RunScenario(scenario, args);
        } catch (const std::exception& ex) {
            raised_ = ex.what();
            ok_ = false;
        } catch (...) {
            raised_ = "An exception of unknown type was raised.";
            ok_ = false;
        }
    });
    connect(thread_, &QThread::finished, this, &ScenarioRunner::finish, Qt::QueuedConnection);
    thread_->start();
    emit runStarted(scenario);
    return true;
}

void ScenarioRunner::Cancel() {
    if (!engine_) return;
    cancelAsked_ = true;
    engine_->RequestCancel();
}

void ScenarioRunner::showProgress(long done, long total) {
    if (status_) status_->SetProgress(done, total);
    emit progress(done, total);
}

void ScenarioRunner::postStatus(const std::string& line) {
    bool post = false;
    {
        std::lock_guard<std::mutex> lock(statusMu_);
        if (pendingStatus_.size() >= kStatusBacklog && !isStageLine(line) &&
            !isStageLine(pendingStatus_.back()))
            pendingStatus_.back() = line;
        else
            pendingStatus_.push_back(line);
        post = !drainPosted_;
        drainPosted_ = true;
    }
    if (post) relay_->Post([this] { drainStatus(); });
}

void ScenarioRunner::drainStatus() {
    std::vector<std::string> lines;
    {
        std::lock_guard<std::mutex> lock(statusMu_);
        lines.swap(pendingStatus_);
        drainPosted_ = false;
    }
    if (!status_) return;
    for (const std::string& line : lines) status_->SetMessage(QString::fromStdString(line));
}

void ScenarioRunner::finish() {
    if (!thread_) return;
    drainStatus();
    if (quiet_)
        delete thread_;  // it has ended: the destructor waited for it
    else
        thread_->deleteLater();
    thread_ = nullptr;
    QApplication::restoreOverrideCursor();
    const bool ok = ok_;
    const bool windowShown = errorWindow_ && errorWindow_->Shown();
    const std::string reason = raised_.empty() ? engine_->ErrorInfo() : raised_;
    const std::vector<std::string> written = engine_->WrittenOutputs();
    const std::vector<std::string> notes = engine_->RunNotes();
    engine_.reset();
    errorWindow_.reset();
    runPrompter_.reset();
    prompter_.reset();
    relay_.reset();
    connection_.Close();
    connection_ = dao::Database();

    // A run the user cancelled ends in its status window; any other goes.
    const bool cancelled = !ok && cancelAsked_ && raised_.empty() && !quiet_;
    if (status_ && cancelled) {
        status_->ShowCancelled();
        status_->setAttribute(Qt::WA_DeleteOnClose);
        cancelled_ = status_;
    } else if (status_) {
        status_->hide();
        status_->deleteLater();
    }
    status_ = nullptr;

    if (!quiet_) {
        if (cancelled) {
            if (!cancelled_)
                app_.Prompts().inform(
                    kAppTitle, "Run of scenario " + std::to_string(scenario_) + " cancelled.");
        } else if (!raised_.empty()) {
            // Nothing anticipated it: the unexpected-error window, naming the
            // error file. The handler leaves the procedure itself.
            app_.Errors().HandleError(kInternalError, raised_);
            app_.Errors().SetCurrentOperation("");
            emit finished(ok);
            return;
        } else if (!ok) {
            if (!windowShown)
                app_.Prompts().critical(kAppTitle,
                                        kFailedReason + std::string(kCrLf) + kCrLf + reason);
        } else {
            tellEnd(written, notes);
        }
    }
    stopEarly();
    emit finished(ok);
}

void ScenarioRunner::tellEnd(const std::vector<std::string>& written,
                             const std::vector<std::string>& notes) {
    if (!app_.Actions().showTableData) return;
    // Only what the run wrote: a table it was not asked for may be missing,
    // or be left from an earlier run.
    auto wrote = [&](const std::string& name) {
        return !name.empty() && std::any_of(written.begin(), written.end(), [&](const auto& w) {
            return QString::fromStdString(w).compare(QString::fromStdString(name),
                                                     Qt::CaseInsensitive) == 0;
        });
    };
    // The notes say what the tables alone do not (which levels were compared).
    std::string about;
    for (const std::string& n : notes) about += (about.empty() ? " (" : "; ") + n;
    if (!about.empty()) about += ")";
    CErr_Zelk& errors = app_.Errors();
    errors.SetCurrentOperation("Loading output grid2");
    if (wrote(output2_)) app_.Actions().showTableData(output2_, "Scenario Output Table 2" + about);
    errors.SetCurrentOperation("Loading output grid1");
    if (wrote(output1_)) app_.Actions().showTableData(output1_, "Scenario Output Table" + about);
}

}  // namespace qrv::designer
