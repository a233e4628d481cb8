// The management endpoint with real datagrams on loopback (private network namespace).

#include "TestServices.h"

#include "core/database/IniStore.h"
#include "core/protocol/ElementSender.h"
#include "core/protocol/ManagementEndpoint.h"

#include <QHostAddress>
#include <QNetworkDatagram>
#include <QUdpSocket>

#include <gtest/gtest.h>

namespace {

// A stand-in element: sockets on 127.0.0.2 (or another address) that collect what the NMS sends.
struct FakeElement {
    QUdpSocket config; // port 2976
    QUdpSocket shortCommands; // port 2977
    QList<QNetworkDatagram> configGot, shortGot;
    explicit FakeElement(const char* address = "127.0.0.2") {
        EXPECT_TRUE(config.bind(QHostAddress(QString::fromLatin1(address)), 2976))
            << config.errorString().toStdString();
        EXPECT_TRUE(shortCommands.bind(QHostAddress(QString::fromLatin1(address)), 2977))
            << shortCommands.errorString().toStdString();
        QObject::connect(&config, &QUdpSocket::readyRead, [this] {
            while (config.hasPendingDatagrams())
                configGot.append(config.receiveDatagram());
        });
        QObject::connect(&shortCommands, &QUdpSocket::readyRead, [this] {
            while (shortCommands.hasPendingDatagrams())
                shortGot.append(shortCommands.receiveDatagram());
        });
    }
};

TEST(ManagementEndpointTest, DispatchesEveryDatagramByItsLength) {
    ManagementEndpoint ep;
    ASSERT_TRUE(ep.bindLocal(QStringLiteral("127.0.0.1"))) << ep.errorString().toStdString();
    QList<qsizetype> feedback, level, all;
    QObject::connect(&ep, &ManagementEndpoint::feedbackRecordArrived, [&](const QByteArray& d) { feedback.append(d.size()); });
    QObject::connect(&ep, &ManagementEndpoint::levelReportArrived, [&](const QByteArray& d) { level.append(d.size()); });
    QObject::connect(&ep, &ManagementEndpoint::datagramArrived, [&](const QByteArray& d) { all.append(d.size()); });

    QUdpSocket element;
    ASSERT_TRUE(element.bind(QHostAddress(QStringLiteral("127.0.0.2")), 0));
    const QList<qsizetype> lengths{0, 2, 3, 4, 54, 55, 1200, 1201, 3, 1};
    for (qsizetype n : lengths)
        ASSERT_EQ(element.writeDatagram(QByteArray(n, 'x'), QHostAddress(QStringLiteral("127.0.0.1")), 2976), n);
    ASSERT_TRUE(waitFor([&] { return all.size() == lengths.size(); })) << all.size();
    EXPECT_EQ(all, lengths); // taken whole, in order of arrival
    EXPECT_EQ(feedback, (QList<qsizetype>{0, 2, 4, 54, 1}));
    EXPECT_EQ(level, (QList<qsizetype>{1201}));
}

TEST(ManagementEndpointTest, DatagramsKeepArrivingWhileAHandlerWaitsInAModalLoop) {
    ManagementEndpoint ep;
    ASSERT_TRUE(ep.bindLocal(QStringLiteral("127.0.0.1")));
    QUdpSocket element;
    ASSERT_TRUE(element.bind(QHostAddress(QStringLiteral("127.0.0.2")), 0));
    QList<char> handled;
    bool nestedSeen = false;
    QObject::connect(&ep, &ManagementEndpoint::feedbackRecordArrived, [&](const QByteArray& d) {
        handled.append(d[0]);
        if (d[0] == 'A') {
            // As the MAC wait window does: a nested event loop inside the handler.
            element.writeDatagram(QByteArray(45, 'B'), QHostAddress(QStringLiteral("127.0.0.1")), 2976);
            nestedSeen = waitFor([&] { return handled.contains('B'); }, 2000);
        }
    });
    element.writeDatagram(QByteArray(45, 'A'), QHostAddress(QStringLiteral("127.0.0.1")), 2976);
    ASSERT_TRUE(waitFor([&] { return handled.size() == 2; }));
    EXPECT_TRUE(nestedSeen);
    EXPECT_EQ(handled, (QList<char>{'A', 'B'}));
}

class SenderTest : public ::testing::Test {
protected:
    TestBed bed;
    ManagementEndpoint ep;
    QString selected = QStringLiteral("00:11:22:33:44:AA");
    QString local = QStringLiteral("127.0.0.1");
    std::unique_ptr<ElementSender> sender;

