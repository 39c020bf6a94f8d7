// quorvane-designer [DB]: the desktop scenario designer.
#include <QApplication>
#include <QDir>
#include <QMainWindow>
#include <QMdiArea>
#include <QStandardPaths>

#include "designer/app_state.h"
#include "util/message_prompter.h"
#include "util/settings.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(qrv::designer::kAppTitle);
    QApplication::setOrganizationName("Zelk");
    qrv::util::IniSettingsStore store(qrv::util::IniSettingsStore::DefaultPath("Zelk"));
    qrv::util::MessageBoxPrompter prompter;
    QString dataDir = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(dataDir);
    qrv::designer::AppState state(store, prompter,
                                  QCoreApplication::applicationDirPath().toStdString(),
                                  dataDir.toStdString());
    QMainWindow frame;
    frame.setWindowTitle(qrv::designer::kDesignerTitle);
    frame.setCentralWidget(new QMdiArea(&frame));
    frame.show();
    return app.exec();
}
