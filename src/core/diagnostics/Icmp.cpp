#include "Icmp.h"

#include "core/editor/FieldRules.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <linux/errqueue.h>
#include <linux/icmp.h>
#include <netinet/in.h>
#include <netinet/ip.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <optional>

namespace Icmp {

namespace {

constexpr int kEchoReply = 0;
constexpr int kDestUnreachable = 3;
constexpr int kSourceQuench = 4;
constexpr int kEchoRequest = 8;
constexpr int kTimeExceeded = 11;
constexpr int kParameterProblem = 12;
constexpr int kIcmpHeaderLength = 8;
// Room for an ICMP error (the offending IP header and data come back with it).
constexpr int kReceiveBufferBytes = 1500;

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

quint16 checksum(const uchar* data, int length) {
    quint32 sum = 0;
    for (int i = 0; i + 1 < length; i += 2)
        sum += quint32(data[i]) << 8 | data[i + 1];
    if (length % 2)
        sum += quint32(data[length - 1]) << 8;
    while (sum >> 16)
        sum = (sum & 0xffff) + (sum >> 16);
    return quint16(~sum);
}

quint16 read16(const uchar* p) { return quint16(p[0] << 8 | p[1]); }

int openSocket(Facility facility, bool* isRaw) {
    if (facility != Facility::Raw) {
        const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_ICMP);
        if (fd >= 0 || facility == Facility::Datagram) {
            *isRaw = false;
            return fd;
        }
    }
    *isRaw = true;
    return ::socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP);
}

struct Request {
    in_addr_t target = 0;
    quint16 id = 0;
    quint16 sequence = 0;
    bool raw = false;
};

// Whether the first 8 bytes of an ICMP message are our echo request (as an error quotes it).
bool quotesOurRequest(const uchar* icmp, int length, const Request& r) {
    if (length < kIcmpHeaderLength || icmp[0] != kEchoRequest)
        return false;
    if (read16(icmp + 6) != r.sequence)
        return false;
    // A datagram socket's identifier is chosen by the kernel, which also routes the
    // errors to the right socket; a raw socket sees everything and checks its own.
    return !r.raw || read16(icmp + 4) == r.id;
}

// A raw socket delivers whole IP packets: our echo reply, or an error about our request.
// Empty when the packet is not about this request.
std::optional<qint32> readRawPacket(const uchar* packet, int length, const Request& r) {
    if (length < int(sizeof(iphdr)))
        return std::nullopt;
    const int ipLength = (packet[0] & 0x0f) * 4;
    if (ipLength < 20 || length < ipLength + kIcmpHeaderLength)
        return std::nullopt;
    const uchar* icmp = packet + ipLength;
    const int icmpLength = length - ipLength;
    if (icmp[0] == kEchoReply) {
        in_addr_t source;
        std::memcpy(&source, packet + 12, sizeof source);
        if (source == r.target && read16(icmp + 4) == r.id && read16(icmp + 6) == r.sequence)
            return Status::Success;
        return std::nullopt;
    }
    // The quoted packet: its IP header, then at least 8 bytes of our ICMP request.
    const uchar* quoted = icmp + kIcmpHeaderLength;
    const int quotedLength = icmpLength - kIcmpHeaderLength;
    if (quotedLength < 20)
        return std::nullopt;
    const int quotedIpLength = (quoted[0] & 0x0f) * 4;
    if (quotedIpLength < 20 || quotedLength < quotedIpLength + kIcmpHeaderLength)
        return std::nullopt;
    in_addr_t quotedTarget;
    std::memcpy(&quotedTarget, quoted + 16, sizeof quotedTarget);
    if (quotedTarget != r.target || !quotesOurRequest(quoted + quotedIpLength, quotedLength - quotedIpLength, r))
        return std::nullopt;
    return statusForIcmpError(icmp[0], icmp[1]);
}

// A datagram socket delivers the ICMP message without the IP header.
std::optional<qint32> readDatagram(const uchar* icmp, int length, const Request& r) {
    if (length < kIcmpHeaderLength || icmp[0] != kEchoReply || read16(icmp + 6) != r.sequence)
        return std::nullopt;
    return Status::Success;
}

// An error queued on a datagram socket with IP_RECVERR: an ICMP error about our request,
// or a local failure.  Empty when nothing about this request was queued.
std::optional<qint32> readErrorQueue(int fd, const Request& r) {
    uchar data[kReceiveBufferBytes];
    uchar control[512];
    sockaddr_in from{};
    iovec iov{data, sizeof data};
    msghdr msg{};
    msg.msg_name = &from;
    msg.msg_namelen = sizeof from;
    msg.msg_iov = &iov;
    msg.msg_iovlen = 1;
    msg.msg_control = control;
    msg.msg_controllen = sizeof control;
    const ssize_t n = ::recvmsg(fd, &msg, MSG_ERRQUEUE | MSG_DONTWAIT);
    if (n < 0)
        return std::nullopt;
    for (cmsghdr* c = CMSG_FIRSTHDR(&msg); c; c = CMSG_NXTHDR(&msg, c)) {
        if (c->cmsg_level != SOL_IP || c->cmsg_type != IP_RECVERR)
            continue;
        sock_extended_err err;
        std::memcpy(&err, CMSG_DATA(c), sizeof err);
        if (n >= kIcmpHeaderLength && read16(data + 6) != r.sequence)
            return std::nullopt; // about an earlier request
        if (err.ee_origin == SO_EE_ORIGIN_ICMP)
            return statusForIcmpError(err.ee_type, err.ee_code);
        return statusForSendError(int(err.ee_errno));
    }
    return std::nullopt;
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
    Socket socket(openSocket(facility, &r.raw));
    if (!socket.valid())
        return reply.Status = Status::NoRequest;
    const int fd = socket.fd();
    if (r.raw) {
        // Only echo replies and the errors that can be about our request.
        icmp_filter filter{};
        filter.data = ~((1u << kEchoReply) | (1u << kDestUnreachable) | (1u << kSourceQuench) |
                        (1u << kTimeExceeded) | (1u << kParameterProblem));
        ::setsockopt(fd, SOL_RAW, ICMP_FILTER, &filter, sizeof filter);
    } else {
        const int on = 1;
        ::setsockopt(fd, SOL_IP, IP_RECVERR, &on, sizeof on);
    }

    r.id = quint16(::getpid() ^ 0x5a5a);
    r.sequence = ++sequenceCounter;
    uchar packet[kIcmpHeaderLength + kEchoDataLength] = {};
    packet[0] = kEchoRequest;
    packet[4] = uchar(r.id >> 8);
    packet[5] = uchar(r.id);
    packet[6] = uchar(r.sequence >> 8);
    packet[7] = uchar(r.sequence);
    std::memcpy(packet + kIcmpHeaderLength, kEchoData, kEchoDataLength);
    const quint16 sum = checksum(packet, sizeof packet);
    packet[2] = uchar(sum >> 8);
    packet[3] = uchar(sum);

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
            if (!r.raw)
                status = readErrorQueue(fd, r);
            // Whatever is left pending is cleared, so the next poll waits again.
            int pending = 0;
            socklen_t size = sizeof pending;
            ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &pending, &size);
        }
        if (!status && (p.revents & POLLIN)) {
            uchar buffer[kReceiveBufferBytes];
            const ssize_t n = ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
            if (n > 0)
                status = r.raw ? readRawPacket(buffer, int(n), r) : readDatagram(buffer, int(n), r);
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
