// The splash screen shown while the program starts. It never blocks: the
// caller shows the main window at once and the splash closes itself a moment
// later. There is none on a headless display or when QRV_NO_SPLASH is set.
#pragma once

#include <QString>
#include <memory>

class QSplashScreen;
class QWidget;

namespace qrv::util {

bool SplashWanted();
// Null when SplashWanted() is false.
std::unique_ptr<QSplashScreen> ShowSplash(const QString& title, const QString& version);
// Closes the splash over `window` once it has been up for at least ms.
void FinishSplash(QSplashScreen* splash, QWidget* window, int ms = 1200);

}  // namespace qrv::util
