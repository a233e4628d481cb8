// The MAC lookup on the kernel's real neighbour table, over the lab's veth links and
// bridge with real ARP exchanges.

#include "Lab.h"
#include "TestServices.h"

#include "core/protocol/Arp.h"
#include "core/protocol/LinuxArpLookup.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QUdpSocket>

#include <gtest/gtest.h>

namespace {

quint32 v4(const QString& dotted) { return QHostAddress(dotted).toIPv4Address(); }

class LabArpTest : public ::testing::Test {
protected:
    void SetUp() override {
        QString error;
        lab = Lab::up({QStringLiteral("--role encoder"), QStringLiteral("--role decoder")}, &error);
        ASSERT_TRUE(lab) << error.toStdString();
        ASSERT_TRUE(lab->enterNms(&error)) << error.toStdString();
    }
    void TearDown() override { lab.reset(); }
    std::unique_ptr<Lab> lab;
};

TEST_F(LabArpTest, ImmediateLookupAnswersOnlyWhatTheKernelKnows) {
    LinuxArpLookup arp;
    // Nothing was exchanged with element 1 yet.
    EXPECT_TRUE(arp.hardwareAddress(v4(Lab::elementIp(1))).isEmpty());

    // Once the element has sent a datagram to the NMS side, the kernel knows it.
    QUdpSocket nms;
    ASSERT_TRUE(nms.bind(QHostAddress(Lab::nmsIp()), 2976)) << nms.errorString().toStdString();
    ASSERT_TRUE(lab->announce(1));
    ASSERT_TRUE(nms.waitForReadyRead(3000));
    QString mac;
    EXPECT_TRUE(Arp::Resolve_MAC(arp, Lab::elementIp(1), QStringLiteral(":"), mac, nullptr));
    EXPECT_EQ(mac, Lab::elementMac(1));
}

TEST_F(LabArpTest, AProvokedExchangeFillsTheTableWithinATick) {
    LinuxArpLookup arp;
    QString stored;
    QString mac;
    QElapsedTimer clock;
    clock.start();
    arp.provoke(v4(Lab::elementIp(2)));
    EXPECT_TRUE(waitFor([&] { return Arp::Resolve_MAC(arp, Lab::elementIp(2), QStringLiteral(":"), mac, &stored); },
                        1000));
    EXPECT_LT(clock.elapsed(), 900);
    EXPECT_EQ(mac, Lab::elementMac(2));
    EXPECT_EQ(stored, Lab::elementMac(2));

    // Nobody at the address: nothing comes.
    arp.provoke(v4(QStringLiteral("10.77.0.200")));
    EXPECT_FALSE(waitFor([&] { return !arp.hardwareAddress(v4(QStringLiteral("10.77.0.200"))).isEmpty(); }, 1000));
}

} // namespace
