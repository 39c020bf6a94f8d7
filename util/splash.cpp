#include "util/splash.h"

#include <QFont>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <QScreen>
#include <QSplashScreen>
#include <QTimer>

namespace qrv::util {

bool SplashWanted() {
    if (qEnvironmentVariableIsSet("QRV_NO_SPLASH")) return false;
    const QString platform = QGuiApplication::platformName();
    return platform != "offscreen" && platform != "minimal";
}

namespace {

QPixmap splashPicture(const QString& title, const QString& version) {
    const qreal ratio =
        QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->devicePixelRatio() : 1;
    const QSize size(440, 220);
    QPixmap pm(size * ratio);
    pm.setDevicePixelRatio(ratio);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 0, size.height());
    g.setColorAt(0, QColor(0x1f, 0x3a, 0x5f));
    g.setColorAt(1, QColor(0x10, 0x20, 0x38));
    p.fillRect(QRect(QPoint(0, 0), size), g);
    // A small bar chart as the mark.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x7f, 0xb8, 0xe6));
    const int heights[] = {34, 58, 46, 80, 64};
    for (int i = 0; i < 5; ++i) p.drawRect(32 + i * 16, 150 - heights[i], 11, heights[i]);
    p.setPen(Qt::white);
    QFont big = p.font();
    big.setPointSize(22);
    big.setBold(true);
    p.setFont(big);
    p.drawText(QRect(130, 60, 300, 44), Qt::AlignLeft | Qt::AlignVCenter, title);
    QFont small = p.font();
    small.setPointSize(10);
    small.setBold(false);
    p.setFont(small);
    p.drawText(QRect(130, 104, 300, 24), Qt::AlignLeft | Qt::AlignVCenter,
               QObject::tr("Scenario Designer, version %1").arg(version));
    p.drawText(QRect(32, 180, 380, 24), Qt::AlignLeft | Qt::AlignVCenter, QObject::tr("Starting…"));
    return pm;
}

}  // namespace

std::unique_ptr<QSplashScreen> ShowSplash(const QString& title, const QString& version) {
    if (!SplashWanted()) return nullptr;
    auto splash = std::make_unique<QSplashScreen>(splashPicture(title, version));
    splash->show();
    return splash;
}

void FinishSplash(QSplashScreen* splash, QWidget* window, int ms) {
    if (!splash) return;
    QPointer<QSplashScreen> s(splash);
    QPointer<QWidget> w(window);
    QTimer::singleShot(ms, splash, [s, w] {
        if (s) {
            if (w)
                s->finish(w);
            else
                s->close();
        }
    });
}

}  // namespace qrv::util
