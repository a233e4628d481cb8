#include "IcmpWire.h"

#include <cstring>
#include <linux/errqueue.h>
#include <linux/icmp.h>
#include <netinet/ip.h>
#include <sys/socket.h>

namespace IcmpWire {

namespace {

constexpr int kMinimumIpHeader = 20;

quint16 read16(const uchar* p) {
    return quint16(p[0] << 8 | p[1]);
}

in_addr_t readAddress(const uchar* p) {
    in_addr_t a;
    std::memcpy(&a, p, sizeof a);
    return a;
}

} // namespace

int openSocket(Icmp::Facility facility, bool nonBlocking, bool* isRaw) {
    const int flags = SOCK_CLOEXEC | (nonBlocking ? SOCK_NONBLOCK : 0);
    int fd = -1;
    *isRaw = false;
    if (facility != Icmp::Facility::Raw) {
        fd = ::socket(AF_INET, SOCK_DGRAM | flags, IPPROTO_ICMP);
        if (fd < 0 && facility != Icmp::Facility::Datagram) {
            *isRaw = true;
            fd = ::socket(AF_INET, SOCK_RAW | flags, IPPROTO_ICMP);
        }
    } else {
        *isRaw = true;
        fd = ::socket(AF_INET, SOCK_RAW | flags, IPPROTO_ICMP);
    }
    if (fd < 0)
        return fd;
    if (*isRaw) {
        // Only echo replies and the errors that can be about a request.
        icmp_filter filter{};
        filter.data = ~((1u << kEchoReply) | (1u << kDestUnreachable) | (1u << kSourceQuench) |
                        (1u << kTimeExceeded) | (1u << kParameterProblem));
        ::setsockopt(fd, SOL_RAW, ICMP_FILTER, &filter, sizeof filter);
    } else {
        const int on = 1;
        ::setsockopt(fd, SOL_IP, IP_RECVERR, &on, sizeof on);
    }
    return fd;
}

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

void echoRequest(quint16 id, quint16 sequence, uchar (&out)[kRequestLength]) {
    std::memset(out, 0, sizeof out);
    out[0] = kEchoRequest;
    out[4] = uchar(id >> 8);
    out[5] = uchar(id);
    out[6] = uchar(sequence >> 8);
    out[7] = uchar(sequence);
    std::memcpy(out + kHeaderLength, Icmp::kEchoData, Icmp::kEchoDataLength);
    const quint16 sum = checksum(out, kRequestLength);
    out[2] = uchar(sum >> 8);
    out[3] = uchar(sum);
}

std::optional<Answer> readRawPacket(const uchar* packet, int length) {
    if (length < kMinimumIpHeader)
        return std::nullopt;
    const int ipLength = (packet[0] & 0x0f) * 4;
    if (ipLength < kMinimumIpHeader || length < ipLength + kHeaderLength)
        return std::nullopt;
    const uchar* icmp = packet + ipLength;
    const int icmpLength = length - ipLength;
    if (icmp[0] == kEchoReply) {
        Answer a;
        a.target = readAddress(packet + 12); // the reply's source
        a.id = read16(icmp + 4);
        a.sequence = read16(icmp + 6);
        a.status = Icmp::Status::Success;
        return a;
    }
    // An error quotes the offending packet: its IP header, then at least 8 bytes of our
    // request.
    const uchar* quoted = icmp + kHeaderLength;
    const int quotedLength = icmpLength - kHeaderLength;
    if (quotedLength < kMinimumIpHeader)
        return std::nullopt;
    const int quotedIpLength = (quoted[0] & 0x0f) * 4;
    if (quotedIpLength < kMinimumIpHeader || quotedLength < quotedIpLength + kHeaderLength)
        return std::nullopt;
    const uchar* request = quoted + quotedIpLength;
    if (request[0] != kEchoRequest)
        return std::nullopt;
    Answer a;
    a.target = readAddress(quoted + 16); // the quoted packet's destination
    a.id = read16(request + 4);
    a.sequence = read16(request + 6);
    a.status = Icmp::statusForIcmpError(icmp[0], icmp[1]);
    return a;
}

std::optional<Answer> readDatagram(const uchar* icmp, int length, in_addr_t from) {
    if (length < kHeaderLength || icmp[0] != kEchoReply)
        return std::nullopt;
    Answer a;
    a.target = from;
    a.sequence = read16(icmp + 6);
    a.status = Icmp::Status::Success;
    return a;
}

ssize_t receive(int fd, void* data, size_t size, sockaddr_in* from, void* control,
                size_t controlSize, int flags, msghdr* msg) {
    iovec io{data, size};
    *msg = msghdr{};
    msg->msg_name = from;
    msg->msg_namelen = sizeof *from;
    msg->msg_iov = &io;
    msg->msg_iovlen = 1;
    msg->msg_control = control;
    msg->msg_controllen = controlSize;
    const ssize_t n = ::recvmsg(fd, msg, flags | MSG_DONTWAIT);
    msg->msg_iov = nullptr; // io ends here
    msg->msg_iovlen = 0;
    return n;
}

std::optional<Answer> readErrorQueue(int fd) {
    uchar data[kReceiveBufferBytes];
    uchar control[512];
    sockaddr_in from{};
    msghdr msg{};
    const ssize_t n =
        receive(fd, data, sizeof data, &from, control, sizeof control, MSG_ERRQUEUE, &msg);
    if (n < 0)
        return std::nullopt;
    for (cmsghdr* c = CMSG_FIRSTHDR(&msg); c; c = CMSG_NXTHDR(&msg, c)) {
        if (c->cmsg_level != SOL_IP || c->cmsg_type != IP_RECVERR)
            continue;
        sock_extended_err err;
        std::memcpy(&err, CMSG_DATA(c), sizeof err);
        Answer a;
        a.target = from.sin_addr.s_addr; // where the request went
        // The queued entry carries our request's bytes when there are any.
        a.sequenceKnown = n >= kHeaderLength;
        if (a.sequenceKnown)
            a.sequence = read16(data + 6);
        a.status = err.ee_origin == SO_EE_ORIGIN_ICMP
                       ? Icmp::statusForIcmpError(err.ee_type, err.ee_code)
                       : Icmp::statusForSendError(int(err.ee_errno));
        return a;
    }
    // Read, but not an error entry: report nothing, the entry is gone from the queue.
    return Answer{from.sin_addr.s_addr, 0, 0, false, Icmp::Status::NoRequest};
}

void clearPendingError(int fd) {
    int pending = 0;
    socklen_t size = sizeof pending;
    ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &pending, &size);
}

} // namespace IcmpWire
