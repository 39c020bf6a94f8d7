// quorvane-designer [DB]: the desktop scenario designer. One runs per user; a
// second start hands its database to the first and ends.
#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QSplashScreen>
#include <QStandardPaths>
#include <cstdint>
#include <cstdio>

#include "dataaccess/dbengine.h"
#include "designer/app_state.h"
#include "designer/designer_setup.h"
#include "designer/frame/main_frame.h"
#include "util/message_prompter.h"
#include "util/settings.h"
#include "util/single_instance.h"
#include "util/splash.h"

int main(int argc, char** argv) {
    using namespace qrv;
    QApplication app(argc, argv);
    QApplication::setApplicationName(designer::kAppTitle);
    QApplication::setApplicationVersion(designer::kVersion);
    QApplication::setOrganizationName("Zelk");
    QApplication::setApplicationDisplayName(designer::kAppTitle);

    QCommandLineParser args;
    args.setApplicationDescription(designer::kDesignerTitle);
    args.addHelpOption();
    args.addVersionOption();
    args.addPositionalArgument("DB", "The database to open at start.", "[DB]");
    args.process(app);
    if (args.positionalArguments().size() > 1) {
        std::fprintf(stderr, "quorvane-designer: give at most one database\n");
        return 2;
    }
    // The running designer may have another working folder: send it a full path.
    QString database;
    if (!args.positionalArguments().isEmpty())
        database = QFileInfo(args.positionalArguments().front()).absoluteFilePath();

    util::SingleInstance instance(util::SingleInstance::DefaultName("quorvane-designer"));
    if (!instance.claim(database)) return 0;

    auto splash = util::ShowSplash(designer::kAppTitle, designer::kVersion);

    util::IniSettingsStore store(util::IniSettingsStore::DefaultPath("Zelk"));
    util::MessageBoxPrompter prompter;
    const QString dataDir = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(dataDir);
    // The error handler (log file "error.log" in dataDir) and both settings
    // locations come with the application state.
    designer::AppState state(store, prompter, QCoreApplication::applicationDirPath().toStdString(),
                             dataDir.toStdString());
    state.Errors().Push("Sub Main");
    // Facts for the error report that only the program knows.
    state.Errors().SetDbEngineVersion(dao::DBEngine::Instance().Version());
    if (const QScreen* screen = QGuiApplication::primaryScreen(); screen && screen->depth() < 64)
        state.Errors().SetDisplayColors(std::uint64_t(1) << screen->depth());

    designer::MainFrame frame(state);
    designer::DesignerSetup setup(state, frame);
    QObject::connect(
        &instance, &util::SingleInstance::messageReceived, &frame,
        [&frame](const QString& argument) { frame.activateFromOtherStart(argument); },
        // After the socket's own handling: opening may ask questions.
        Qt::QueuedConnection);
    frame.show();
    util::FinishSplash(splash.get(), &frame);
    if (!database.isEmpty()) frame.openDatabase(database.toStdString());
    state.Errors().ExitProcedure();

    const int rc = app.exec();
    // Leaving unloads every window and, with the frame, the current database.
    state.CloseDatabase();
    return rc;
}
