#include "EchoProbe.h"

#include "IcmpWire.h"

#include <QSocketNotifier>

#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// Reads per wake-up: a flood of ICMP on a raw socket cannot hold the event loop; the
// notifier fires again for the rest.
constexpr int kReadsPerWake = 64;

constexpr qint64 kExpireEveryNs = 50 * 1000000;

qint64 realNowNs() {
    timespec t{};
    ::clock_gettime(CLOCK_REALTIME, &t);
    return qint64(t.tv_sec) * 1000000000 + t.tv_nsec;
}

// Raw sockets see every echo reply of the host; each probe has its own identifier, apart
// from the one PingHost uses (pid ^ 0x5a5a).
std::atomic<quint16> probeCounter{0};

} // namespace

EchoProbe::EchoProbe(Icmp::Facility facility, QObject* parent)
    : QObject(parent), facility_(facility) {
    id_ = quint16((::getpid() ^ 0xa5a5) + 0x101 * ++probeCounter);
    timeout_.setSingleShot(true);
    timeout_.setTimerType(Qt::PreciseTimer);
    connect(&timeout_, &QTimer::timeout, this, &EchoProbe::expire);
    clock_.start();
}

EchoProbe::~EchoProbe() {
    close();
}

void EchoProbe::close() {
    pending_.clear();
    timeout_.stop();
    delete notifier_;
    notifier_ = nullptr;
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

bool EchoProbe::ensureSocket() {
    if (fd_ >= 0)
        return true;
    fd_ = IcmpWire::openSocket(facility_, true, &raw_);
    if (fd_ < 0) {
        error_ = QStringLiteral("no ICMP socket may be opened here (%1)")
                     .arg(QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    error_.clear();
    // Each reply carries the time the kernel received it.
    const int on = 1;
    ::setsockopt(fd_, SOL_SOCKET, SO_TIMESTAMPNS, &on, sizeof on);
    notifier_ = new QSocketNotifier(fd_, QSocketNotifier::Read, this);
    notifier_->setEnabled(!polled_);
    connect(notifier_, &QSocketNotifier::activated, this, [this] { readReady(); });
    return true;
}

void EchoProbe::reportLater(quint64 tag, qint32 status) {
    QMetaObject::invokeMethod(
        this, [this, tag, status] { Q_EMIT answered(tag, status, 0); }, Qt::QueuedConnection);
}

void EchoProbe::send(quint32 ipv4, quint64 tag, int timeoutMs) {
    const quint32 target = htonl(ipv4);
    if (target == INADDR_NONE || target == 0) {
        reportLater(tag, Icmp::Status::NoRequest);
        return;
    }
    if (int(pending_.size()) >= kMaxInFlight || !ensureSocket()) {
        reportLater(tag, Icmp::Status::NoRequest);
        return;
    }
    // A sequence number that is not in use (there are far fewer in flight than numbers).
    quint16 sequence = ++nextSequence_;
    while (pending_.count(sequence))
        sequence = ++nextSequence_;

    uchar packet[IcmpWire::kRequestLength];
    IcmpWire::echoRequest(id_, sequence, packet);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = target;
    const qint64 now = clock_.nsecsElapsed();
    const qint64 realNow = realNowNs();
    if (::sendto(fd_, packet, sizeof packet, 0, reinterpret_cast<sockaddr*>(&to), sizeof to) < 0) {
        reportLater(tag, Icmp::statusForSendError(errno));
        return;
    }
    const qint64 deadline = now + qint64(timeoutMs) * 1000000;
    pending_[sequence] = Pending{tag, target, now, realNow, deadline};
    if (polled_)
        return; // poll() expires it
    // Set again only for a request due before the one the timer waits for: at a hundred
    // requests a second, moving the timer at every request and answer cost more than the
    // request itself.
    if (!timeout_.isActive() || deadline <= armedNs_ - kExpireEveryNs)
        armTimer();
}

void EchoProbe::setPolled(bool polled) {
    polled_ = polled;
    if (notifier_ != nullptr)
        notifier_->setEnabled(!polled_);
    if (polled_)
        timeout_.stop();
    else
        armTimer();
}

void EchoProbe::poll() {
    if (!polled_)
        return;
    if (!readReady() && !pollAgain_) { // a flood: the rest once the event loop has run
        pollAgain_ = true;
        QTimer::singleShot(0, this, [this] {
            pollAgain_ = false;
            poll();
        });
    }
    expire();
}

void EchoProbe::settle(quint16 sequence, const Pending& p, qint32 status, qint64 receivedRealNs) {
    // The kernel's time of arrival where the reply has one; otherwise now.  The stamp is
    // of the system's clock, so it counts only within what the steady clock saw pass (a
    // step of the system's clock meanwhile leaves the steady figure).
    const qint64 elapsed = clock_.nsecsElapsed() - p.sentNs;
    const qint64 stamped = receivedRealNs - p.sentRealNs;
    const qint64 roundTripUs = status != Icmp::Status::Success ? 0
                               : receivedRealNs > 0 && stamped >= 0 && stamped <= elapsed
                                   ? stamped / 1000
                                   : elapsed / 1000;
    const quint64 tag = p.tag;
    pending_.erase(sequence);
    Q_EMIT answered(tag, status, roundTripUs);
}

void EchoProbe::handle(quint32 target, quint16 id, quint16 sequence, bool sequenceKnown,
                       qint32 status, qint64 receivedRealNs) {
    if (status == Icmp::Status::NoRequest || !sequenceKnown)
        return; // nothing tells which request it is about; its time-out will tell
    const auto it = pending_.find(sequence);
    if (it == pending_.end())
        return;
    // A raw socket sees every ICMP message of the host: ours carry our identifier and come
    // from (or are about) the request's target.  A datagram socket only gets its own.
    if (raw_ && (id != id_ || target != it->second.target))
        return;
    if (!raw_ && status == Icmp::Status::Success && target != it->second.target)
        return;
    const Pending p = it->second;
    settle(sequence, p, status, receivedRealNs);
}

bool EchoProbe::readReady() {
    if (fd_ < 0)
        return true;
    for (int i = 0; i < kReadsPerWake && fd_ >= 0; ++i) {
        if (!raw_) {
            if (const auto a = IcmpWire::readErrorQueue(fd_)) {
                handle(a->target, 0, a->sequence, a->sequenceKnown, a->status);
                continue;
            }
            IcmpWire::clearPendingError(fd_);
        }
        uchar buffer[IcmpWire::kReceiveBufferBytes];
        sockaddr_in from{};
        alignas(cmsghdr) char control[CMSG_SPACE(sizeof(timespec))];
        msghdr m{};
        const ssize_t n =
            IcmpWire::receive(fd_, buffer, sizeof buffer, &from, control, sizeof control, 0, &m);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (raw_ && errno != EAGAIN && errno != EWOULDBLOCK)
                IcmpWire::clearPendingError(fd_);
            return true;
        }
        qint64 receivedRealNs = -1;
        for (cmsghdr* c = CMSG_FIRSTHDR(&m); c != nullptr; c = CMSG_NXTHDR(&m, c)) {
            if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SCM_TIMESTAMPNS &&
                c->cmsg_len >= CMSG_LEN(sizeof(timespec))) {
                timespec t{};
                std::memcpy(&t, CMSG_DATA(c), sizeof t);
                receivedRealNs = qint64(t.tv_sec) * 1000000000 + t.tv_nsec;
            }
        }
        const auto a = raw_ ? IcmpWire::readRawPacket(buffer, int(n))
                            : IcmpWire::readDatagram(buffer, int(n), from.sin_addr.s_addr);
        if (a)
            handle(a->target, a->id, a->sequence, a->sequenceKnown, a->status, receivedRealNs);
        if (fd_ < 0)
            return true; // closed by a receiver of answered()
    }
    return fd_ < 0;
}

void EchoProbe::expire() {
    const qint64 now = clock_.nsecsElapsed();
    // Collected first: a receiver of answered() may send again or close.
    std::vector<std::pair<quint16, Pending>> due;
    for (const auto& [sequence, p] : pending_) {
        if (p.deadlineNs <= now)
            due.emplace_back(sequence, p);
    }
    for (const auto& [sequence, p] : due) {
        if (pending_.count(sequence))
            settle(sequence, p, Icmp::Status::RequestTimedOut);
    }
    if (!polled_)
        armTimer();
}

// An answer leaves the timer as it is: when it fires early, expire() finds nothing due
// and sets it for the earliest request still waiting.
void EchoProbe::armTimer() {
    if (pending_.empty()) {
        timeout_.stop();
        return;
    }
    qint64 earliest = pending_.begin()->second.deadlineNs;
    for (const auto& [sequence, p] : pending_)
        earliest = std::min(earliest, p.deadlineNs);
    // On a grid of kExpireEveryNs: the requests that time out within one step are told
    // together, at most that much late.
    earliest = (earliest + kExpireEveryNs - 1) / kExpireEveryNs * kExpireEveryNs;
    const qint64 waitMs =
        std::max<qint64>(0, (earliest - clock_.nsecsElapsed() + 999999) / 1000000);
    armedNs_ = earliest;
    timeout_.start(int(std::min<qint64>(waitMs, 1 << 30)));
}
