// What the frame's menus and toolbar do: opening and closing the current
// database, the tools, help and leaving.
#include <QApplication>
#include <QCloseEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTimer>

#include "dataaccess/objects/dbengine.h"
#include "designer/app_state.h"
#include "designer/frame/database_session.h"
#include "designer/frame/logon_tag.h"
#include "designer/frame/main_frame.h"
#include "designer/frame/options_dialog.h"
#include "designer/frame/select_database.h"
#include "util/about_box.h"
#include "util/help_window.h"
#include "util/window_positions.h"

namespace qrv::designer {

namespace {

// The cursor shows the wait while a database opens, also when opening fails.
class WaitCursor {
  public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace

void MainFrame::closeChildren() {
    // The list window may close now: the database goes with it.
    closingChildren_ = true;
    for (QMdiSubWindow* w : mdi_->subWindowList()) w->close();
    // Whatever is left (refused to close, or closed but not yet deleted) goes
    // now: the database under it is going.
    for (QMdiSubWindow* w : mdi_->subWindowList()) delete w;
    closingChildren_ = false;
    listWindow_ = nullptr;
    listFullHeight_ = 0;
}

void MainFrame::selectDatabase() {
    const bool opened =
        SelectDatabaseDialog(app_, mru_, chooser(), this, [this] { closeChildren(); });
    refreshRecentMenu();
    if (opened) databaseOpened();
    updateActions();
}

bool MainFrame::openDatabase(const std::string& path) {
    closeChildren();
    bool opened = false;
    {
        WaitCursor wait;
        opened = AssignCurrentDatabase(app_, path, "", "", "");
    }
    if (opened) {
        const bool savePassword =
            app_.SettingsA().ReadEntry(kSavePasswordSetting, "False") == "True";
        mru_.SetMRUList(path, BuildLogonTag({}, savePassword));
        mru_.WriteMRUList();
        refreshRecentMenu();
        databaseOpened();
    }
    updateActions();
    return opened;
}

bool MainFrame::openRecent(std::size_t index) {
    if (index >= mru_.Count()) return false;
    closeChildren();
    bool opened = false;
    {
        WaitCursor wait;
        opened = OpenRecentDatabase(app_, mru_, index);
    }
    refreshRecentMenu();
    if (opened) databaseOpened();
    updateActions();
    return opened;
}

void MainFrame::databaseOpened() {
    // Error reports name the workgroup file the database was opened through.
    app_.Errors().SetWorkgroupPath(dao::DBEngine::Instance().SystemDB());
    updateActions();
    if (!makeScenarioWindow) return;
    QWidget* content = makeScenarioWindow(app_);
    if (!content) return;
    // No close button: the list lives as long as the database (Close
    // Database closes it); it may be minimised and maximised.
    QMdiSubWindow* sub =
        mdi_->addSubWindow(content, Qt::SubWindow | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                        Qt::WindowMinMaxButtonsHint);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->installEventFilter(this);
    listWindow_ = sub;
    // A normal window filling the area (a saved place, if any, wins when it
    // shows): the viewers opened from it then open as windows of their own.
    sub->setGeometry(childArea());
    sub->show();
    mdi_->setActiveSubWindow(sub);
}

void MainFrame::closeDatabase() {
    closeChildren();
    app_.CloseDatabase();
    updateActions();
}

QString MainFrame::HandOverRefusal() {
    if (!QApplication::activeModalWidget()) return {};
    return QString::fromUtf8(kDesignerTitle) +
           " is already running and has a dialog open. Finish or close that dialog, then "
           "open the database again.";
}

void MainFrame::activateFromOtherStart(const QString& argument) {
    // Taken while no dialog was open, but one may have opened since: the
    // database changes only once it has closed.
    if (!argument.isEmpty() && QApplication::activeModalWidget()) {
        QTimer::singleShot(200, this, [this, argument] { activateFromOtherStart(argument); });
        return;
    }
    if (isMinimized()) showNormal();
    show();
    raise();
    activateWindow();
    if (!argument.isEmpty()) openDatabase(argument.toStdString());
}

void MainFrame::showHelp() {
    // A modal window (the wizard, a dialog) blocks every window but its own,
    // so help asked for from it must be one of its windows to be usable.
    QWidget* owner = QApplication::activeModalWidget();
    if (!owner) owner = this;
    if (help_ && help_->parentWidget() != owner) {
        help_->close();  // deletes itself later
        help_ = nullptr;
    }
    if (!help_) {
        help_ = new util::HelpWindow(kHelpHome, launcher(), owner);
        help_->setAttribute(Qt::WA_DeleteOnClose);
    }
    help_->showTopic();
}

void MainFrame::showAbout() {
    util::ShowAboutBox(this, kDesignerTitle, kVersion);
}

bool MainFrame::showOptions() {
    OptionsDialog dialog(app_, this);
    return dialog.exec() == QDialog::Accepted;
}

void MainFrame::showCalculator() {
    if (app_.Actions().openCalculator) app_.Actions().openCalculator();
}

void MainFrame::generateCode() {
    if (!app_.HasDatabase() || !app_.Actions().generateCode) return;
    const std::int32_t scenario = currentScenario ? currentScenario() : 0;
    if (scenario == 0) {
        app_.Prompts().inform(kAppTitle, "Please select a scenario from the list.");
        return;
    }
    app_.Actions().generateCode(scenario);
}

void MainFrame::exitApplication() {
    app_.Errors().Push("ExitApplication");
    close();
    app_.Errors().ExitProcedure();
}

void MainFrame::closeEvent(QCloseEvent* event) {
    if (!closing_) {
        closing_ = true;
        util::ProgramSettings positions = app_.FormPositions();
        util::SaveWindowPosition(positions, "MDIMain", *this);
        // Every other window goes first (tool windows may have no parent),
        // then the children and the database under them.
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w != this && w->isVisible()) w->close();
        closeChildren();
        app_.CloseDatabase();
        updateActions();
    }
    event->accept();
}

}  // namespace qrv::designer
