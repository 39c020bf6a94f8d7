// The Options dialog: the prefix the wizard proposes for output table names.
#pragma once

#include <QDialog>

class QLineEdit;

namespace qrv::designer {

class AppState;

class OptionsDialog final : public QDialog {
    Q_OBJECT
  public:
    explicit OptionsDialog(AppState& app, QWidget* parent = nullptr);
    // What OK does: writes the setting and closes.
    void onOk();

  private:
    AppState& app_;
    QLineEdit* prefix_;
};

}  // namespace qrv::designer
