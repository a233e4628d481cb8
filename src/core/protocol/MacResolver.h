#pragma once
// The MAC addresses of many elements at once, without blocking the event loop: the
// neighbour table is read for every address asked, an ARP exchange is provoked for each
// one it does not hold, and the table is read again every few milliseconds until each
// address is known or its wait (one tick of the wait window) is over.  This is how the
// answers of a discovery get their MACs side by side, also from elements that never had
// to ask for the station's MAC (so the station's table has never heard of them).

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <deque>
#include <optional>
#include <functional>

class ArpLookup;

class MacResolver : public QObject {
    Q_OBJECT
public:
    // The MAC text (":"-separated; "" for an address that is not six bytes long), or
    // nothing when no usable address came within the wait.  Runs from the event loop,
    // after resolve() returned; it must not block (it may resolve more).
    using Done = std::function<void(const std::optional<QString>& mac)>;

    static constexpr int kWaitMs = 1000; // one tick of the wait window, from the exchange
    static constexpr int kPollMs = 5;
    // Exchanges started per read of the table: a thousand ARP requests at once would
    // hold the event loop (and can overflow the kernel's queues); the rest follow a few
    // milliseconds later, each with its own full wait.
    static constexpr int kExchangesPerSweep = 64;

    explicit MacResolver(ArpLookup& arp, int capacity, QObject* parent = nullptr);

    // Looks up ip.  Returns false (and done never runs) when `capacity` lookups are
    // waiting already.
    bool resolve(const QString& ip, Done done);
    int pending() const { return int(pending_.size()); }

private:
    struct Pending {
        quint32 ipv4 = 0;
        qint64 deadlineMs = -1; // -1: no exchange yet
        bool provoked = false;
        Done done;
    };
    void sweep();

    ArpLookup& arp_;
    int capacity_;
    std::deque<Pending> pending_;
    QTimer poll_;
    QElapsedTimer clock_;
};
