// Real ICMP echoes inside the test's private network namespace (only loopback): through
// the ICMP datagram socket where the namespace allows it, through the raw socket
// otherwise, time-outs and local failures.

#include "TestServices.h"

#include "core/diagnostics/Icmp.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace {

// The kernel checks the value on write(2); a refused value must not go unnoticed.
bool writeSysctl(const char* path, const QByteArray& value) {
    const int fd = ::open(path, O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const QByteArray line = value + '\n';
    const bool ok = ::write(fd, line.constData(), size_t(line.size())) == line.size();
    ::close(fd);
    return ok;
}

class IcmpTest : public ::testing::Test {
protected:
    void SetUp() override {
        // The namespace's own settings are changed only in one that holds nothing but loopback.
        if (!onlyLoopbackHere())
            GTEST_SKIP() << "not in a private network namespace; not changing this one's settings";
        if (!writeSysctl("/proc/sys/net/ipv4/icmp_echo_ignore_all", "0"))
            GTEST_SKIP() << "cannot change the namespace's ICMP settings here";
    }
    void TearDown() override {
        writeSysctl("/proc/sys/net/ipv4/icmp_echo_ignore_all", "0");
    }
    // Our own group only: in a namespace of a user namespace only that group is mapped,
    // and there the closed range "1 0" cannot be written back once opened, so the tests
    // that need datagram sockets forbidden run first (a new namespace starts with "1 0").
    static bool allowDatagramSockets(bool allow) {
        const QByteArray own = QByteArray::number(::getgid());
        writeSysctl("/proc/sys/net/ipv4/ping_group_range", allow ? own + ' ' + own : QByteArray("1 0"));
        QFile f(QStringLiteral("/proc/sys/net/ipv4/ping_group_range"));
        if (!f.open(QIODevice::ReadOnly))
            return false;
        const QList<QByteArray> range = f.readAll().simplified().split(' ');
        if (range.size() != 2)
            return false;
        const bool allowed = range[0].toLongLong() <= ::getgid() && ::getgid() <= range[1].toLongLong();
        return allowed == allow;
    }
};

TEST_F(IcmpTest, EchoReplyThroughEitherSocket) {
    struct Case {
        bool datagramAllowed;
        Icmp::Facility facility;
        qint32 status;
    };
    const Case cases[] = {
        {false, Icmp::Facility::Datagram, -1}, // the group may not open one: no request
        {false, Icmp::Facility::Automatic, 0}, // falls back to the raw socket
        {false, Icmp::Facility::Raw, 0},
        {true, Icmp::Facility::Datagram, 0},
        {true, Icmp::Facility::Automatic, 0},
        {true, Icmp::Facility::Raw, 0},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(allowDatagramSockets(c.datagramAllowed));
        Icmp::EchoReply reply;
        const qint32 status = Icmp::PingHost(QStringLiteral("127.0.0.1"), reply, c.facility);
        EXPECT_EQ(status, c.status) << "datagram allowed " << c.datagramAllowed << ", facility " << int(c.facility);
        EXPECT_EQ(reply.Status, status);
        if (status == 0) {
            EXPECT_LT(reply.RoundTripTime, 100u); // loopback answers at once
        }
    }
}

TEST_F(IcmpTest, RepeatedPingsEachGetTheirOwnReply) {
    for (Icmp::Facility f : {Icmp::Facility::Raw, Icmp::Facility::Automatic}) {
        for (int i = 0; i < 20; ++i) {
            Icmp::EchoReply reply;
            ASSERT_EQ(Icmp::PingHost(QStringLiteral("127.0.0.3"), reply, f), 0) << i;
        }
    }
}

TEST_F(IcmpTest, LeadingZerosAreDecimal) {
    Icmp::EchoReply reply; // 127.0.0.9, where an octal reading finds no address at all
    EXPECT_EQ(Icmp::PingHost(QStringLiteral("127.000.000.009"), reply, Icmp::Facility::Raw), 0);
}

TEST_F(IcmpTest, NoAnswerIsATimeOut) {
    ASSERT_TRUE(writeSysctl("/proc/sys/net/ipv4/icmp_echo_ignore_all", "1"));
    for (Icmp::Facility f : {Icmp::Facility::Raw, Icmp::Facility::Automatic}) {
        Icmp::EchoReply reply;
        QElapsedTimer t;
        t.start();
        EXPECT_EQ(Icmp::PingHost(QStringLiteral("127.0.0.1"), reply, f, 300), 11010);
        EXPECT_GE(t.elapsed(), 290);
        EXPECT_EQ(Icmp::GetIcmpStatusText(reply.Status), "Request Timed Out");
    }
    // The real time-out: 3000 ms.
    Icmp::EchoReply reply;
    QElapsedTimer t;
    t.start();
    EXPECT_EQ(Icmp::PingHost(QStringLiteral("127.0.0.1"), reply), 11010);
    EXPECT_GE(t.elapsed(), 2990);
    EXPECT_LT(t.elapsed(), 4000);
}

TEST_F(IcmpTest, LocalFailuresGiveTheirStatusAtOnce) {
    // No route at all inside the namespace, and a route that says unreachable.
    QProcess ip;
    ip.start(QStringLiteral("ip"), {QStringLiteral("route"), QStringLiteral("add"), QStringLiteral("unreachable"),
                                     QStringLiteral("10.98.0.0/16")});
    ASSERT_TRUE(ip.waitForFinished(5000));
    ASSERT_EQ(ip.exitCode(), 0) << ip.readAllStandardError().toStdString();
    ASSERT_TRUE(allowDatagramSockets(true));
    for (Icmp::Facility f : {Icmp::Facility::Raw, Icmp::Facility::Datagram}) {
        Icmp::EchoReply reply;
        QElapsedTimer t;
        t.start();
        EXPECT_EQ(Icmp::PingHost(QStringLiteral("10.99.0.1"), reply, f), 11002) << int(f);
        EXPECT_EQ(Icmp::PingHost(QStringLiteral("10.98.0.1"), reply, f), 11003) << int(f);
        EXPECT_LT(t.elapsed(), 1000);
    }
}

} // namespace
