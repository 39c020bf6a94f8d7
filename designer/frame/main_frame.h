// The designer's main frame: the menus, the toolbar and the status bar around
// an MDI area where the scenario list and the other windows open. It owns the
// recent-database list and the help window, and opens and closes the current
// database for the whole program.
#pragma once

#include <QMainWindow>
#include <QMdiSubWindow>
#include <QPointer>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "designer/frame/mru_list.h"
#include "util/help_window.h"

class QAction;
class QLabel;
class QMdiArea;
class QMenu;
class QStyle;

namespace qrv::util {
class DesktopLauncher;
class FileChooser;
}  // namespace qrv::util

namespace qrv::designer {

class AppState;

// The desktop services the frame uses; null ones get the real desktop's.
struct FrameServices {
    util::FileChooser* chooser = nullptr;
    util::DesktopLauncher* launcher = nullptr;
};

// The help page shipped with the program.
inline constexpr const char* kHelpHome = "qrc:/help/index.html";
inline constexpr const char* kProductPage = "https://quorvane.example/";
inline constexpr const char* kDownloadsPage = "https://quorvane.example/downloads";

class MainFrame final : public QMainWindow {
    Q_OBJECT
  public:
    explicit MainFrame(AppState& app, FrameServices services = {}, QWidget* parent = nullptr);
    ~MainFrame() override;

    // Makes the window listing the current database's scenarios; the frame
    // opens it as a child each time a database opens. Unset: nothing opens.
    std::function<QWidget*(AppState&)> makeScenarioWindow;
    // The scenario the user has chosen (0: none), for Generate VB Code.
    std::function<std::int32_t()> currentScenario;

    // The ways a database is opened; each first closes the windows on the
    // current one. A path alone opens with the default workspace.
    void selectDatabase();
    bool openDatabase(const std::string& path);
    bool openRecent(std::size_t index);
    void closeDatabase();
    // A later start of the program sent its argument: come forward, and open
    // the database it names, if any, once no modal window is open.
    void activateFromOtherStart(const QString& argument);
    // Why a later start may not hand over now (a modal window is open, and
    // switching the database under it would leave it on a closed one);
    // empty when it may.
    static QString HandOverRefusal();

    void showHelp();
    void showAbout();
    bool showOptions();
    void showCalculator();
    void generateCode();
    // Closes every window, the database and the frame.
    void exitApplication();

    CMRU& recent() { return mru_; }
    QMdiArea* mdiArea() const { return mdi_; }
    util::HelpWindow* helpWindow() const { return help_; }
    QString statusText() const;
    // Re-reads the recent list into the File menu.
    void refreshRecentMenu();

    // The Window menu's arrangements of the child windows. None of them
    // puts a window over the list window's buttons or under the row of
    // minimised windows.
    void tileHorizontally();
    void tileVertically();
    void cascade();
    // Lines the minimised windows up along the bottom and keeps the list
    // window clear of them.
    void arrangeIcons();

    // The Window menu: the arrangements, then one checkable item per child
    // window ("&1 " + its title ...), the current one checked.
    QMenu* windowMenu() const { return windowMenu_; }
    // Rebuilds the window items (done also each time the menu opens).
    void refreshWindowMenu();
    // Opens the Window menu from the menu bar, as a click on it does, and
    // answers it (for a picture of it).
    QMenu* showWindowMenu();
    // Brings a child forward, restored if it was minimised.
    void activateChild(QMdiSubWindow* child);
    // Ctrl+F4: closes the current child; the list window stays while a
    // database is open.
    void closeActiveChild();
    // The child holding the scenario list; null while no database is open.
    QMdiSubWindow* scenarioChild() const { return listWindow_; }

  protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void buildMenus();
    void buildToolbar();
    void databaseOpened();
    void closeChildren();
    void updateActions();
    void buildWindowMenu();
    // Gives children added by any window the frame's handling (wide icons,
    // icons laid out again when one is minimised or restored).
    void adoptChildren();
    void iconsChanged();
    // The children's area without the row of minimised windows.
    QRect childArea() const;
    QRect areaAboveIcons() const;
    void fitListAbove(int top);
    util::FileChooser& chooser();
    util::DesktopLauncher& launcher();

    AppState& app_;
    FrameServices services_;
    std::unique_ptr<util::FileChooser> ownChooser_;
    std::unique_ptr<util::DesktopLauncher> ownLauncher_;
    CMRU mru_;
    QMdiArea* mdi_;
    QLabel* status_;
    QPointer<util::HelpWindow> help_;
    QAction* openAction_ = nullptr;
    QAction* closeAction_ = nullptr;
    QAction* calculatorAction_ = nullptr;
    QAction* optionsAction_ = nullptr;
    QAction* generateAction_ = nullptr;
    QAction* helpAction_ = nullptr;
    QAction* recentSeparator_ = nullptr;
    QAction* recentActions_[CMRU::MaxMRUItems] = {};
    QMenu* windowMenu_ = nullptr;
    QAction* windowListSeparator_ = nullptr;
    QList<QAction*> windowItems_;
    QPointer<QMdiSubWindow> listWindow_;
    // The list window's height before the icons made room for themselves
    // (0: not shrunk).
    int listFullHeight_ = 0;
    QStyle* iconStyle_ = nullptr;
    bool closing_ = false;
    bool closingChildren_ = false;
    bool iconsPending_ = false;
};

// Registers the program's own resources (help page, icons) with Qt; needed
// once before the first window, because they live in a static library.
void InitDesignerResources();

}  // namespace qrv::designer
