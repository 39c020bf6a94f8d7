// quorvane-designer [DB]: the desktop scenario designer. One runs per user,
// display and settings folder; a second start hands its database to the
// first and ends, or is told why the first cannot take it now.
#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>
#include <QSplashScreen>
#include <QStandardPaths>
#include <cstdint>
#include <cstdio>

#include "analyses/registration.h"
#include "dataaccess/objects/dbengine.h"
#include "designer/app_state.h"
#include "designer/designer_setup.h"
#include "designer/frame/main_frame.h"
#include "util/message_prompter.h"
#include "util/settings.h"
#include "util/single_instance.h"
#include "util/splash.h"

int main(int argc, char** argv) {
    using namespace qrv;
    RegisterAnalyses();
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

    // One designer per user, display and settings folder.
    const std::string settingsPath = util::IniSettingsStore::DefaultPath("Zelk");
    const QString session =
        util::SingleInstance::SessionKey(QFileInfo(QString::fromStdString(settingsPath)).path());
    util::SingleInstance instance(util::SingleInstance::DefaultName("quorvane-designer", session),
                                  session);
    if (!instance.claim(database)) {
        if (instance.refusal().isEmpty()) return 0;
        std::fprintf(stderr, "quorvane-designer: %s\n", qPrintable(instance.refusal()));
        QMessageBox::information(nullptr, designer::kDesignerTitle, instance.refusal());
        return 1;
    }

    auto splash = util::ShowSplash(designer::kAppTitle, designer::kVersion);

    util::IniSettingsStore store(settingsPath);
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
    instance.setGate(&designer::MainFrame::HandOverRefusal);
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
