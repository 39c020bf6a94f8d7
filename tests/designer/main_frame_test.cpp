// The main frame: its menus and toolbar, the recent-database items, opening
// and closing the current database with the scenario window, the Options
// dialog, help, the About text and the saved window position. Also saves
// pictures of the frame and the Open Database dialog for a look by eye
// (under QRV_GRAB_DIR when set).
#include <QAction>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSplashScreen>
#include <QStyleOptionTitleBar>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QToolButton>
#include <QTreeWidget>
#include <QtTest>

#include "dataaccess/objects/dbengine.h"
#include "dataaccess/types.h"
#include "designer/app_state.h"
#include "designer/designer_setup.h"
#include "designer/frame/main_frame.h"
#include "designer/frame/open_database_dialog.h"
#include "designer/frame/options_dialog.h"
#include "designer/frame/window_arrangement.h"
#include "frame_fakes.h"
#include "scripted_prompter.h"
#include "util/about_box.h"
#include "util/settings.h"
#include "util/splash.h"
#include "util/window_positions.h"

using namespace qrv::designer;
using qrv::test::RecordingLauncher;
using qrv::test::ScriptedFileChooser;
using qrv::test::ScriptedPrompter;

namespace {

const std::string kSettingsKey = "Zelk/Quorvane/5.0/Settings";

std::string makeDatabase(const QTemporaryDir& dir, const char* name) {
    const std::string path = (dir.path() + "/" + name).toStdString();
    auto db = qrv::dao::DBEngine::Instance().CreateDatabase(path, qrv::dao::dbLangGeneral);
    if (!db) qFatal("cannot create %s: %s", path.c_str(), db.error().description.c_str());
    (void)db->Close();
    return path;
}

QStringList menuTexts(QMenu* menu) {
    QStringList out;
    for (QAction* a : menu->actions())
        if (!a->isSeparator()) out << a->text();
    return out;
}

QMenu* topMenu(QMainWindow& w, const char* name) {
    QMenu* m = w.menuBar()->findChild<QMenu*>(name);
    if (!m) qFatal("no menu %s", name);
    return m;
}

// The letter after the "&" of a caption, lower case; none: 0.
QChar mnemonic(const QString& caption) {
    const qsizetype at = caption.indexOf('&');
    return at >= 0 && at + 1 < caption.size() ? caption[at + 1].toLower() : QChar();
}

// The Window menu's items for the open windows, in order.
QList<QAction*> windowItems(MainFrame& f) {
    QList<QAction*> out;
    for (QAction* a : f.windowMenu()->actions())
        if (a->objectName().startsWith("mnuWindowItem")) out << a;
    return out;
}

void activate(QWidget& w) {
    w.show();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
}

void grab(QWidget& w, const char* file) {
    const QByteArray dir = qgetenv("QRV_GRAB_DIR");
    if (!dir.isEmpty()) w.grab().save(QString::fromUtf8(dir) + "/" + file);
}

}  // namespace

class MainFrameTest : public QObject {
    Q_OBJECT
  private:
    QTemporaryDir dir_;
    qrv::util::MemorySettingsStore store_;
    ScriptedPrompter prompter_;
    ScriptedFileChooser chooser_;
    RecordingLauncher launcher_;
    std::unique_ptr<AppState> app_;

  private slots:
    void init() {
        store_ = {};
        prompter_.shown.clear();
        app_ = std::make_unique<AppState>(store_, prompter_, dir_.path().toStdString(),
                                          dir_.path().toStdString());
    }
    void cleanup() { app_.reset(); }

    void menusCarryTheirCaptions() {
        MainFrame f(*app_, {&chooser_, &launcher_});
        QCOMPARE(f.windowTitle(), QString("Quorvane Scenario Designer"));
        QCOMPARE(menuTexts(topMenu(f, "mnuFile")),
                 (QStringList{"&Open Database...", "&Close Database", "", "", "", "", "E&xit"}));
        QCOMPARE(menuTexts(topMenu(f, "mnuTools")),
                 (QStringList{"&Probability Calculator", "&Options", "&Generate VB Code"}));
        QCOMPARE(
            menuTexts(topMenu(f, "mnuWindow")),
            (QStringList{"T&ile Horizontally", "&Tile Vertically", "&Cascade", "&Arrange Icons"}));
        QStringList help = menuTexts(topMenu(f, "mnuHelp"));
        QCOMPARE(help.size(), 3);
        QCOMPARE(help[0], QString("&Contents and Index"));
        QCOMPARE(help[2], QString("&About"));
        for (const char* b : {"btnOpen", "btnClose", "btnCalc", "btnHelp"})
            QVERIFY2(f.findChild<QToolButton*>(b), b);
        // Nothing open: no close, no code to generate, an empty status bar.
        QVERIFY(!f.findChild<QAction*>("mnuFileClose")->isEnabled());
        QVERIFY(!f.findChild<QAction*>("mnuToolsGenerate")->isEnabled());
        QCOMPARE(f.statusText(), QString());
    }

