// The About box: the application's title, its version and the product
// version of this build.
#pragma once

#include <QString>

class QWidget;

namespace qrv::util {

// The box's text (rich text), kept apart so that it can be checked.
QString AboutText(const QString& title, const QString& version);
void ShowAboutBox(QWidget* parent, const QString& title, const QString& version);

}  // namespace qrv::util
