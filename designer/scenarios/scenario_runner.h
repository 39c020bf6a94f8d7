// Running a scenario from the scenario list (RunScenarioTest): check the
// output names by the rules of a run and confirm replacing a table that holds
// other data (the scenario's own earlier outputs are replaced without asking),
// close the viewers showing them,
// run the engine on a worker thread while the status window shows its status
// lines and progress and offers Cancel, then show the failure or open the
// output tables in viewers. The window stays responsive throughout; the
// engine's own prompts are shown on the GUI thread.
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

    AppState& app_;
    QPointer<QWidget> window_;
    QPointer<StatusWindow> status_;
    // Destroyed in reverse: the engine, its prompter, then the relay they use.
    std::unique_ptr<GuiRelay> relay_;
    std::unique_ptr<GuiThreadPrompter> prompter_;
    dao::Database connection_;  // the run's own connection to the current database
    std::unique_ptr<Quorvane> engine_;
    QThread* thread_ = nullptr;
    std::int32_t scenario_ = 0;
    std::string output1_, output2_;
    std::atomic<bool> ok_{false};
    std::string raised_;  // what the worker caught, if anything
    bool quiet_ = false;

    // Status lines from the worker waiting for the GUI thread.
    std::mutex statusMu_;
    std::vector<std::string> pendingStatus_;
    bool drainPosted_ = false;
};

}  // namespace qrv::designer
