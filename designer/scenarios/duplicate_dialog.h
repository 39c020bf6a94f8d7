// The duplicate dialog (frmDuplicate): shows a scenario's description and
// copies the scenario, with its options and field assignments, under the
// new description the user gives.
#pragma once

#include <QDialog>
#include <cstdint>

#include "designer/app_state.h"

class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace qrv::designer {

class DuplicateDialog final : public QDialog {
    Q_OBJECT
  public:
    DuplicateDialog(AppState& app, QWidget* parent = nullptr);

    // Reads the scenario to copy and fills both descriptions; false (after
    // the error handler has told why) when it cannot be read or is gone.
    bool SetScenarioID(std::int32_t id);
    std::int32_t ScenarioID() const { return id_; }
    // The number of the copy once it is saved; 0 before.
    std::int32_t NewScenarioID() const { return newId_; }

  public slots:
    // OK: makes the copy and closes the dialog; on a failure it stays open.
    bool tryAccept();

  private:
    bool SaveNewScenario();
    void updateOk();
    void fitDescriptionHeight();

    AppState& app_;
    std::int32_t id_ = 0, newId_ = 0;
    QPlainTextEdit* current_;
    QLineEdit* newDescription_;
    QPushButton* ok_;
};

}  // namespace qrv::designer
