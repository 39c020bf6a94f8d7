// One designer per user: a second start finds the first, hands over its
// argument and is told to end; a socket left by a crashed program is cleared.
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QDir>
#include <QLocalServer>
#include <QSignalSpy>
#include <QtTest>
#include <cstring>

#include "util/single_instance.h"

using qrv::util::SingleInstance;

namespace {
QString uniqueName(const char* what) {
    return QString("qrv-test-%1-%2").arg(what).arg(QCoreApplication::applicationPid());
}
}  // namespace

class SingleInstanceTest : public QObject {
    Q_OBJECT
  private slots:
    void secondStartHandsOverItsArgument() {
        const QString name = uniqueName("pass");
        SingleInstance first(name);
        QVERIFY(first.claim("/ignored/by/the/first.db"));
        QVERIFY(first.listening());
        QSignalSpy got(&first, &SingleInstance::messageReceived);

        SingleInstance second(name);
        QVERIFY(!second.claim("/home/ann/Sales Data/é.db"));
        QVERIFY(!second.listening());
        QTRY_COMPARE(got.count(), 1);
        QCOMPARE(got[0][0].toString(), QString("/home/ann/Sales Data/é.db"));

        // A start without an argument still reaches the first, with nothing.
        SingleInstance third(name);
        QVERIFY(!third.claim(QString()));
        QTRY_COMPARE(got.count(), 2);
        QCOMPARE(got[1][0].toString(), QString());
    }

    void endedFirstLetsTheNextOneRun() {
        const QString name = uniqueName("ended");
        {
            SingleInstance first(name);
            QVERIFY(first.claim(QString()));
        }
        SingleInstance next(name);
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
        SingleInstance first(name);
        QVERIFY(first.claim(QString(), 300));
        QVERIFY(first.listening());
        SingleInstance second(name);
        QVERIFY(!second.claim("x"));
    }

    void namesDifferPerUser() {
        const QString n = SingleInstance::DefaultName("quorvane-designer");
        QCOMPARE(n, "quorvane-designer-" + QString::number(::getuid()));
    }
};

QTEST_MAIN(SingleInstanceTest)
#include "single_instance_test.moc"
