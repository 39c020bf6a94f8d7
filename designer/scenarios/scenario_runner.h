// Running a scenario from the scenario list (RunScenarioTest): check the
// output names by the rules of a run and confirm replacing a table that holds
// other data (the scenario's own earlier outputs are replaced without asking),
// close the viewers showing them,
// run the engine on a worker thread while the status window names the
// scenario and shows its status lines, notes and progress and offers Cancel,
// then tell how it ended: a failure in one message (or in the
// unexpected-error window, for an error nobody anticipated), a cancel in the
// status window, a success by opening the output tables the run wrote. The
// window stays responsive throughout; the engine's own prompts are shown on
// the GUI thread.
#pragma once

#include <QObject>
#include <QPointer>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "dataaccess/objects/database.h"
#include "designer/app_state.h"
#include "designer/scenarios/status_window.h"

class QThread;

namespace qrv {
class Quorvane;
}

namespace qrv::designer {

class GuiRelay;
class GuiThreadPrompter;
class RunPrompter;
class RunErrorWindow;

class ScenarioRunner final : public QObject {
    Q_OBJECT
  public:
    // window: the status window's parent (may be null).
    ScenarioRunner(AppState& app, QWidget* window, QObject* parent = nullptr);
    // A run still going is cancelled and waited for, showing nothing more.
    ~ScenarioRunner() override;

    // Answers true when a run was started; false when the scenario is gone,
    // the user kept the existing tables or the run could not be set up (all
    // told through the prompter), or a run is already going.
    bool Start(std::int32_t scenario);
    bool Running() const { return thread_ != nullptr; }
    // The status window of the run in progress; null between runs.
    StatusWindow* Status() const { return status_; }
    // The status window of the last run when it ended cancelled, until the
    // user closes it (null otherwise).
    StatusWindow* CancelledStatus() const { return cancelled_; }
    // Asks the run in progress to stop.
    void Cancel();

  signals:
    void runStarted(std::int32_t scenario);
    // Rows read of total (-1 while unknown), as the status window shows them.
    void progress(long done, long total);
    void finished(bool ok);

  private:
    void stopEarly();
    void showProgress(long done, long total);
    void postStatus(const std::string& message);
    void drainStatus();
    void finish();
    // Opens the output tables the run wrote, their captions naming its notes.
    void tellEnd(const std::vector<std::string>& written, const std::vector<std::string>& notes);

    AppState& app_;
    QPointer<QWidget> window_;
    QPointer<StatusWindow> status_;
    QPointer<StatusWindow> cancelled_;
    // Destroyed in reverse: the engine, its prompters and error window, then
    // the relay they use.
    std::unique_ptr<GuiRelay> relay_;
    std::unique_ptr<GuiThreadPrompter> prompter_;
    std::unique_ptr<RunPrompter> runPrompter_;
    std::unique_ptr<RunErrorWindow> errorWindow_;
    dao::Database connection_;  // the run's own connection to the current database
    std::unique_ptr<Quorvane> engine_;
    QThread* thread_ = nullptr;
    std::int32_t scenario_ = 0;
    std::string description_;
    std::string output1_, output2_;
    bool cancelAsked_ = false;
    std::atomic<bool> ok_{false};
    std::string raised_;  // what the worker caught, if anything
    bool quiet_ = false;

    // Status lines from the worker waiting for the GUI thread.
    std::mutex statusMu_;
    std::vector<std::string> pendingStatus_;
    bool drainPosted_ = false;
};

}  // namespace qrv::designer