    void SetUp() override {
        ASSERT_TRUE(IniStore::WriteToINI(QStringLiteral("0011223344AA"), QStringLiteral("ip"), QStringLiteral("127.0.0.2"), bed.iniPath()));
        ElementSender::Context c;
        c.endpoint = &ep;
        c.messages = &bed.messages;
        c.programEnd = &bed.programEnd;
        c.selectedMac = [this] { return selected; };
        c.localAddress = [this] { return local; };
        c.iniPath = bed.iniPath();
        sender = std::make_unique<ElementSender>(c);
        ASSERT_TRUE(ep.bindLocal(QStringLiteral("127.0.0.1")));
    }
};

TEST_F(SenderTest, EachSenderReachesTheStoredAddressOnItsPortFromPort2976) {
    FakeElement element;
    bool timerStarted = false;
    ASSERT_TRUE(sender->send(QByteArray("CONFIG", 6), 2976, 101, [&] {
        timerStarted = true;
        EXPECT_EQ(ep.remotePort(), 2976); // destination set before the hook runs
        EXPECT_EQ(ep.remoteHost(), "127.0.0.2");
    }));
    EXPECT_TRUE(timerStarted);
    ASSERT_TRUE(sender->send(QByteArray("\x20\x00", 2), 2977, 103));
    ASSERT_TRUE(sender->send(QByteArray("VOL"), 2977, 104));
    ASSERT_TRUE(waitFor([&] { return element.configGot.size() == 1 && element.shortGot.size() == 2; }));

    EXPECT_EQ(element.configGot[0].data(), QByteArray("CONFIG"));
    EXPECT_EQ(element.configGot[0].senderPort(), 2976);
    EXPECT_EQ(element.configGot[0].senderAddress(), QHostAddress(QStringLiteral("127.0.0.1")));
    EXPECT_EQ(element.shortGot[0].data(), QByteArray("\x20\x00", 2));
    EXPECT_EQ(element.shortGot[1].data(), QByteArray("VOL"));
    EXPECT_EQ(element.shortGot[1].senderPort(), 2976);
    EXPECT_TRUE(ep.isOpen());
    EXPECT_EQ(ep.localPort(), 2976);
    EXPECT_TRUE(bed.messages.shown.empty());
    EXPECT_FALSE(bed.programEnd.ended);
}

TEST_F(SenderTest, TheEndpointStaysBoundWhileTheLocalAddressIsUnchanged) {
    FakeElement element;
    int reports = 0;
    QObject::connect(&ep, &ManagementEndpoint::levelReportArrived, [&] { ++reports; });
    // A level report waits on the endpoint while a request is sent: it is not lost.
    QUdpSocket other;
    ASSERT_EQ(other.writeDatagram(QByteArray(1201, 'r'), QHostAddress(QStringLiteral("127.0.0.1")), 2976), 1201);
    ASSERT_TRUE(sender->send(QByteArray("VOL"), 2977, 104));
    EXPECT_TRUE(waitFor([&] { return reports == 1; }, 1000)) << "the waiting report was lost";
    // Another local address: bound anew there.
    local = QStringLiteral("127.0.0.7");
    ASSERT_TRUE(sender->send(QByteArray("VOL"), 2977, 104));
    ASSERT_TRUE(waitFor([&] { return element.shortGot.size() == 2; }));
    EXPECT_EQ(element.shortGot[0].senderAddress(), QHostAddress(QStringLiteral("127.0.0.1")));
    EXPECT_EQ(element.shortGot[1].senderAddress(), QHostAddress(QStringLiteral("127.0.0.7")));
    EXPECT_EQ(element.shortGot[1].senderPort(), 2976);
}

TEST_F(SenderTest, SendBindsAgainAfterTheEndpointWasClosed) {
    FakeElement element;
    ep.close();
    ASSERT_FALSE(ep.isOpen());
    ASSERT_TRUE(sender->send(QByteArray("VOL"), 2977, 104));
    EXPECT_TRUE(ep.isOpen());
    ASSERT_TRUE(waitFor([&] { return element.shortGot.size() == 1; }));
}

TEST_F(SenderTest, AnElementWithoutAddressIsReportedAndTheProgramGoesOn) {
    selected = QStringLiteral("00:11:22:33:44:BB"); // no section, so no "ip"
    EXPECT_FALSE(sender->send(QByteArray("\x20\x00", 2), 2977, 103));
    EXPECT_EQ(bed.messages.texts(), QStringList{"Unable to reach the element on UDP port 2977: no "
                                                "address is stored for this element."});
    EXPECT_FALSE(bed.programEnd.ended);
}

TEST_F(SenderTest, LeadingZerosInTheStoredAddressAreDecimal) {
    FakeElement at10("127.0.0.10"); // not 127.0.0.8, as an octal reading would make it
    ASSERT_TRUE(IniStore::WriteToINI(QStringLiteral("0011223344AA"), QStringLiteral("ip"),
                         QStringLiteral("127.0.0.010"), bed.iniPath()));
    ASSERT_TRUE(sender->send(QByteArray("VOL"), 2977, 104));
    EXPECT_TRUE(waitFor([&] { return at10.shortGot.size() == 1; }));
}

TEST_F(SenderTest, APortTakenByAnotherProgramEndsTheProgram) {
    ep.close();
    QUdpSocket squatter;
    ASSERT_TRUE(squatter.bind(QHostAddress(QStringLiteral("127.0.0.1")), 2976, QAbstractSocket::DontShareAddress));
    EXPECT_FALSE(sender->send(QByteArray("CONFIG"), 2976, 101));
    ASSERT_EQ(bed.messages.shown.size(), 1u);
    EXPECT_TRUE(bed.messages.shown[0].text.startsWith(QStringLiteral("101 - Unable to use UDP port 2976: ")));
    EXPECT_TRUE(bed.programEnd.ended);
}

TEST(ManagementEndpointTest, DiscoveryBroadcastLeavesFromTheBoundEndpointWithoutRebinding) {
    ManagementEndpoint ep;
    ASSERT_TRUE(ep.bindLocal(QStringLiteral("127.0.0.1")));
    ep.setRemote(QStringLiteral("127.0.0.9"), 2977);
    QUdpSocket listener;
    ASSERT_TRUE(listener.bind(QHostAddress::AnyIPv4, 1901)) << listener.errorString().toStdString();
    const qintptr fd = ep.socket()->socketDescriptor();
    ASSERT_TRUE(ep.broadcast(QByteArray("IPMPXSTL VELTRANA PAGING REQUEST"))) << ep.errorString().toStdString();
    EXPECT_EQ(ep.socket()->socketDescriptor(), fd);
    EXPECT_EQ(ep.remoteHost(), "255.255.255.255");
    EXPECT_EQ(ep.remotePort(), 1901);
    ASSERT_TRUE(waitFor([&] { return listener.hasPendingDatagrams(); }));
    const QNetworkDatagram d = listener.receiveDatagram();
    EXPECT_EQ(d.data(), QByteArray("IPMPXSTL VELTRANA PAGING REQUEST"));
    EXPECT_EQ(d.senderPort(), 2976);
}

TEST(ManagementEndpointTest, ASecondExclusiveBindOnThePortFails) {
    ManagementEndpoint first;
    ASSERT_TRUE(first.bindLocal(QStringLiteral("0.0.0.0")));
    ManagementEndpoint second;
    EXPECT_FALSE(second.bindLocal(QStringLiteral("127.0.0.1")));
    EXPECT_FALSE(second.errorString().isEmpty());
    EXPECT_FALSE(second.bindLocal(QStringLiteral("not an address")));
}

} // namespace
