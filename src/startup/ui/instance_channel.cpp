#include "startup/ui/instance_channel.h"

#include <QDeadlineTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>

namespace vendrik {
namespace {

// A request is one path; anything longer than a path can be is not one, and
// a connection that sends it is dropped rather than read into memory.
constexpr qint64 kMaxRequestBytes = 64 * 1024;
constexpr char kReceipt[] = "ok\n";
constexpr int kRetryMs = 100;

}  // namespace

QString instanceChannelName() {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    // Without a folder of the user's own there is no channel (rather than
    // one that other users could reach).
    return folder.isEmpty() ? QString() : folder + QStringLiteral("/vendrik.socket");
}

InstanceServer::InstanceServer(QObject* parent)
    : QObject(parent), m_server(new QLocalServer(this)) {
    // Only this user's programs may hand over: the runtime folder is the
    // user's own, and the socket is made for the user alone besides.
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &InstanceServer::takeConnection);
}

bool InstanceServer::listen(const QString& name) {
    if (m_server->listen(name)) {
        return true;
    }
    // A socket file left by a copy that ended without closing it.
    QLocalServer::removeServer(name);
    return m_server->listen(name);
}

void InstanceServer::takeConnection() {
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readRequest(socket); });
        // Bytes that came with the connection.
        readRequest(socket);
    }
}

void InstanceServer::readRequest(QLocalSocket* socket) {
    if (!socket->canReadLine()) {
        if (socket->bytesAvailable() > kMaxRequestBytes) {
            socket->abort();
        }
        return;
    }
    QByteArray line = socket->readLine(kMaxRequestBytes);
    line.chop(1);  // the line feed
    socket->write(kReceipt);
    socket->flush();
    socket->disconnectFromServer();
    emit requestArrived(QString::fromUtf8(line));
}

bool handOverRequest(const QString& name, const QString& path, int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    while (true) {
        QLocalSocket socket;
        socket.connectToServer(name);
        if (socket.waitForConnected(static_cast<int>(deadline.remainingTime()))) {
            socket.write(path.toUtf8() + '\n');
            QByteArray answer;
            while (!answer.contains('\n') &&
                   (socket.bytesAvailable() > 0 ||
                    socket.waitForReadyRead(static_cast<int>(deadline.remainingTime())))) {
                answer += socket.readAll();
            }
            return answer == kReceipt;
        }
        if (deadline.hasExpired()) {
            return false;
        }
        QThread::msleep(kRetryMs);
    }
}

}  // namespace vendrik
