// The hand-over between two starts: a second start's folder or picture
// reaches the first, a socket file left by a crashed first start does not
// block the next one, and a second start with nobody to take its request
// hears so instead of ending as if it had been taken.

#include "startup/ui/instance_channel.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>
#include <cstring>
#include <thread>

using vendrik::handOverRequest;
using vendrik::InstanceServer;

class InstanceChannelTest : public QObject {
    Q_OBJECT

private:
    // The second start runs on a thread of its own, as it would in its own
    // process, while this thread's event loop serves the first.
    static bool handOverFromAnotherThread(const QString& name, const QString& path,
                                          QSignalSpy* arrived, int timeoutMs = 5000) {
        std::atomic<bool> taken{false};
        std::atomic<bool> done{false};
        std::thread second([&] {
            taken = handOverRequest(name, path, timeoutMs);
            done = true;
        });
        while (!done) {
            QTest::qWait(10);
        }
        second.join();
        if (arrived != nullptr && arrived->isEmpty()) {
            static_cast<void>(arrived->wait(1000));
        }
        return taken;
    }

private slots:
    void aSecondStartsPathReachesTheFirst_data() {
        QTest::addColumn<QString>("path");
        QTest::newRow("folder") << QStringLiteral("/home/anna/Bilder");
        QTest::newRow("picture with blanks and umlauts")
            << QStringLiteral("/home/anna/Urlaub am Meer/Straße 1.jpeg");
        QTest::newRow("no path: only to the front") << QString();
    }
    void aSecondStartsPathReachesTheFirst() {
        QFETCH(QString, path);
        QTemporaryDir dir;
        const QString name = dir.filePath(QStringLiteral("vendrik.socket"));
        InstanceServer first;
        QVERIFY(first.listen(name));
        QSignalSpy arrived(&first, &InstanceServer::requestArrived);
        QVERIFY(handOverFromAnotherThread(name, path, &arrived));
        QCOMPARE(arrived.count(), 1);
        QCOMPARE(arrived.front().front().toString(), path);
    }

    void aStaleSocketDoesNotBlockTheNextFirstStart() {
        QTemporaryDir dir;
        const QString name = dir.filePath(QStringLiteral("vendrik.socket"));
        // A first start that crashed: its socket file stays, nobody behind it.
        const QByteArray path = name.toLocal8Bit();
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        QVERIFY(fd >= 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path, path.constData(), static_cast<std::size_t>(path.size()) + 1);
        QCOMPARE(::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
        ::close(fd);
        QVERIFY(QFile::exists(name));
        // The second start of that time finds nobody...
        QVERIFY(!handOverFromAnotherThread(name, QStringLiteral("/tmp"), nullptr, 300));
        // ... and the next first start takes the name over.
        InstanceServer next;
        QVERIFY(next.listen(name));
        QSignalSpy arrived(&next, &InstanceServer::requestArrived);
        QVERIFY(handOverFromAnotherThread(name, QStringLiteral("/tmp"), &arrived));
        QCOMPARE(arrived.count(), 1);
    }

    void nobodyListeningIsNotATakenRequest() {
        QTemporaryDir dir;
        const QString name = dir.filePath(QStringLiteral("vendrik.socket"));
        QVERIFY(!handOverFromAnotherThread(name, QStringLiteral("/tmp"), nullptr, 300));
    }
};

QTEST_MAIN(InstanceChannelTest)
#include "instance_channel_test.moc"
