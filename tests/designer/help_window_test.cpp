// The help window: where it opens on the screen, and that Escape closes it.
#include <QScreen>
#include <QTextBrowser>
#include <QtTest>

#include "frame_fakes.h"
#include "util/help_window.h"

using qrv::util::HelpWindow;

class HelpWindowTest : public QObject {
    Q_OBJECT
  private slots:
    // Expected rectangles worked out by hand; a centred one may be a pixel
    // off either way, as integer halves round.
    void placementKeepsTheWindowOnTheScreen_data() {
        QTest::addColumn<QRect>("available");
        QTest::addColumn<QRect>("over");
        QTest::addColumn<QRect>("expected");
        QTest::newRow("caller reaching below the screen")
            << QRect(0, 0, 1280, 800) << QRect(100, 500, 800, 600) << QRect(140, 236, 720, 560);
        QTest::newRow("caller off the left edge")
            << QRect(0, 0, 1280, 800) << QRect(-600, 100, 400, 300) << QRect(4, 24, 720, 560);
        QTest::newRow("screen smaller than the window")
            << QRect(0, 0, 640, 480) << QRect(0, 0, 640, 480) << QRect(4, 24, 632, 452);
        QTest::newRow("no caller: middle of a second screen")
            << QRect(1280, 0, 1920, 1040) << QRect() << QRect(1880, 240, 720, 560);
    }
    void placementKeepsTheWindowOnTheScreen() {
        QFETCH(QRect, available);
        QFETCH(QRect, over);
        QFETCH(QRect, expected);
        const QMargins frame(4, 24, 4, 4);
        const QRect r = HelpWindow::placement(available, over, QSize(720, 560), frame);
        QVERIFY(available.contains(r.marginsAdded(frame)));
        QCOMPARE(r.size(), expected.size());
        QVERIFY2(
            std::abs(r.left() - expected.left()) <= 1 && std::abs(r.top() - expected.top()) <= 1,
            qPrintable(QString("at %1,%2").arg(r.left()).arg(r.top())));
    }

    void opensWithinTheScreenAndEscapeClosesIt() {
        qrv::test::RecordingLauncher launcher;
        QWidget caller;
        caller.resize(500, 400);
        QScreen* screen = caller.screen();
        const QRect available = screen->availableGeometry();
        // Most of the caller hangs below the screen's bottom edge.
        caller.move(available.left() + 50, available.bottom() - 60);
        caller.show();
        HelpWindow help("qrc:/help/index.html", launcher, &caller);
        // Wherever it was put before showing, it opens on the screen.
        help.move(available.left(), available.bottom() + 100);
        help.showTopic();
        QVERIFY(help.isVisible());
        QVERIFY2(available.contains(help.frameGeometry()),
                 qPrintable(QString("%1,%2 %3x%4")
                                .arg(help.frameGeometry().left())
                                .arg(help.frameGeometry().top())
                                .arg(help.frameGeometry().width())
                                .arg(help.frameGeometry().height())));
        QVERIFY(QTest::qWaitForWindowActive(&help));
        QTest::keyClick(help.browser(), Qt::Key_Escape);
        QVERIFY(!help.isVisible());
    }
};

QTEST_MAIN(HelpWindowTest)
#include "help_window_test.moc"
