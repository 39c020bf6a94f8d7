#include "designer/scenarios/scenario_runner.h"

#include <QApplication>
#include <QEventLoop>
#include <QThread>
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

bool isStageLine(const std::string& line) {
    return line.size() >= 3 && line.compare(line.size() - 3, 3, "...") == 0;
}

}  // namespace

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
}

void ScenarioRunner::stopEarly() {
    app_.Errors().SetCurrentOperation("");
    app_.Errors().ExitProcedure();
}

bool ScenarioRunner::Start(std::int32_t scenario) {
    if (thread_) return false;
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
    engine_ = std::make_unique<Quorvane>(prompter_.get(), app_.UnexpectedErrorWindow());
    engine_->ErrorHandler().SetDestination(errors.Destination());
    engine_->ErrorHandler().SetApplicationTitle(kAppTitle);

    // The worker reads through a connection of its own: the windows keep
    // using theirs meanwhile.
    errors.SetCurrentOperation("Set database ");
    auto own = dao::DBEngine::Instance().OpenDatabase(db.Name(), false, false, db.Connect());
    dao::Error e = own ? engine_->SetScenarioDatabase(*own) : own.error();
    if (e) {
        engine_.reset();
        prompter_.reset();
        relay_.reset();
        if (own) own->Close();
        errors.HandleError(e.number, e.description);
        return false;
    }
    connection_ = *own;

    errors.SetCurrentOperation("Show status form ");
    status_ = new StatusWindow(window_);
    connect(status_, &StatusWindow::cancelRequested, this, &ScenarioRunner::Cancel);
    status_->show();
    QApplication::setOverrideCursor(Qt::BusyCursor);

    errors.SetCurrentOperation("Running scenario");
    scenario_ = scenario;
    output1_ = output1;
    output2_ = output2;
    ok_ = false;
    raised_.clear();
    engine_->OnStatStatus([this](const std::string& line) { postStatus(line); });
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
        }
    });
    connect(thread_, &QThread::finished, this, &ScenarioRunner::finish, Qt::QueuedConnection);
    thread_->start();
    emit runStarted(scenario);
    return true;
}

void ScenarioRunner::Cancel() {
    if (engine_) engine_->RequestCancel();
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
    CErr_Zelk& errors = app_.Errors();
    if (status_) {
        status_->hide();
        status_->deleteLater();
        status_ = nullptr;
    }
    QApplication::restoreOverrideCursor();
    const bool ok = ok_;
    const std::string reason = raised_.empty() ? engine_->ErrorInfo() : raised_;
    engine_.reset();
    prompter_.reset();
    relay_.reset();
    connection_.Close();
    connection_ = dao::Database();

    if (!quiet_) {
        if (!ok) {
            app_.Prompts().critical(kAppTitle, kFailedReason + std::string(kCrLf) + kCrLf + reason);
        } else if (app_.Actions().showTableData) {
            errors.SetCurrentOperation("Loading output grid2");
            if (!output2_.empty())
                app_.Actions().showTableData(output2_, "Scenario Output Table 2");
            errors.SetCurrentOperation("Loading output grid1");
            if (!output1_.empty()) app_.Actions().showTableData(output1_, "Scenario Output Table");
        }
    }
    stopEarly();
    emit finished(ok);
}

}  // namespace qrv::designer
