// The echo status numbering and its texts, and how ICMP errors and local send failures
// map onto it.

#include "core/diagnostics/Icmp.h"

#include <cerrno>

#include <gtest/gtest.h>

namespace {

TEST(IcmpStatusTest, Texts) {
    struct Case {
        qint32 status;
        const char* text;
    };
    const Case cases[] = {
        {0, "Success!"},
        {11001, "Buffer Too Small"},
        {11002, "Destination Net Unreachable"},
        {11003, "Destination Host Unreachable"},
        {11004, "Destination Protocol Unreachable"},
        {11005, "Destination Port Unreachable"},
        {11006, "No Resources"},
        {11007, "Bad Option"},
        {11008, "Hardware Error"},
        {11009, "Packet Too Big"},
        {11010, "Request Timed Out"},
        {11011, "Bad Request"},
        {11012, "Bad Route"},
        {11013, "TimeToLive Expired Transit"},
        {11014, "TimeToLive Expired Reassembly"},
        {11015, "Parameter Problem"},
        {11016, "Source Quench"},
        {11017, "Option Too Big"},
        {11018, "Bad Destination"},
        {11032, "Negotiating IPSEC"},
        {11050, "General Failure"},
        {-1, "Unknown Response"},
        {11019, "Unknown Response"},
        {11000, "Unknown Response"},
        {1, "Unknown Response"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Icmp::GetIcmpStatusText(c.status).toStdString(), c.text) << c.status;
}

TEST(IcmpStatusTest, IcmpErrorsAndSendFailures) {
    struct Case {
        int type, code;
        qint32 status;
    };
    const Case icmp[] = {
        {3, 0, 11002}, {3, 1, 11003}, {3, 2, 11004}, {3, 3, 11005}, {3, 4, 11009}, {3, 5, 11012},
        {3, 6, 11002}, {3, 7, 11003}, {3, 13, 11003}, {4, 0, 11016}, {11, 0, 11013}, {11, 1, 11014},
        {12, 0, 11015}, {5, 0, 11050},
    };
    for (const Case& c : icmp)
        EXPECT_EQ(Icmp::statusForIcmpError(c.type, c.code), c.status) << c.type << "/" << c.code;
    struct ErrnoCase {
        int error;
        qint32 status;
    };
    const ErrnoCase local[] = {{ENETUNREACH, 11002}, {EHOSTUNREACH, 11003}, {EMSGSIZE, 11009},
                               {EACCES, 11018},      {ENOBUFS, 11006},      {EIO, 11050}};
    for (const ErrnoCase& c : local)
        EXPECT_EQ(Icmp::statusForSendError(c.error), c.status) << c.error;
}

TEST(IcmpStatusTest, AddressesThatGiveNoRequest) {
    // Nothing is sent for these, so this runs anywhere.
    for (const char* address : {"", "0.0.0.0", "255.255.255.255", "not an address", "1.2.3.4.5"}) {
        Icmp::EchoReply reply;
        reply.RoundTripTime = 77;
        EXPECT_EQ(Icmp::PingHost(QString::fromLatin1(address), reply), -1) << address;
        EXPECT_EQ(reply.Status, -1);
        EXPECT_EQ(reply.RoundTripTime, 0u);
    }
}

} // namespace
