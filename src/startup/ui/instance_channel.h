#pragma once
// The hand-over between two starts of the window program. The first start
// listens on a local socket in the user's runtime folder; a second start
// (`vendrik ORDNER` or `vendrik BILD` while a window is open) hands its
// folder or picture to it and ends, and the open window comes to the front
// and lists that folder.
//
//   InstanceServer server;                       // the first start
//   server.listen(instanceChannelName());
//   QObject::connect(&server, &InstanceServer::requestArrived, ...);
//
//   handOverRequest(instanceChannelName(), "/home/anna/Bilder");  // a second start
//
// Which start is the first is decided by the instance lock
// (startup/instance_lock.h), never by the socket: the kernel frees the lock
// of a copy that crashed, so the socket file such a copy leaves behind is
// stale once the lock is taken again, and the new first start replaces it.
//
// On the socket: the second start writes the path in UTF-8 and a line feed;
// the first answers "ok" and a line feed once it has taken the request.

#include <QObject>
#include <QString>

class QLocalServer;
class QLocalSocket;

namespace vendrik {

// "vendrik.socket" in the runtime folder (QStandardPaths::RuntimeLocation:
// $XDG_RUNTIME_DIR, which only its user can enter, or Qt's private fallback
// for the user).
[[nodiscard]] QString instanceChannelName();

class InstanceServer : public QObject {
    Q_OBJECT
public:
    explicit InstanceServer(QObject* parent = nullptr);

    // Listens on `name` (a socket path), replacing a stale socket file of
    // that name: the caller holds the instance lock, so no running first
    // start owns it. False when it cannot listen; the window then simply
    // takes no hand-overs.
    bool listen(const QString& name);

signals:
    // A second start's request: its folder or picture as an absolute path,
    // or empty for a start without one (the window only comes to the front).
    void requestArrived(const QString& path);

private:
    void takeConnection();
    void readRequest(QLocalSocket* socket);

    QLocalServer* m_server;
};

// Hands `path` to the first start listening on `name` and waits for its
// receipt, trying again while the first start may still be starting (its
// lock taken, its socket not yet there). False when no first start has
// taken it within `timeoutMs`. Blocking; needs no event loop.
[[nodiscard]] bool handOverRequest(const QString& name, const QString& path, int timeoutMs = 3000);

}  // namespace vendrik
