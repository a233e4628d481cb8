#pragma once
// The ICMP module: one echo request to an element, and the text of an echo status.
//
// Statuses follow the IP status numbering the operator's tools have always used: 0 for an
// echo reply, 11010 for a time-out, 11002 to 11018 for the ICMP errors and local failures,
// -1 when no request could be made at all.
//
// On Linux the echo goes through an ICMP datagram socket (SOCK_DGRAM, IPPROTO_ICMP) where
// the system allows it to the user's group (net.ipv4.ping_group_range), and through a raw
// socket otherwise (root or CAP_NET_RAW).  Each ping opens its socket and closes it again.

#include <QString>
#include <QtGlobal>

namespace Icmp {

namespace Status {
inline constexpr qint32 NoRequest = -1;
inline constexpr qint32 Success = 0;
inline constexpr qint32 BufferTooSmall = 11001;
inline constexpr qint32 DestNetUnreachable = 11002;
inline constexpr qint32 DestHostUnreachable = 11003;
inline constexpr qint32 DestProtocolUnreachable = 11004;
inline constexpr qint32 DestPortUnreachable = 11005;
inline constexpr qint32 NoResources = 11006;
inline constexpr qint32 BadOption = 11007;
inline constexpr qint32 HardwareError = 11008;
inline constexpr qint32 PacketTooBig = 11009;
inline constexpr qint32 RequestTimedOut = 11010;
inline constexpr qint32 BadRequest = 11011;
inline constexpr qint32 BadRoute = 11012;
inline constexpr qint32 TtlExpiredTransit = 11013;
inline constexpr qint32 TtlExpiredReassembly = 11014;
inline constexpr qint32 ParameterProblem = 11015;
inline constexpr qint32 SourceQuench = 11016;
inline constexpr qint32 OptionTooBig = 11017;
inline constexpr qint32 BadDestination = 11018;
inline constexpr qint32 NegotiatingIpsec = 11032;
inline constexpr qint32 GeneralFailure = 11050;
} // namespace Status

// The echo request: "hello" as data, no IP options, a 3000 ms time-out.
inline constexpr char kEchoData[] = "hello";
inline constexpr int kEchoDataLength = 5;
inline constexpr int kTimeoutMs = 3000;

// What the caller gets back besides the status.
struct EchoReply {
    qint32 Status = Status::NoRequest;
    quint32 RoundTripTime = 0; // milliseconds
};

// Which socket carries the echo.  Automatic: the datagram socket where allowed, the raw
// socket otherwise.
enum class Facility { Automatic, Datagram, Raw };

// The platform's socket facility needs no start-up on Linux; kept for the ping's order of
// steps.  Always true.
bool StartSockets();
void StopSockets();

// One echo request to the dotted address (read decimal, as the address rule reads it).
// An address that does not convert, or that converts to 0 or to the no-address value,
// gives -1 without a request; so does a socket that cannot be opened.  The status is also
// stored in reply.Status.
qint32 PingHost(const QString& address, EchoReply& reply, Facility facility = Facility::Automatic,
                int timeoutMs = kTimeoutMs);

QString GetIcmpStatusText(qint32 status);

// The status for an ICMP error message (type, code) about our request; Status::GeneralFailure
// for a kind the numbering does not name.
qint32 statusForIcmpError(int type, int code);
// The status for a local send failure (an errno value).
qint32 statusForSendError(int error);

} // namespace Icmp
