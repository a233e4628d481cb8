#include "MacResolver.h"

#include "Arp.h"

#include <QSet>

#include <vector>

MacResolver::MacResolver(ArpLookup& arp, int capacity, QObject* parent)
    : QObject(parent), arp_(arp), capacity_(capacity) {
    clock_.start();
    connect(&poll_, &QTimer::timeout, this, &MacResolver::sweep);
}

bool MacResolver::resolve(const QString& ip, Done done) {
    if (int(pending_.size()) >= capacity_)
        return false;
    const quint32 address = Arp::ipv4Of(ip);
    // Not an address (or 0.0.0.0): it fails on the first sweep.  Otherwise the wait starts
    // with the exchange.
    pending_.push_back({address, address == 0 ? qint64(0) : -1, false, std::move(done)});
    // The first read comes once the event loop is back, so the answers that arrive
    // together are looked up with one read of the table.
    if (!poll_.isActive())
        poll_.start(0);
    return true;
}

void MacResolver::sweep() {
    QList<quint32> addresses;
    addresses.reserve(qsizetype(pending_.size()));
    QSet<quint32> exchanging; // one exchange per address, however often it answered
    for (const Pending& p : pending_) {
        addresses.append(p.ipv4);
        if (p.provoked)
            exchanging.insert(p.ipv4);
    }
    const QList<QByteArray> table = arp_.hardwareAddresses(addresses);
    const qint64 now = clock_.elapsed();

    std::vector<std::pair<Done, std::optional<QString>>> finished;
    std::deque<Pending> waiting;
    int provoked = 0;
    for (qsizetype i = 0; i < addresses.size(); ++i) {
        Pending& p = pending_[size_t(i)];
        std::optional<QString> mac = Arp::macOf(table.value(i), QStringLiteral(":"));
        if (mac || (p.deadlineMs >= 0 && now >= p.deadlineMs)) {
            finished.emplace_back(std::move(p.done), std::move(mac));
            continue;
        }
        if (!p.provoked && provoked < kExchangesPerSweep) {
            if (!exchanging.contains(p.ipv4)) {
                arp_.provoke(p.ipv4);
                exchanging.insert(p.ipv4);
                ++provoked;
            }
            p.deadlineMs = now + kWaitMs;
            p.provoked = true;
        }
        waiting.push_back(std::move(p));
    }
    pending_.swap(waiting);
    if (pending_.empty())
        poll_.stop();
    else
        poll_.start(kPollMs);
    // Last, so a callback that asks for more finds the list in order.
    for (auto& [done, mac] : finished)
        done(mac);
}
