#pragma once
// ICMP echoes that never block the event loop: each request is sent at once and its
// answer (an echo reply, an ICMP error, a local failure or the time-out) arrives later
// through answered().  One socket serves every request in flight (the datagram socket
// where the user's group may open one, a raw socket otherwise, as PingHost chooses); it
// is opened on the first request and kept until close().
//
// Answers are read as they arrive, or, polled (setPolled), only when the owner calls
// poll() on its own wake-ups, time-outs included: a fleet check that wakes on a grid reads
// what came meanwhile in the same wake-up, and the round trip is the kernel's, from the
// request leaving to the reply's arrival, however long the reply waited to be read.
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
    // Polled: no wake-up of its own for answers or time-outs; poll() reads and expires.
    void setPolled(bool polled);
    void poll();
    QString errorString() const { return error_; }

Q_SIGNALS:
    // roundTripUs: microseconds from sending to the reply (0 unless status is Success).
    void answered(quint64 tag, qint32 status, qint64 roundTripUs);

private:
    struct Pending {
        quint64 tag = 0;
        quint32 target = 0;    // network order
        qint64 sentNs = 0;     // clock_
        qint64 sentRealNs = 0; // the system's clock, as the kernel stamps a reply
        qint64 deadlineNs = 0;
    };

    bool ensureSocket();
    // False when it stopped at kReadsPerWake with more perhaps waiting.
    bool readReady();
    void settle(quint16 sequence, const Pending& p, qint32 status, qint64 receivedRealNs = -1);
    void handle(quint32 target, quint16 id, quint16 sequence, bool sequenceKnown, qint32 status,
                qint64 receivedRealNs = -1);
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
    bool polled_ = false;
    bool pollAgain_ = false; // a poll() is due once the event loop has run
};
