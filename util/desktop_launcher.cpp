#include "util/desktop_launcher.h"

#include <QDesktopServices>
#include <QUrl>

namespace qrv::util {

bool SystemDesktopLauncher::openFile(const std::string& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
}

bool SystemDesktopLauncher::openUrl(const std::string& url) {
    const QUrl u(QString::fromStdString(url), QUrl::StrictMode);
    if (!u.isValid()) return false;
    return QDesktopServices::openUrl(u);
}

}  // namespace qrv::util
