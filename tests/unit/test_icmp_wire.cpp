// The echo request's bytes and the reading of what comes back on a raw or datagram
// socket, against packets written out byte by byte.

#include "core/diagnostics/IcmpWire.h"

#include <QByteArray>

#include <arpa/inet.h>

#include <gtest/gtest.h>

namespace {

const uchar* bytes(const QByteArray& b) {
    return reinterpret_cast<const uchar*>(b.constData());
}

TEST(IcmpWireTest, EchoRequestBytes) {
    uchar out[IcmpWire::kRequestLength];
    IcmpWire::echoRequest(0x1234, 0x0001, out);
    // type 8, code 0, checksum A1F8, identifier 1234, sequence 0001, "hello"
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(out), sizeof out).toHex(' '),
              QByteArray("08 00 a1 f8 12 34 00 01 68 65 6c 6c 6f"));
}

TEST(IcmpWireTest, RawPackets) {
    // IP header (20 bytes, from 127.0.0.2 to 127.0.0.1), then the ICMP message.
    const QByteArray ip = QByteArray::fromHex("4500002100000000400100007f0000027f000001");
    const QByteArray ipWithOptions =
        QByteArray::fromHex("4600002500000000400100007f0000027f00000101010101");
    const QByteArray reply = QByteArray::fromHex("0000a1f8123400076865 6c6c6f");
    // An error: type 3 code 1 (host unreachable), unused word, then the quoted request's IP
    // header (to 127.0.0.9) and its first 8 bytes (identifier 1234, sequence 0009).
    const QByteArray unreachable = QByteArray::fromHex("03010000 00000000") +
                                   QByteArray::fromHex("4500002100000000400100007f0000017f000009") +
                                   QByteArray::fromHex("0800a1f012340009");
    // The same error quoting a UDP datagram: not about an echo request.
    QByteArray aboutUdp = unreachable;
    aboutUdp[8 + 20] = 0x11;
    struct Case {
        const char* what;
        QByteArray packet;
        bool read;
        const char* target;
        quint16 id, sequence;
        qint32 status;
    };
    const Case cases[] = {
        {"echo reply", ip + reply, true, "127.0.0.2", 0x1234, 7, 0},
        {"echo reply after IP options", ipWithOptions + reply, true, "127.0.0.2", 0x1234, 7, 0},
        {"host unreachable", ip + unreachable, true, "127.0.0.9", 0x1234, 9, 11003},
        {"error about a UDP datagram", ip + aboutUdp, false, "", 0, 0, 0},
        {"error cut inside the quoted request", (ip + unreachable).chopped(1), false, "", 0, 0, 0},
        {"error cut inside the quoted header", (ip + unreachable).left(20 + 8 + 19), false, "", 0,
         0, 0},
        {"reply shorter than an ICMP header", (ip + reply).left(27), false, "", 0, 0, 0},
        {"shorter than an IP header", ip.left(19), false, "", 0, 0, 0},
        {"header length below 20", QByteArray::fromHex("44") + (ip + reply).mid(1), false, "", 0, 0,
         0},
    };
    for (const Case& c : cases) {
        const auto a = IcmpWire::readRawPacket(bytes(c.packet), int(c.packet.size()));
        ASSERT_EQ(a.has_value(), c.read) << c.what;
        if (!a)
            continue;
        EXPECT_EQ(a->target, ::inet_addr(c.target)) << c.what;
        EXPECT_EQ(a->id, c.id) << c.what;
        EXPECT_EQ(a->sequence, c.sequence) << c.what;
        EXPECT_EQ(a->status, c.status) << c.what;
    }
}

TEST(IcmpWireTest, DatagramSocketReplies) {
    const in_addr_t from = ::inet_addr("127.0.0.5");
    const QByteArray reply = QByteArray::fromHex("0000a1f8abcd002a68656c6c6f");
    auto a = IcmpWire::readDatagram(bytes(reply), int(reply.size()), from);
    ASSERT_TRUE(a);
    EXPECT_EQ(a->sequence, 42);
    EXPECT_EQ(a->target, from);
    EXPECT_EQ(a->status, 0);
    EXPECT_FALSE(IcmpWire::readDatagram(bytes(reply), 7, from));
    const QByteArray request = QByteArray::fromHex("0800a1f8abcd002a");
    EXPECT_FALSE(IcmpWire::readDatagram(bytes(request), int(request.size()), from));
}

} // namespace
