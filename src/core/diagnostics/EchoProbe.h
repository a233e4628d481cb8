#pragma once
// ICMP echoes that never block the event loop: each request is sent at once and its
// answer (an echo reply, an ICMP error, a local failure or the time-out) arrives later
// through answered().  One socket serves every request in flight (the datagram socket
// where the user's group may open one, a raw socket otherwise, as PingHost chooses); it
// is opened on the first request and kept until close().
//
// The caller keeps the number of requests in flight small (the fleet check sends a few at
// a time); the probe refuses more than kMaxInFlight, so nothing the network sends can
// make it hold more.

#include "Icmp.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <map>

class QSocketNotifier;

class EchoProbe : public QObject {
    Q_OBJECT
public:
    static constexpr int kMaxInFlight = 256;

    explicit EchoProbe(Icmp::Facility facility = Icmp::Facility::Automatic,
                       QObject* parent = nullptr);
    ~EchoProbe() override;

    // Sends one echo request to the IPv4 address (host order).  The outcome is always
    // reported through answered(), never from inside this call: status NoRequest when no
    // socket could be opened (errorString() says why) or too many requests are in flight.
    void send(quint32 ipv4, quint64 tag, int timeoutMs = Icmp::kTimeoutMs);

    int inFlight() const { return int(pending_.size()); }
    // Forgets every request in flight (no answers for them) and closes the socket.
    void close();
    bool isRaw() const { return raw_; }
    QString errorString() const { return error_; }

Q_SIGNALS:
    // roundTripUs: microseconds from sending to the reply (0 unless status is Success).
    void answered(quint64 tag, qint32 status, qint64 roundTripUs);

private:
    struct Pending {
        quint64 tag = 0;
        quint32 target = 0; // network order
        qint64 sentNs = 0;
        qint64 deadlineNs = 0;
    };

    bool ensureSocket();
    void readReady();
    void settle(quint16 sequence, const Pending& p, qint32 status);
    void handle(quint32 target, quint16 id, quint16 sequence, bool sequenceKnown, qint32 status);
    void expire();
    void armTimer();
    void reportLater(quint64 tag, qint32 status);

    Icmp::Facility facility_;
    int fd_ = -1;
    bool raw_ = false;
    quint16 id_ = 0;
    quint16 nextSequence_ = 0;
    QSocketNotifier* notifier_ = nullptr;
    QTimer timeout_;
    qint64 armedNs_ = 0; // when timeout_ fires, while it is active
    QElapsedTimer clock_;
    std::map<quint16, Pending> pending_; // by sequence
    QString error_;
};
