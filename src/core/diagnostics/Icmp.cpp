#include "Icmp.h"

#include "IcmpWire.h"
#include "core/editor/FieldRules.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <optional>

namespace Icmp {

namespace {

using IcmpWire::kDestUnreachable;
using IcmpWire::kParameterProblem;
using IcmpWire::kSourceQuench;
using IcmpWire::kTimeExceeded;

std::atomic<quint16> sequenceCounter{0};

class Socket {
public:
    explicit Socket(int fd) : fd_(fd) {}
    ~Socket() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    int fd() const { return fd_; }
    bool valid() const { return fd_ >= 0; }

private:
    int fd_;
};

struct Request {
    in_addr_t target = 0;
    quint16 id = 0;
    quint16 sequence = 0;
    bool raw = false;
};

// Whether an answer is about this request.  A datagram socket's identifier is chosen by
// the kernel, which also routes replies and errors to the right socket; a raw socket sees
// every ICMP message and checks its own identifier and target.
bool isAbout(const IcmpWire::Answer& a, const Request& r) {
    if (a.status == Status::NoRequest)
        return false;
    if (r.raw)
        return a.target == r.target && a.id == r.id && a.sequence == r.sequence;
    return !a.sequenceKnown || a.sequence == r.sequence;
}

} // namespace

bool StartSockets() { return true; }

void StopSockets() {}

qint32 statusForIcmpError(int type, int code) {
    switch (type) {
    case kDestUnreachable:
        switch (code) {
        case 0: case 6: case 9: case 11:
            return Status::DestNetUnreachable;
        case 2:
            return Status::DestProtocolUnreachable;
        case 3:
            return Status::DestPortUnreachable;
        case 4:
            return Status::PacketTooBig;
        case 5:
            return Status::BadRoute;
        default:
            return Status::DestHostUnreachable;
        }
    case kSourceQuench:
        return Status::SourceQuench;
    case kTimeExceeded:
        return code == 1 ? Status::TtlExpiredReassembly : Status::TtlExpiredTransit;
    case kParameterProblem:
        return Status::ParameterProblem;
    default:
        return Status::GeneralFailure;
    }
}

qint32 statusForSendError(int error) {
    switch (error) {
    case ENETUNREACH:
    case ENETDOWN:
        return Status::DestNetUnreachable;
    case EHOSTUNREACH:
    case EHOSTDOWN:
        return Status::DestHostUnreachable;
    case EMSGSIZE:
        return Status::PacketTooBig;
    case EACCES: // a broadcast or other address this socket may not reach
    case EINVAL:
        return Status::BadDestination;
    case ENOBUFS:
    case ENOMEM:
        return Status::NoResources;
    default:
        return Status::GeneralFailure;
    }
}

qint32 PingHost(const QString& address, EchoReply& reply, Facility facility, int timeoutMs) {
    reply = {};
    // The address rule's decimal reading ("192.168.001.010" is .10, where inet_addr would
    // read octal and ping another host).
    const std::optional<quint32> host = FieldRules::ipv4Address(address);
    if (!host || *host == INADDR_NONE || *host == 0)
        return reply.Status = Status::NoRequest;
    const in_addr_t target = htonl(*host);

    Request r;
    r.target = target;
    Socket socket(IcmpWire::openSocket(facility, false, &r.raw));
    if (!socket.valid())
        return reply.Status = Status::NoRequest;
    const int fd = socket.fd();

    r.id = quint16(::getpid() ^ 0x5a5a);
    r.sequence = ++sequenceCounter;
    uchar packet[IcmpWire::kRequestLength];
    IcmpWire::echoRequest(r.id, r.sequence, packet);

    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = target;
    using Clock = std::chrono::steady_clock;
    const Clock::time_point sent = Clock::now();
    if (::sendto(fd, packet, sizeof packet, 0, reinterpret_cast<sockaddr*>(&to), sizeof to) < 0)
        return reply.Status = statusForSendError(errno);

    const Clock::time_point deadline = sent + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            return reply.Status = Status::RequestTimedOut;
        pollfd p{fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, int(left));
        if (ready < 0 && errno != EINTR)
            return reply.Status = Status::GeneralFailure;
        if (ready <= 0)
            continue;
        if (p.revents & POLLNVAL)
            return reply.Status = Status::GeneralFailure;
        std::optional<qint32> status;
        if (p.revents & POLLERR) {
            if (!r.raw) {
                const auto a = IcmpWire::readErrorQueue(fd);
                if (a && isAbout(*a, r))
                    status = a->status;
            }
            // Whatever is left pending is cleared, so the next poll waits again.
            IcmpWire::clearPendingError(fd);
        }
        if (!status && (p.revents & POLLIN)) {
            uchar buffer[IcmpWire::kReceiveBufferBytes];
            sockaddr_in from{};
            socklen_t fromLength = sizeof from;
            const ssize_t n = ::recvfrom(fd, buffer, sizeof buffer, MSG_DONTWAIT,
                                         reinterpret_cast<sockaddr*>(&from), &fromLength);
            if (n > 0) {
                const auto a = r.raw ? IcmpWire::readRawPacket(buffer, int(n))
                                     : IcmpWire::readDatagram(buffer, int(n), from.sin_addr.s_addr);
                if (a && isAbout(*a, r))
                    status = a->status;
            }
        }
        if (!status)
            continue;
        if (*status == Status::Success)
            reply.RoundTripTime = quint32(
                std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - sent).count());
        return reply.Status = *status;
    }
}

QString GetIcmpStatusText(qint32 status) {
    switch (status) {
    case Status::Success: return QStringLiteral("Success!");
    case Status::BufferTooSmall: return QStringLiteral("Buffer Too Small");
    case Status::DestNetUnreachable: return QStringLiteral("Destination Net Unreachable");
    case Status::DestHostUnreachable: return QStringLiteral("Destination Host Unreachable");
    case Status::DestProtocolUnreachable: return QStringLiteral("Destination Protocol Unreachable");
    case Status::DestPortUnreachable: return QStringLiteral("Destination Port Unreachable");
    case Status::NoResources: return QStringLiteral("No Resources");
    case Status::BadOption: return QStringLiteral("Bad Option");
    case Status::HardwareError: return QStringLiteral("Hardware Error");
    case Status::PacketTooBig: return QStringLiteral("Packet Too Big");
    case Status::RequestTimedOut: return QStringLiteral("Request Timed Out");
    case Status::BadRequest: return QStringLiteral("Bad Request");
    case Status::BadRoute: return QStringLiteral("Bad Route");
    case Status::TtlExpiredTransit: return QStringLiteral("TimeToLive Expired Transit");
    case Status::TtlExpiredReassembly: return QStringLiteral("TimeToLive Expired Reassembly");
    case Status::ParameterProblem: return QStringLiteral("Parameter Problem");
    case Status::SourceQuench: return QStringLiteral("Source Quench");
    case Status::OptionTooBig: return QStringLiteral("Option Too Big");
    case Status::BadDestination: return QStringLiteral("Bad Destination");
    case Status::NegotiatingIpsec: return QStringLiteral("Negotiating IPSEC");
    case Status::GeneralFailure: return QStringLiteral("General Failure");
    default: return QStringLiteral("Unknown Response");
    }
}

} // namespace Icmp
