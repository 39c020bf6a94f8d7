#include "util/about_box.h"

#include <QMessageBox>

#include "errors/product.h"

namespace qrv::util {

QString AboutText(const QString& title, const QString& version) {
    const QString product = QString::fromUtf8(kProductName.data(), kProductName.size());
    const QString build = QString::fromUtf8(kProductVersion.data(), kProductVersion.size());
    return QString(
               "<h3>%1</h3><p>Version %2</p><p>%3 product version %4</p>"
               "<p>Statistics on the tables of your databases: describe, compare, "
               "regress and test, with scenarios kept beside the data.</p>")
        .arg(title.toHtmlEscaped(), version.toHtmlEscaped(), product.toHtmlEscaped(),
             build.toHtmlEscaped());
}

void ShowAboutBox(QWidget* parent, const QString& title, const QString& version) {
    QMessageBox::about(parent, QObject::tr("About %1").arg(title), AboutText(title, version));
}

}  // namespace qrv::util
