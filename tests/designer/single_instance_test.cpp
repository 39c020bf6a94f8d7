// One designer per session: a later start finds the first and hands over its
// argument, which the first takes, or turns down while busy or when the start
// comes from another session; a socket left by a crashed program is cleared.
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QDir>
#include <QLocalServer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <chrono>
#include <cstring>
#include <future>

#include "util/single_instance.h"

using qrv::util::SingleInstance;

namespace {
QString uniqueName(const char* what) {
    return QString("qrv-test-%1-%2").arg(what).arg(QCoreApplication::applicationPid());
}

struct LaterStart {
    bool first = true;
    QString refusal;
};

// A later start on its own thread, as another process would be, while this
// thread's event loop lets the first one answer.
LaterStart startLater(const QString& name, const QString& session, const QString& message) {
    auto later = std::async(std::launch::async, [=] {
        SingleInstance s(name, session);
        const bool first = s.claim(message);
        return LaterStart{first, s.refusal()};
    });
    while (later.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return later.get();
}

const QString kSession = "1000\nxcb::0\n/home/ann/.config/Zelk";
}  // namespace

class SingleInstanceTest : public QObject {
    Q_OBJECT
  private slots:
    void laterStartHandsOverUnlessTheGateSaysNo() {
        const QString name = uniqueName("pass");
        SingleInstance first(name, kSession);
        QVERIFY(first.claim("/ignored/by/the/first.db"));
        QVERIFY(first.listening());
        QString busy;
        first.setGate([&] { return busy; });
        QSignalSpy got(&first, &SingleInstance::messageReceived);

        LaterStart second = startLater(name, kSession, "/home/ann/Sales Data/é.db");
        QVERIFY(!second.first);
        QCOMPARE(second.refusal, QString());
        QTRY_COMPARE(got.count(), 1);
        QCOMPARE(got[0][0].toString(), QString("/home/ann/Sales Data/é.db"));

        // A start without an argument still reaches the first, with nothing.
        QVERIFY(!startLater(name, kSession, QString()).first);
        QTRY_COMPARE(got.count(), 2);
        QCOMPARE(got[1][0].toString(), QString());

        // While the first is busy (a dialog open), the later start is told
        // why and the first opens nothing.
        busy = "A dialog is open.";
        LaterStart third = startLater(name, kSession, "/home/ann/other.db");
        QVERIFY(!third.first);
        QCOMPARE(third.refusal, busy);
        QCoreApplication::processEvents();
        QCOMPARE(got.count(), 2);
    }

    void anotherSessionIsTurnedDown() {
        // The same socket reached from another display or settings folder.
        const QString name = uniqueName("session");
        SingleInstance first(name, kSession);
        QVERIFY(first.claim(QString()));
        QSignalSpy got(&first, &SingleInstance::messageReceived);
        for (const QString& other : {QString("1000\nxcb::1\n/home/ann/.config/Zelk"),
                                     QString("1000\nxcb::0\n/tmp/home/.config/Zelk")}) {
            LaterStart later = startLater(name, other, "/home/ann/x.db");
            QVERIFY(!later.first);
            QVERIFY(later.refusal.contains("another user, display or settings folder"));
        }
        QCoreApplication::processEvents();
        QCOMPARE(got.count(), 0);
    }

    void endedFirstLetsTheNextOneRun() {
        const QString name = uniqueName("ended");
        {
            SingleInstance first(name, kSession);
            QVERIFY(first.claim(QString()));
        }
        SingleInstance next(name, kSession);
        QVERIFY(next.claim(QString()));
        QVERIFY(next.listening());
    }

    void staleSocketFromACrashIsRemoved() {
        const QString name = uniqueName("stale");
        // What a crashed program leaves: a socket file that nobody listens on.
        const QByteArray path = (QDir::tempPath() + "/" + name).toLocal8Bit();
        int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        QVERIFY(fd >= 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::strncpy(addr.sun_path, path.constData(), sizeof(addr.sun_path) - 1);
        QCOMPARE(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)), 0);
        ::close(fd);
        QVERIFY(QFile::exists(path));
        // A plain server cannot listen there...
        {
            QLocalServer plain;
            QVERIFY(!plain.listen(name));
        }
        // ...the single-instance rule clears it and runs.
        SingleInstance first(name, kSession);
        QVERIFY(first.claim(QString(), 300));
        QVERIFY(first.listening());
        QVERIFY(!startLater(name, kSession, "x").first);
    }

    void namesDifferPerUserDisplayAndSettingsFolder() {
        QTemporaryDir a, b;
        const QString key = SingleInstance::SessionKey(a.path());
        QCOMPARE(SingleInstance::SessionKey(a.path() + "/"), key);  // one folder, one session
        const QString name = SingleInstance::DefaultName("quorvane-designer", key);
        QVERIFY(name.startsWith("quorvane-designer-" + QString::number(::getuid()) + "-"));
        QVERIFY(name.size() < 60);  // socket paths are short
        QVERIFY(SingleInstance::DefaultName("quorvane-designer",
                                            SingleInstance::SessionKey(b.path())) != name);
        const QByteArray display = qgetenv("DISPLAY");
        qputenv("DISPLAY", display == ":7" ? ":8" : ":7");
        QVERIFY(SingleInstance::SessionKey(a.path()) != key);
        qputenv("DISPLAY", display);
        QCOMPARE(SingleInstance::SessionKey(a.path()), key);
    }
};

QTEST_MAIN(SingleInstanceTest)
#include "single_instance_test.moc"
