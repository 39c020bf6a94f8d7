#include "designer/frame/main_frame.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>

#include "designer/app_state.h"
#include "util/desktop_launcher.h"
#include "util/file_dialogs.h"
#include "util/help_window.h"
#include "util/window_positions.h"

// Q_INIT_RESOURCE names a global function, so it is called outside the namespace.
static void initResources() {
    Q_INIT_RESOURCE(designer);
}

namespace qrv::designer {

void InitDesignerResources() {
    initResources();
}

MainFrame::MainFrame(AppState& app, FrameServices services, QWidget* parent)
    : QMainWindow(parent),
      app_(app),
      services_(services),
      mru_(app.SettingsA()),
      mdi_(new QMdiArea(this)),
      status_(new QLabel(this)) {
    app_.Errors().Push("MDIForm_Load");
    InitDesignerResources();
    setObjectName("MDIMain");
    setWindowTitle(kDesignerTitle);
    setWindowIcon(QIcon(":/icons/quorvane.svg"));
    mdi_->setObjectName("mdiArea");
    mdi_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    mdi_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // A viewer opened over a maximised window opens as a window of its own.
    mdi_->setOption(QMdiArea::DontMaximizeSubWindowOnActivation);
    setCentralWidget(mdi_);
    status_->setObjectName("lblDatabase");
    statusBar()->addWidget(status_, 1);

    buildMenus();
    buildToolbar();
    mru_.GetMRUList();
    refreshRecentMenu();
    updateActions();

    // A message about an unexpected error must not sit under an hourglass.
    app_.Errors().OnBeforeHandlerCalled([](bool&) {
        while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
    });
    // Windows that need help ask the frame through the shared actions.
    if (!app_.Actions().showHelp) app_.Actions().showHelp = [this] { showHelp(); };

    util::PlaceAtDefault(*this);
    util::RestoreWindowPosition(app_.FormPositions(), "MDIMain", *this);
    app_.Errors().ExitProcedure();
}

MainFrame::~MainFrame() {
    // The children go after this body; their signals must not reach it.
    // Closed ones waiting to be deleted are no longer listed: all children.
    for (QMdiSubWindow* w : mdi_->findChildren<QMdiSubWindow*>()) w->disconnect(this);
    mdi_->disconnect(this);
    // The shared action must not outlive the frame it calls.
    app_.Actions().showHelp = nullptr;
    app_.Errors().OnBeforeHandlerCalled(nullptr);
}

util::FileChooser& MainFrame::chooser() {
    if (services_.chooser) return *services_.chooser;
    if (!ownChooser_) ownChooser_ = std::make_unique<util::DialogFileChooser>();
    return *ownChooser_;
}

util::DesktopLauncher& MainFrame::launcher() {
    if (services_.launcher) return *services_.launcher;
    if (!ownLauncher_) ownLauncher_ = std::make_unique<util::SystemDesktopLauncher>();
    return *ownLauncher_;
}

void MainFrame::buildMenus() {
    QStyle* st = style();
    QMenu* file = menuBar()->addMenu("&File");
    file->setObjectName("mnuFile");
    openAction_ = file->addAction(st->standardIcon(QStyle::SP_DialogOpenButton),
                                  "&Open Database...", this, [this] { selectDatabase(); });
    openAction_->setObjectName("mnuFileOpen");
    openAction_->setShortcut(QKeySequence::Open);
    closeAction_ = file->addAction(st->standardIcon(QStyle::SP_DialogCloseButton),
                                   "&Close Database", this, [this] { closeDatabase(); });
    closeAction_->setObjectName("mnuFileClose");
    recentSeparator_ = file->addSeparator();
    for (std::size_t i = 0; i < CMRU::MaxMRUItems; ++i) {
        QAction* a = file->addAction(QString(), this, [this, i] { openRecent(i); });
        a->setObjectName(QString("MRU%1").arg(i + 1));
        a->setVisible(false);
        recentActions_[i] = a;
    }
    file->addSeparator();
    QAction* exit = file->addAction("E&xit", this, [this] { exitApplication(); });
    exit->setObjectName("mnuFileExit");
    exit->setShortcut(QKeySequence::Quit);

    QMenu* tools = menuBar()->addMenu("&Tools");
    tools->setObjectName("mnuTools");
    calculatorAction_ =
        tools->addAction(st->standardIcon(QStyle::SP_FileDialogContentsView),
                         "&Probability Calculator", this, [this] { showCalculator(); });
    calculatorAction_->setObjectName("mnuToolsCalculator");
    optionsAction_ = tools->addAction("&Options", this, [this] { showOptions(); });
    optionsAction_->setObjectName("mnuToolsOptions");
    generateAction_ = tools->addAction("&Generate VB Code", this, [this] { generateCode(); });
    generateAction_->setObjectName("mnuToolsGenerate");

    buildWindowMenu();

    // Alt+H is the scenario list's Help button.
    QMenu* help = menuBar()->addMenu("Hel&p");
    help->setObjectName("mnuHelp");
    helpAction_ = help->addAction(
        QIcon::fromTheme("help-contents", st->standardIcon(QStyle::SP_MessageBoxQuestion)),
        "&Contents and Index", this, [this] { showHelp(); });
    helpAction_->setObjectName("mnuHelpContents");
    helpAction_->setShortcut(QKeySequence::HelpContents);
    QMenu* web = help->addMenu("Quorvane on the &Web");
    web->setObjectName("mnuHelpWeb");
    auto addPage = [this, web](const char* caption, const char* name, const char* url) {
        web->addAction(caption, this, [this, url] { launcher().openUrl(url); })
            ->setObjectName(name);
    };
    addPage("&Product Page", "mnuWebProduct", kProductPage);
    addPage("&Support", "mnuWebSupport", kSupportPage);
    addPage("&Downloads and Updates", "mnuWebDownloads", kDownloadsPage);
    help->addSeparator();
    help->addAction("&About", this, [this] { showAbout(); })->setObjectName("mnuHelpAbout");
}

void MainFrame::buildToolbar() {
    QToolBar* bar = addToolBar("Standard");
    bar->setObjectName("tbrMain");
    bar->setMovable(false);
    bar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    const std::pair<QAction*, const char*> buttons[] = {{openAction_, "btnOpen"},
                                                        {closeAction_, "btnClose"},
                                                        {calculatorAction_, "btnCalc"},
                                                        {helpAction_, "btnHelp"}};
    for (const auto& [action, name] : buttons) {
        if (action == calculatorAction_) bar->addSeparator();
        bar->addAction(action);
        if (QWidget* w = bar->widgetForAction(action)) {
            w->setObjectName(name);
            // Flat buttons, with the menu text (no mnemonic) as the tip.
            if (auto* b = qobject_cast<QToolButton*>(w)) b->setAutoRaise(true);
            w->setToolTip(action->text().remove('&').remove("..."));
        }
    }
}

void MainFrame::refreshRecentMenu() {
    const auto& entries = mru_.Entries();
    for (std::size_t i = 0; i < CMRU::MaxMRUItems; ++i) {
        QAction* a = recentActions_[i];
        if (i < entries.size()) {
            QString path = QString::fromStdString(entries[i].path);
            // A "&" in a path is text, not a mnemonic.
            path.replace('&', "&&");
            a->setText(QString("&%1. %2").arg(i + 1).arg(path));
            a->setVisible(true);
        } else {
            a->setText(QString());
            a->setVisible(false);
        }
    }
    recentSeparator_->setVisible(!entries.empty());
}

void MainFrame::updateActions() {
    const bool open = app_.HasDatabase();
    closeAction_->setEnabled(open);
    generateAction_->setEnabled(open);
    status_->setText(open ? QString::fromStdString(app_.CurrentDatabase().Name()) : QString());
}

QString MainFrame::statusText() const {
    return status_->text();
}

}  // namespace qrv::designer