    void recentItemsAreCaptionedAndHiddenWhenEmpty() {
        store_.write(kSettingsKey, "MRU1", "/data/a.db");
        store_.write(kSettingsKey, "MRUTAG1", "/WG /UID /PWD ");
        store_.write(kSettingsKey, "MRU2", "/data/R&D.db");
        store_.write(kSettingsKey, "MRUTAG2", "/WG /UID /PWD ");
        MainFrame f(*app_, {&chooser_, &launcher_});
        QCOMPARE(f.findChild<QAction*>("MRU1")->text(), QString("&1. /data/a.db"));
        QVERIFY(f.findChild<QAction*>("MRU1")->isVisible());
        // An ampersand in a path shows as itself.
        QCOMPARE(f.findChild<QAction*>("MRU2")->text(), QString("&2. /data/R&&D.db"));
        QVERIFY(!f.findChild<QAction*>("MRU3")->isVisible());
        QVERIFY(!f.findChild<QAction*>("MRU4")->isVisible());
    }

    void openingShowsTheScenarioWindowAndClosingRemovesIt() {
        MainFrame f(*app_, {&chooser_, &launcher_});
        int made = 0;
        f.makeScenarioWindow = [&made](AppState& app) -> QWidget* {
            ++made;
            auto* w = new QLineEdit(QString::fromStdString(app.CurrentDatabase().Name()));
            w->setWindowTitle("Analysis Scenarios");
            return w;
        };
        const std::string first = makeDatabase(dir_, "first.db");
        prompter_.answer(true);
        QVERIFY(f.openDatabase(first));
        QCOMPARE(made, 1);
        QCOMPARE(f.mdiArea()->subWindowList().size(), 1);
        QCOMPARE(f.statusText(), QString::fromStdString(first));
        QVERIFY(f.findChild<QAction*>("mnuFileClose")->isEnabled());
        QCOMPARE(f.findChild<QAction*>("MRU1")->text(), "&1. " + QString::fromStdString(first));
        QCOMPARE(store_.read(kSettingsKey, "MRU1", ""), first);
        f.resize(900, 640);
        f.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f));
        grab(f, "frame-open.png");

        // Another database replaces the first and its window.
        const std::string second = makeDatabase(dir_, "second.db");
        prompter_.answer(true);
        QVERIFY(f.openDatabase(second));
        QCOMPARE(f.mdiArea()->subWindowList().size(), 1);
        auto* shown = qobject_cast<QLineEdit*>(f.mdiArea()->subWindowList()[0]->widget());
        QVERIFY(shown);
        QCOMPARE(shown->text(), QString::fromStdString(second));
        QCOMPARE(f.findChild<QAction*>("MRU2")->text(), "&2. " + QString::fromStdString(first));

        f.closeDatabase();
        QVERIFY(!app_->HasDatabase());
        QCOMPARE(f.mdiArea()->subWindowList().size(), 0);
        QCOMPARE(f.statusText(), QString());
        QVERIFY(!f.findChild<QAction*>("mnuFileClose")->isEnabled());

        // The recent item opens the first one again and moves it up.
        f.findChild<QAction*>("MRU2")->trigger();
        QVERIFY(app_->HasDatabase());
        QCOMPARE(f.statusText(), QString::fromStdString(first));
        QCOMPARE(store_.read(kSettingsKey, "MRU1", ""), first);
        QCOMPARE(made, 3);

        // A failed open leaves no database and no window.
        QVERIFY(!f.openDatabase((dir_.path() + "/missing/x.db").toStdString()));
        QVERIFY(!app_->HasDatabase());
        QCOMPARE(f.mdiArea()->subWindowList().size(), 0);
        QCOMPARE(store_.read(kSettingsKey, "MRU1", ""), first);
    }

    void anotherStartHandsOverItsDatabase() {
        MainFrame f(*app_, {&chooser_, &launcher_});
        const std::string db = makeDatabase(dir_, "handed.db");
        prompter_.answer(true);
        f.activateFromOtherStart(QString::fromStdString(db));
        QVERIFY(f.isVisible());
        QCOMPARE(f.statusText(), QString::fromStdString(db));
        // No argument: only comes forward.
        f.activateFromOtherStart(QString());
        QCOMPARE(f.statusText(), QString::fromStdString(db));
        f.close();
        QVERIFY(!app_->HasDatabase());
    }

    void noHandOverUnderAModalWindow() {
        // A wizard or any other dialog keeps the database it was opened on.
        MainFrame f(*app_, {&chooser_, &launcher_});
        const std::string first = makeDatabase(dir_, "kept.db");
        const std::string other = makeDatabase(dir_, "other.db");
        prompter_.answer(true);
        QVERIFY(f.openDatabase(first));
        QCOMPARE(MainFrame::HandOverRefusal(), QString());
        auto* dialog = new QDialog(&f);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->setModal(true);
        dialog->show();
        QVERIFY(MainFrame::HandOverRefusal().contains("has a dialog open"));
        // One that got through before the dialog opened waits for it.
        f.activateFromOtherStart(QString::fromStdString(other));
        QTest::qWait(450);  // the wait re-checks every 200 ms
        QCOMPARE(f.statusText(), QString::fromStdString(first));
        QCOMPARE(app_->CurrentDatabase().Name(), first);
        prompter_.answer(true);
        dialog->close();
        QTRY_COMPARE(f.statusText(), QString::fromStdString(other));
        QCOMPARE(MainFrame::HandOverRefusal(), QString());
        f.close();
    }

    void optionsDialogWritesThePrefix() {
        OptionsDialog d(*app_);
        auto* box = d.findChild<QLineEdit*>("txtOutputTablePrefix");
        QVERIFY(box);
        QCOMPARE(box->text(), QString("Quorvane_"));
        QStringList labels;
        for (QLabel* l : d.findChildren<QLabel*>()) labels << l->text();
        QVERIFY(labels.contains("Default Output Table Prefix:"));
        box->setText("Sales_");
        d.onOk();
        QCOMPARE(d.result(), int(QDialog::Accepted));
        QCOMPARE(store_.read(kSettingsKey, "OutputTablePrefix", ""), std::string("Sales_"));
        QCOMPARE(app_->OutputTablePrefix(), std::string("Sales_"));
        // Cancel writes nothing.
        OptionsDialog again(*app_);
        again.findChild<QLineEdit*>("txtOutputTablePrefix")->setText("Other_");
        again.reject();
        QCOMPARE(app_->OutputTablePrefix(), std::string("Sales_"));
    }

    void helpShowsTheShippedPage() {
        MainFrame f(*app_, {&chooser_, &launcher_});
        QVERIFY(!f.helpWindow());
        // F1 is the help key, as the help button and the menu item are.
        QCOMPARE(f.findChild<QAction*>("mnuHelpContents")->shortcut(), QKeySequence(Qt::Key_F1));
        QVERIFY(app_->Actions().showHelp);
        app_->Actions().showHelp();
        QVERIFY(f.helpWindow());
        QTextBrowser* b = f.helpWindow()->browser();
        QCOMPARE(b->source(), QUrl("qrc:/help/index.html"));
        const QString text = b->toPlainText();
        for (const char* topic : {"Opening a database", "The main window", "The scenario wizard",
                                  "Running a scenario", "The tools", "Probability Calculator"})
            QVERIFY2(text.contains(topic), topic);
        // Asked for from a modal window, help is one of its windows, else the
        // modal window would block it; the help of the frame makes way.
        {
            QDialog modal(&f);
            bool owned = false;
            QTimer::singleShot(0, &modal, [&] {
                app_->Actions().showHelp();
                owned = f.helpWindow() && f.helpWindow()->parentWidget() == &modal &&
                        f.helpWindow()->isVisible();
                modal.reject();
            });
            modal.exec();
            QVERIFY(owned);
        }
        QVERIFY(!f.helpWindow());  // it went with its modal window
        app_->Actions().showHelp();
        QVERIFY(f.helpWindow() && f.helpWindow()->parentWidget() == &f);
        // Web pages go to the browser.
        f.findChild<QAction*>("mnuWebSupport")->trigger();
        QCOMPARE(launcher_.urls, (std::vector<std::string>{kSupportPage}));
    }

    void toolsCallTheirHooks() {
        MainFrame f(*app_, {&chooser_, &launcher_});
        int calculators = 0;
        std::vector<std::int32_t> generated;
        app_->Actions().openCalculator = [&] { ++calculators; };
        app_->Actions().generateCode = [&](std::int32_t s) { generated.push_back(s); };
        f.currentScenario = [] { return std::int32_t(7); };
        f.findChild<QAction*>("mnuToolsCalculator")->trigger();
        QCOMPARE(calculators, 1);
        // Without a database there is no scenario to write code for.
        f.generateCode();
        QVERIFY(generated.empty());
        prompter_.answer(true);
        QVERIFY(f.openDatabase(makeDatabase(dir_, "tools.db")));
        f.findChild<QAction*>("mnuToolsGenerate")->trigger();
        QCOMPARE(generated, std::vector<std::int32_t>{7});
        f.currentScenario = [] { return std::int32_t(0); };
        f.generateCode();
        QCOMPARE(generated.size(), std::size_t(1));
        QCOMPARE(prompter_.lastText(), std::string("Please select a scenario from the list."));
    }

    void windowMenuArrangesTheChildren() {
        MainFrame f(*app_, {&chooser_, &launcher_});
        f.resize(800, 600);
        f.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f));
        QMdiSubWindow* a = f.mdiArea()->addSubWindow(new QLabel("a"));
        QMdiSubWindow* b = f.mdiArea()->addSubWindow(new QLabel("b"));
        a->show();
        b->show();
        const QRect area = f.mdiArea()->viewport()->rect();
        f.findChild<QAction*>("mnuWindowTileVertical")->trigger();
        QCOMPARE(a->geometry(), QRect(0, 0, area.width() / 2, area.height()));
        QCOMPARE(b->geometry(), QRect(area.width() / 2, 0, area.width() / 2, area.height()));
        f.findChild<QAction*>("mnuWindowTileHorizontal")->trigger();
        QCOMPARE(a->geometry(), QRect(0, 0, area.width(), area.height() / 2));
        QCOMPARE(b->geometry(), QRect(0, area.height() / 2, area.width(), area.height() / 2));
        // Cascade: the second a whole title bar lower, so the first's title shows.
        f.findChild<QAction*>("mnuWindowCascade")->trigger();
        QCOMPARE(a->pos(), QPoint(0, 0));
        QVERIFY(b->y() >= f.style()->pixelMetric(QStyle::PM_TitleBarHeight));
        // Minimised windows line up along the bottom, left to right, also
        // after one was dragged away.
        a->showMinimized();
        b->showMinimized();
        QTest::qWait(0);
        a->move(100, 50);
        f.findChild<QAction*>("mnuWindowArrange")->trigger();
        QCOMPARE(a->geometry().bottom(), area.bottom());
        QCOMPARE(a->geometry().left(), 0);
        QCOMPARE(b->geometry().left(), a->geometry().right() + 1);
        QCOMPARE(b->geometry().bottom(), area.bottom());
    }

    void arrangementsKeepTitlesInSight() {
        // Tiles never thinner than asked: six windows in 600 pixels with at
        // least 120 each make two columns of three.
        const QRect area(0, 0, 800, 600);
        QCOMPARE(TileRects(area, 6, false, 120), (std::vector<QRect>{{0, 0, 400, 200},
                                                                     {0, 200, 400, 200},
                                                                     {0, 400, 400, 200},
                                                                     {400, 0, 400, 200},
                                                                     {400, 200, 400, 200},
                                                                     {400, 400, 400, 200}}));
        QCOMPARE(TileRects(area, 3, true, 300),
                 (std::vector<QRect>{{0, 0, 400, 300}, {400, 0, 400, 300}, {0, 300, 400, 300}}));
        // Cascade: steps of 30 from the top left, windows as large as the
        // steps leave but at least 60% of the area; past the edge, the top
        // left again.
        const QRect big(0, 0, 1000, 800);
        QCOMPARE(CascadeRects(big, 3, 30),
                 (std::vector<QRect>{{0, 0, 940, 740}, {30, 30, 940, 740}, {60, 60, 940, 740}}));
        const std::vector<QRect> many = CascadeRects(big, 20, 30);
        QCOMPARE(many[10], QRect(300, 300, 600, 480));
        QCOMPARE(many[11], QRect(0, 0, 600, 480));
        for (const QRect& r : many) QVERIFY(big.contains(r));
        // Icons: three to a row from the bottom left, the fourth above.
        QCOMPARE(
            IconRects(QRect(0, 0, 1000, 600), 4, QSize(300, 24)),
            (std::vector<QRect>{
                {0, 576, 300, 24}, {300, 576, 300, 24}, {600, 576, 300, 24}, {0, 552, 300, 24}}));
    }

    void firstSizeIsAShareOfTheScreen() {
        struct Case {
            QRect available, expected;
        };
        // 80% each way, centred in the part of the screen windows may use.
        const Case cases[] = {
            {{0, 0, 1600, 1000}, {160, 100, 1280, 800}},
            {{0, 30, 1600, 970}, {160, 127, 1280, 776}},
            {{1920, 0, 1280, 1024}, {2048, 102, 1024, 819}},
            {{0, 0, 800, 600}, {80, 60, 640, 480}},
        };
        for (const Case& c : cases) {
            const QRect r = qrv::util::DefaultWindowGeometry(c.available);
            QCOMPARE(r, c.expected);
            QVERIFY(c.available.contains(r));
        }
        QVERIFY(qrv::util::DefaultWindowGeometry({0, 0, 1600, 1000}).width() > 900);
        QVERIFY(qrv::util::DefaultWindowGeometry({0, 0, 1600, 1000}).height() > 640);
        // Nothing saved: the frame takes that place on its screen.
        MainFrame f(*app_, {&chooser_, &launcher_});
        QCOMPARE(f.geometry(), qrv::util::DefaultWindowGeometry(f.screen()->availableGeometry()));
    }

    void windowMenuListsTheWindowsAndCtrlF4ClosesOne() {
        MainFrame f(*app_, {&chooser_, &launcher_});
        f.resize(800, 600);
        activate(f);
        QStringList titles = {"Analysis Scenarios", "Scenario Output Table - R&D",
                              "Input Data Table - Data"};
        QList<QMdiSubWindow*> subs;
        for (const QString& t : titles) {
            auto* label = new QLabel(t);
            label->setWindowTitle(t);
            subs << f.mdiArea()->addSubWindow(label);
            subs.back()->show();
        }
        f.refreshWindowMenu();
        QList<QAction*> items = windowItems(f);
        QCOMPARE(items.size(), 3);
        QCOMPARE(items[0]->text(), QString("&1 Analysis Scenarios"));
        QCOMPARE(items[1]->text(), QString("&2 Scenario Output Table - R&&D"));
        QCOMPARE(items[2]->text(), QString("&3 Input Data Table - Data"));
        // The last opened is the current one, and the only one checked.
        QCOMPARE(f.mdiArea()->currentSubWindow(), subs[2]);
        for (int i = 0; i < 3; ++i) QCOMPARE(items[i]->isChecked(), i == 2);
        QMenu* shown = f.showWindowMenu();
        QTRY_VERIFY(shown->isVisible());
        shown->hide();
        items = windowItems(f);  // made anew as the menu opened

        // Choosing a minimised one brings it back and makes it current.
        subs[0]->showMinimized();
        items[0]->trigger();
        QCOMPARE(f.mdiArea()->currentSubWindow(), subs[0]);
        QVERIFY(!subs[0]->isMinimized());
        items = windowItems(f);
        for (int i = 0; i < 3; ++i) QCOMPARE(items[i]->isChecked(), i == 0);

        // Ctrl+F4 closes the current window and only that one.
        f.mdiArea()->setActiveSubWindow(subs[1]);
        QTest::keyClick(&f, Qt::Key_F4, Qt::ControlModifier);
        QTRY_COMPARE(f.mdiArea()->subWindowList().size(), 2);
        QVERIFY(!f.mdiArea()->subWindowList().contains(subs[1]));
        f.refreshWindowMenu();
        QCOMPARE(windowItems(f).size(), 2);
        QCOMPARE(windowItems(f)[1]->text(), QString("&2 Input Data Table - Data"));
    }

    void theScenarioListStaysWhileTheDatabaseIsOpen() {
        MainFrame f(*app_, {&chooser_, &launcher_});
        f.makeScenarioWindow = [](AppState&) -> QWidget* { return new QLineEdit("list"); };
        f.resize(800, 600);
        activate(f);
        prompter_.answer(true);
        QVERIFY(f.openDatabase(makeDatabase(dir_, "stays.db")));
        QMdiSubWindow* list = f.scenarioChild();
        QVERIFY(list);
        // A normal window filling the area, with no close button.
        QVERIFY(!list->isMaximized());
        QCOMPARE(list->geometry().size(), f.mdiArea()->viewport()->size());
        f.resize(900, 700);
        QTRY_COMPARE(list->geometry().size(), f.mdiArea()->viewport()->size());
        QVERIFY(!(list->windowFlags() & Qt::WindowSystemMenuHint));
        QVERIFY(!list->close());
        f.mdiArea()->setActiveSubWindow(list);
        QTest::keyClick(&f, Qt::Key_F4, Qt::ControlModifier);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(f.mdiArea()->subWindowList(), QList<QMdiSubWindow*>{list});
        // Minimising is fine; Close Database closes it.
        list->showMinimized();
        QVERIFY(list->isMinimized());
        f.closeDatabase();
        QCOMPARE(f.mdiArea()->subWindowList().size(), 0);
        QVERIFY(!f.scenarioChild());
    }

    void viewersOpenBesideTheListAndTheirIconsLeaveItsButtonsFree() {
        MainFrame f(*app_, {&chooser_, &launcher_});
        DesignerSetup setup(*app_, f);
        f.resize(1000, 700);
        activate(f);
        prompter_.answer(true);
        QVERIFY(f.openDatabase(makeDatabase(dir_, "viewers.db")));
        app_->Actions().showTableData("usysQuorvaneFields", "Scenario Output Table");
        app_->Actions().showTableData("usysQuorvaneOptions", "Scenario Output Table 2");
        const QList<QMdiSubWindow*> subs = f.mdiArea()->subWindowList();
        QCOMPARE(subs.size(), 3);
        for (QMdiSubWindow* w : subs) QVERIFY2(!w->isMaximized(), qPrintable(w->windowTitle()));
        QCOMPARE(f.mdiArea()->currentSubWindow(), subs[2]);
        f.refreshWindowMenu();
        QCOMPARE(windowItems(f).size(), 3);
        QCOMPARE(windowItems(f)[0]->text(), QString("&1 Analysis Scenarios"));
        grab(f, "frame-viewers.png");

        // Minimised viewers: wide enough for their titles, along the bottom,
        // and the list's buttons above them.
        auto* newButton = f.scenarioChild()->findChild<QPushButton*>("cmdAction_0");
        QVERIFY(newButton);
        auto buttonsClear = [&] {
            const int bottom =
                newButton->mapTo(f.mdiArea()->viewport(), QPoint(0, newButton->height() - 1)).y();
            return bottom < std::min(subs[1]->y(), subs[2]->y());
        };
        subs[1]->showMinimized();
        subs[2]->showMinimized();
        // Done on minimising; Arrange Icons puts back one dragged away.
        QTRY_VERIFY(buttonsClear());
        subs[2]->move(200, 100);
        f.findChild<QAction*>("mnuWindowArrange")->trigger();
        const QRect area = f.mdiArea()->viewport()->rect();
        for (QMdiSubWindow* icon : {subs[1], subs[2]}) {
            QCOMPARE(icon->geometry().bottom(), area.bottom());
            QStyleOptionTitleBar bar;
            bar.initFrom(icon);
            bar.rect = QRect(QPoint(0, 0), icon->size());
            bar.titleBarFlags = icon->windowFlags();
            bar.titleBarState = Qt::WindowMinimized;
            bar.subControls = QStyle::SC_All;
            const QRect label = icon->style()->subControlRect(QStyle::CC_TitleBar, &bar,
                                                              QStyle::SC_TitleBarLabel, icon);
            QFont bold = icon->font();
            bold.setBold(true);
            QVERIFY2(label.width() >= QFontMetrics(bold).horizontalAdvance(icon->windowTitle()),
                     qPrintable(icon->windowTitle()));
        }
        QVERIFY(subs[1]->geometry().right() < subs[2]->geometry().left());
        QVERIFY(buttonsClear());
        grab(f, "frame-icons.png");
        // Both back: the list gets its room back.
        subs[1]->showNormal();
        subs[2]->showNormal();
        QTRY_COMPARE(f.scenarioChild()->height(), area.height());
        f.closeDatabase();
    }

    void keysOfTheFrame() {
        MainFrame f(*app_, {&chooser_, &launcher_});
        DesignerSetup setup(*app_, f);
        f.resize(1000, 700);
        activate(f);
        prompter_.answer(true);
        QVERIFY(f.openDatabase(makeDatabase(dir_, "keys.db")));
        // Alt+letter: no top menu shares its letter with a list button.
        QList<QChar> letters;
        for (QAction* a : f.menuBar()->actions()) letters << mnemonic(a->text());
        for (int i = 0; i < 6; ++i)
            letters << mnemonic(f.scenarioChild()
                                    ->findChild<QPushButton*>("cmdAction_" + QString::number(i))
                                    ->text());
        for (QChar c : letters)
            QVERIFY2(!c.isNull() && letters.count(c) == 1, qPrintable(QString(c)));
        // F1 in the scenario list opens help.
        auto* list = f.scenarioChild()->findChild<QTreeWidget*>("lvwScenarios");
        list->setFocus();
        QVERIFY(!f.helpWindow());
        QTest::keyClick(list, Qt::Key_F1);
        QVERIFY(f.helpWindow());
        f.closeDatabase();
    }

    void noSplashWithoutADisplay() {
        // The tests run on the offscreen platform: nothing to show it on.
        QVERIFY(!qrv::util::SplashWanted());
        QVERIFY(!qrv::util::ShowSplash("Quorvane", "5.0"));
        qrv::util::FinishSplash(nullptr, nullptr);
    }

    void aboutNamesTheVersions() {
        const QString text = qrv::util::AboutText("Quorvane Scenario Designer", "5.0");
        QVERIFY(text.contains("Quorvane Scenario Designer"));
        QVERIFY(text.contains("Version 5.0"));
        QVERIFY(text.contains("5.0.0"));
    }

    void windowPositionIsKept() {
        {
            MainFrame f(*app_, {&chooser_, &launcher_});
            f.show();
            f.setGeometry(40, 50, 700, 500);
            f.close();
        }
        const std::string key = "Zelk/Quorvane/5.0/Form Position";
        QCOMPARE(store_.read(key, "MDIMain.Left", ""), std::string("40"));
        QCOMPARE(store_.read(key, "MDIMain.Top", ""), std::string("50"));
        QCOMPARE(store_.read(key, "MDIMain.Width", ""), std::string("700"));
        QCOMPARE(store_.read(key, "MDIMain.Height", ""), std::string("500"));
        MainFrame again(*app_, {&chooser_, &launcher_});
        QCOMPARE(again.geometry(), QRect(40, 50, 700, 500));

        // A place on no screen is not used: the window is centred instead.
        store_.write(key, "MDIMain.Left", "-30000");
        MainFrame centred(*app_, {&chooser_, &launcher_});
        const QRect screen = centred.screen()->availableGeometry();
        QCOMPARE(centred.size(), QSize(700, 500));
        QVERIFY(qAbs(centred.geometry().center().x() - screen.center().x()) <= 1);
        store_.write(key, "MDIMain.Width", "wide");
        QVERIFY(!qrv::util::RestoreWindowPosition(app_->FormPositions(), "MDIMain", centred));
    }

    void openDialogPicture() {
        std::vector<CMRU::Entry> recent = {{"/home/ann/sales.db", "/WG /UID /PWD "}};
        OpenDatabaseDialog d(recent, false, chooser_, prompter_);
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        grab(d, "open-dialog.png");
        // Every caption fits: the dialog is at least as large as its layout wants.
        QVERIFY(d.width() >= d.minimumSizeHint().width());
    }
};

QTEST_MAIN(MainFrameTest)
#include "main_frame_test.moc"
