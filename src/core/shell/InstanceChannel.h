#pragma once
// The running instance's door for a second one: a local socket in the user's runtime
// folder.  The running instance listens on it; a second instance, which finds the
// instance lock taken, asks through it for the running one's window to come to the
// front, as desktop programs do.
//
// Anything may connect to the socket (of the same user: the folder and the socket are
// the user's own), so what arrives is untrusted: only the exact request counts, a
// connection reads a few bytes at most and is dropped after a short while.  Many
// connections are served at once, and when they are all taken a new one drops the
// oldest: clients that connect and stay silent never keep a second launch's request
// (sent with its connection) from being read.

#include <QList>
#include <QObject>
#include <QString>

class QLocalServer;
class QLocalSocket;

class InstanceChannel : public QObject {
    Q_OBJECT
public:
    explicit InstanceChannel(QString path, QObject* parent = nullptr);
    ~InstanceChannel() override;

    // The running instance: listens on the path.  The caller holds the instance lock, so
    // a socket file found there is a crashed instance's and is replaced.
    bool listen();

    // A second instance: sends the request and returns once it is written (the running
    // instance need not answer, so this cannot wait on a busy or hung one for long).
    static bool askToRaise(const QString& path, int timeoutMs = 1000);

    static QString defaultPath();
    static inline const QByteArray Request = QByteArrayLiteral("raise\n");
    static constexpr int kMaxClients = 32;
    static constexpr int kClientTimeoutMs = 250;

Q_SIGNALS:
    // A second instance asked for the window.
    void raiseRequested();

private:
    void acceptClients();
    void readClient(QLocalSocket* client);

    QString path_;
    QLocalServer* server_;
    QList<QLocalSocket*> clients_; // oldest first
};
