// MAC text and the neighbour-table lookup, with a table of the test's own.

#include "core/protocol/Arp.h"
#include "core/protocol/LinuxArpLookup.h"

#include <QHostAddress>
#include <QTemporaryDir>
#include <QFile>

#include <gtest/gtest.h>

namespace {

quint32 v4(const char* dotted) { return QHostAddress(QString::fromLatin1(dotted)).toIPv4Address(); }

class TableLookup final : public ArpLookup {
public:
    QByteArray answer;
    void provoke(quint32) override {}
    QList<QByteArray> hardwareAddresses(const QList<quint32>& ipv4s) override {
        return QList<QByteArray>(ipv4s.size(), answer);
    }
};

TEST(ArpTest, FormatMacWritesSixUpperCaseHexPairs) {
    EXPECT_EQ(Arp::Format_MAC(QByteArray::fromHex("001A2B3C4D5E"), ":"), "00:1A:2B:3C:4D:5E");
    EXPECT_EQ(Arp::Format_MAC(QByteArray::fromHex("0a0b0c0d0e0f"), "-"), "0A-0B-0C-0D-0E-0F");
    EXPECT_EQ(Arp::Format_MAC(QByteArray::fromHex("0A0B0C0D0E0F"), ""), "0A0B0C0D0E0F");
    EXPECT_EQ(Arp::Format_MAC(QByteArray::fromHex("0A0B0C0D0E"), ":"), "");
    EXPECT_EQ(Arp::Format_MAC(QByteArray::fromHex("0A0B0C0D0E0F10"), ":"), "");
}

TEST(ArpTest, ResolveMacOutcomes) {
    struct Case {
        const char* what;
        const char* ip;
        QByteArray hw;
        bool ok;
        const char* mac;
    };
    const std::vector<Case> cases{
        {"found", "10.1.2.3", QByteArray::fromHex("02AB00000001"), true, "02:AB:00:00:00:01"},
        {"not found", "10.1.2.3", QByteArray(), false, ""},
        {"first four bytes zero", "10.1.2.3", QByteArray::fromHex("000000000A0B"), false, ""},
        {"all zeros", "10.1.2.3", QByteArray::fromHex("000000000000"), false, ""},
        {"the broadcast address", "10.1.2.255", QByteArray::fromHex("FFFFFFFFFFFF"), false, ""},
        {"not quite broadcast", "10.1.2.3", QByteArray::fromHex("FFFFFFFFFFFE"), true, "FF:FF:FF:FF:FF:FE"},
        {"not six bytes: success with empty text", "10.1.2.3", QByteArray::fromHex("02AB0000000102"), true, ""},
        {"address 0", "0.0.0.0", QByteArray::fromHex("02AB00000001"), false, ""},
        {"not an address", "element", QByteArray::fromHex("02AB00000001"), false, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TableLookup lookup;
        lookup.answer = c.hw;
        QString stored = QStringLiteral("earlier");
        QString mac;
        EXPECT_EQ(Arp::Resolve_MAC(lookup, QString::fromLatin1(c.ip), ":", mac, &stored), c.ok);
        EXPECT_EQ(mac, QString::fromLatin1(c.mac));
        EXPECT_EQ(stored, c.ok ? QString::fromLatin1(c.mac) : QStringLiteral("earlier"));
    }
}

const QByteArray kTable =
    "IP address       HW type     Flags       HW address            Mask     Device\n"
    "10.77.0.5        0x1         0x0         00:00:00:00:00:00     *        br0\n"
    "10.77.0.12       0x1         0x2         02:54:0a:00:00:0c     *        veth1\n"
    "10.77.0.5        0x1         0x2         02:54:0a:00:00:05     *        veth2\n"
    "10.77.0.13       0x1         0x6         02:54:0A:00:00:0D     *        veth1\n";

TEST(LinuxArpLookupTest, ReadsCompleteEntriesOfTheNeighbourTable) {
    EXPECT_EQ(LinuxArpLookup::findInTable(kTable, v4("10.77.0.12")).toHex(), "02540a00000c");
    // The incomplete entry is passed over for the complete one of the same address.
    EXPECT_EQ(LinuxArpLookup::findInTable(kTable, v4("10.77.0.5")).toHex(), "02540a000005");
    EXPECT_EQ(LinuxArpLookup::findInTable(kTable, v4("10.77.0.13")).toHex(), "02540a00000d");
    EXPECT_TRUE(LinuxArpLookup::findInTable(kTable, v4("10.77.0.1")).isEmpty());
    EXPECT_TRUE(LinuxArpLookup::findInTable(kTable, v4("10.77.0.1")).isEmpty());
    EXPECT_TRUE(LinuxArpLookup::findInTable(QByteArray(), v4("10.77.0.12")).isEmpty());
    // Lines the kernel never writes are passed over.
    EXPECT_TRUE(LinuxArpLookup::completeEntries("header\n10.77.0.300 0x1 0x2 02:54:0a:00:00:0c\n"
                                                "10.77.0.7 0x1 2 02:54:0a:00:00:07\n"
                                                "10.77.0.9 0x1 0x2 2:54:0a:00:00:09\nx")
                    .isEmpty());
}

TEST(LinuxArpLookupTest, AnswersFromTheTableAndNeverProbesSpecialAddresses) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("arp"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(kTable);
    f.close();
    LinuxArpLookup lookup(path);
    EXPECT_EQ(lookup.hardwareAddresses({v4("10.77.0.13"), v4("10.77.0.1"), v4("10.77.0.12")}),
              (QList<QByteArray>{QByteArray::fromHex("02540a00000d"), {}, QByteArray::fromHex("02540a00000c")}));
    for (const char* special : {"127.0.0.1", "0.1.2.3", "224.0.0.1", "239.255.255.239", "255.255.255.255"}) {
        SCOPED_TRACE(special);
        EXPECT_FALSE(LinuxArpLookup::resolvable(v4(special)));
        lookup.provoke(v4(special)); // nothing is sent
        EXPECT_TRUE(lookup.hardwareAddress(v4(special)).isEmpty());
    }
    EXPECT_TRUE(LinuxArpLookup::resolvable(v4("10.77.0.12")));
}

} // namespace
