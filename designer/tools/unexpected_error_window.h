// The unexpected-error window (form frmErrorHandler): what failed, where the
// error report was written, ways to read it and to send it to support, and
// the choice to go on with the action or to abandon it.
#pragma once

#include <QDialog>
#include <QObject>
#include <string>

#include "designer/app_state.h"
#include "engine/quorvane.h"
#include "util/desktop_launcher.h"

class QLabel;

namespace qrv::designer::tools {

class UnexpectedErrorWindow : public QDialog {
    Q_OBJECT
  public:
    UnexpectedErrorWindow(AppState& app, util::DesktopLauncher& desktop, const CErr_Zelk& handler,
                          QWidget* parent = nullptr);

    // The buttons' work, also for tests.
    void viewErrorFile();
    void openReadMe();
    void mailErrorFile();
    void visitSupportPage();
    void showHelp();

  private:
    AppState& app_;
    util::DesktopLauncher& desktop_;
    std::string errorFile_;
    std::string message_;
};

// The unexpected-error window of the designer: shows the window modally and
// answers whether the user chose Continue. While it exists, the program's own
// error handler (app.Errors()) shows its errors here instead of in a message
// box, and the engines the designer runs show theirs here too (through
// AppState::UnexpectedErrorWindow). Create it on the GUI thread; an engine
// running on a worker thread may call it, and then waits while the window
// is shown on the GUI thread, whose event loop must be running (a GUI
// thread that itself waits for that worker would wait forever).
class DesignerErrorWindow : public QObject, public ErrorWindow {
    Q_OBJECT
  public:
    DesignerErrorWindow(AppState& app, util::DesktopLauncher& desktop, QWidget* parent = nullptr);
    // The handler's message box comes back.
    ~DesignerErrorWindow() override;
    bool ShowUnexpectedError(const CErr_Zelk& handler) override;

  protected:
    // Runs the window to its end; true for Continue. Tests replace the modal loop.
    virtual bool present(UnexpectedErrorWindow& window);

  private:
    bool showOnGuiThread(const CErr_Zelk& handler);
    AppState& app_;
    util::DesktopLauncher& desktop_;
    QWidget* parent_;
    bool handlerDisplayed_;  // whether the program's handler showed errors before
};

}  // namespace qrv::designer::tools
