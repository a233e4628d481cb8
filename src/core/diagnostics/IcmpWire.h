#pragma once
// The building blocks of an ICMP echo, shared by the ping button's blocking PingHost and
// the fleet check's non-blocking EchoProbe: opening the socket (the datagram socket where
// the user's group may, a raw socket otherwise), the echo request's bytes, and reading
// what comes back (an echo reply, an ICMP error about a request, a local failure).

#include "Icmp.h"

#include <netinet/in.h>
#include <sys/socket.h>

#include <optional>

namespace IcmpWire {

// ICMP message types: the echo, and the errors the status numbering knows.
inline constexpr int kEchoReply = 0;
inline constexpr int kDestUnreachable = 3;
inline constexpr int kSourceQuench = 4;
inline constexpr int kEchoRequest = 8;
inline constexpr int kTimeExceeded = 11;
inline constexpr int kParameterProblem = 12;

inline constexpr int kHeaderLength = 8;
// Room for an ICMP error (the offending IP header and data come back with it).
inline constexpr int kReceiveBufferBytes = 1500;
inline constexpr int kRequestLength = kHeaderLength + Icmp::kEchoDataLength;

// An ICMP socket (close-on-exec; non-blocking when asked), or -1.  *isRaw tells which
// kind it is.  A raw socket only lets through echo replies and the errors that can be
// about a request; a datagram socket queues errors (IP_RECVERR).
int openSocket(Icmp::Facility facility, bool nonBlocking, bool* isRaw);

// Internet checksum (RFC 1071).
quint16 checksum(const uchar* data, int length);

// The echo request: type 8, code 0, checksum, identifier, sequence (big-endian), then
// "hello".
void echoRequest(quint16 id, quint16 sequence, uchar (&out)[kRequestLength]);

// What a received packet says about one of our requests.  target is the address the
// request went to (network order); sequenceKnown is false for a local failure queued
// without the request's bytes.
struct Answer {
    in_addr_t target = 0;
    quint16 id = 0;
    quint16 sequence = 0;
    bool sequenceKnown = true;
    qint32 status = Icmp::Status::NoRequest;
};

// A whole IP packet from a raw socket: an echo reply, or an ICMP error that quotes an echo
// request.  Empty for anything else.
std::optional<Answer> readRawPacket(const uchar* packet, int length);

// An ICMP message from a datagram socket (no IP header), sent by `from`: an echo reply.
// The identifier is the kernel's and is not reported.
std::optional<Answer> readDatagram(const uchar* icmp, int length, in_addr_t from);

// One entry of a datagram socket's error queue: an ICMP error about a request or a local
// failure (an entry that is neither has the status NoRequest).  Empty when the queue
// holds nothing.
std::optional<Answer> readErrorQueue(int fd);

// One datagram of at most size bytes (recvmsg with flags, never waiting), its sender in
// *from and its control messages in msg (for CMSG_FIRSTHDR) after the call.
ssize_t receive(int fd, void* data, size_t size, sockaddr_in* from, void* control,
                size_t controlSize, int flags, msghdr* msg);

// Clears a pending socket error, so the next poll waits again.
void clearPendingError(int fd);

} // namespace IcmpWire
