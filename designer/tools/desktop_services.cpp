#include "designer/tools/desktop_services.h"

#include <QDesktopServices>

namespace qrv::designer::tools {

bool SystemDesktopServices::openUrl(const QUrl& url) {
    return QDesktopServices::openUrl(url);
}

}  // namespace qrv::designer::tools
