// The audio level meter with the real management endpoint and sender on loopback.

#include "TestServices.h"

#include "behaviours/diagnostics/AudioLevelMeter.h"
#include "core/database/IniStore.h"
#include "core/protocol/ElementSender.h"
#include "core/protocol/ManagementEndpoint.h"
#include "views/LevelBar.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QLabel>
#include <QLocale>
#include <QNetworkDatagram>
#include <QTimer>
#include <QUdpSocket>

#include <gtest/gtest.h>

namespace {

// A level report of `length` bytes whose only non-zero sample is `hex` at `offset`.
QByteArray levelReport(qsizetype length, qsizetype offset, const char* hex) {
    QByteArray r(length, '\0');
    const QByteArray sample = QByteArray::fromHex(hex);
    r.replace(offset, sample.size(), sample);
    return r;
}

class AudioLevelMeterTest : public ::testing::Test {
protected:
    TestBed bed;
    ManagementEndpoint ep;
    std::unique_ptr<ElementSender> sender;
    LevelBar VUMeter;
    QLabel lblVolume{QStringLiteral("-oodBFS")};
    QCheckBox chkGetVolume{QStringLiteral("?")};
    QTimer tmrVolume;
    std::unique_ptr<AudioLevelMeter> meter;
    QUdpSocket element; // 127.0.0.2:2977
    QList<QNetworkDatagram> requests;

    void SetUp() override {
        ASSERT_TRUE(IniStore::WriteToINI(QStringLiteral("0011223344AA"), QStringLiteral("ip"),
                                         QStringLiteral("127.0.0.2"), bed.iniPath()));
        ElementSender::Context c;
        c.endpoint = &ep;
        c.messages = &bed.messages;
        c.programEnd = &bed.programEnd;
        c.selectedMac = [] { return QStringLiteral("00:11:22:33:44:AA"); };
        c.localAddress = [] { return QStringLiteral("127.0.0.1"); };
        c.iniPath = bed.iniPath();
        sender = std::make_unique<ElementSender>(c);
        ASSERT_TRUE(ep.bindLocal(QStringLiteral("127.0.0.1"))) << ep.errorString().toStdString();
        tmrVolume.setInterval(50);
        meter = std::make_unique<AudioLevelMeter>(
            AudioLevelMeter::Controls{&VUMeter, &lblVolume, &chkGetVolume, &tmrVolume}, sender.get(), &ep);
        ASSERT_TRUE(element.bind(QHostAddress(QStringLiteral("127.0.0.2")), 2977)) << element.errorString().toStdString();
        QObject::connect(&element, &QUdpSocket::readyRead, [this] {
            while (element.hasPendingDatagrams())
                requests.append(element.receiveDatagram());
        });
    }
    void report(const QByteArray& datagram) {
        ASSERT_EQ(element.writeDatagram(datagram, QHostAddress(QStringLiteral("127.0.0.1")), 2976), datagram.size());
    }
    // Sends a report and waits until the meter has handled it.
    void reportAndWait(const QByteArray& datagram) {
        const int before = meter->reportsShown();
        report(datagram);
        ASSERT_TRUE(waitFor([&] { return meter->reportsShown() > before; }));
    }
};

TEST_F(AudioLevelMeterTest, CheckingStartsTheRequestsOnTheTimersTicks) {
    chkGetVolume.setChecked(true);
    EXPECT_TRUE(tmrVolume.isActive());
    EXPECT_TRUE(requests.isEmpty()); // nothing before the first tick
    QElapsedTimer t;
    t.start();
    ASSERT_TRUE(waitFor([&] { return requests.size() >= 6; }));
    EXPECT_GE(t.elapsed(), 250); // one per 50 ms tick
    for (const QNetworkDatagram& d : requests) {
        EXPECT_EQ(d.data(), QByteArray::fromHex("564F4C"));
        EXPECT_EQ(d.senderPort(), 2976);
        EXPECT_EQ(d.senderAddress(), QHostAddress(QStringLiteral("127.0.0.1")));
    }
    chkGetVolume.setChecked(false);
    EXPECT_FALSE(tmrVolume.isActive());
    const qsizetype sent = requests.size();
    waitFor([] { return false; }, 200);
    EXPECT_EQ(requests.size(), sent);
}

TEST_F(AudioLevelMeterTest, ReportsSetTheBarAndTheLevel) {
    chkGetVolume.setChecked(true);
    struct Case {
        const char* hex;
        int width;
        const char* text;
    };
    const Case cases[] = {
        {"400000", 1050, "-6dBFS"}, {"0CCCCD", 210, "-20dBFS"}, {"000001", 0, "-138.5dBFS"},
        {"7FFFFF", 2100, "0dBFS"},  {"800000", 0, "-oodBFS"},
    };
    for (const Case& c : cases) {
        reportAndWait(levelReport(1203, 1200, c.hex)); // in the last complete group
        EXPECT_EQ(VUMeter.widthTwips(), c.width) << c.hex;
        EXPECT_EQ(lblVolume.text().toStdString(), c.text) << c.hex;
    }
    EXPECT_EQ(VUMeter.visiblePixels(), 0);
    reportAndWait(levelReport(1201, 0, "400000"));
    EXPECT_EQ(VUMeter.visiblePixels(), 70); // 1050 twips
}

// With several encoders answering (the audio watch asks them all), the panel's bar shows
// only the selected element's reports.
TEST_F(AudioLevelMeterTest, AReportFromAnotherElementNeverMovesTheBar) {
    QUdpSocket other; // another encoder, 127.0.0.3
    ASSERT_TRUE(other.bind(QHostAddress(QStringLiteral("127.0.0.3")), 2977))
        << other.errorString().toStdString();
    chkGetVolume.setChecked(true);
    ASSERT_TRUE(waitFor([&] { return !requests.isEmpty(); })); // a request went to 127.0.0.2
    reportAndWait(levelReport(1201, 0, "400000"));
    ASSERT_EQ(lblVolume.text(), "-6dBFS");
    for (const char* hex : {"7FFFFF", "000000"}) {
        const int before = meter->reportsShown();
        const QByteArray r = levelReport(1203, 0, hex);
        ASSERT_EQ(other.writeDatagram(r, QHostAddress(QStringLiteral("127.0.0.1")), 2976),
                  r.size());
        ASSERT_TRUE(
            waitFor([&] { return meter->reportsShown() + meter->reportsPassedOver() > before; }));
        EXPECT_EQ(lblVolume.text(), "-6dBFS") << hex;
        EXPECT_EQ(VUMeter.widthTwips(), 1050) << hex;
    }
    reportAndWait(levelReport(1201, 0, "7FFFFF")); // its own still does
    EXPECT_EQ(VUMeter.widthTwips(), 2100);
}

TEST_F(AudioLevelMeterTest, A1200ByteDatagramIsNotAReport) {
    chkGetVolume.setChecked(true);
    reportAndWait(levelReport(1201, 0, "400000"));
    ASSERT_EQ(lblVolume.text(), "-6dBFS");
    report(levelReport(1200, 0, "7FFFFF"));
    waitFor([] { return false; }, 200);
    EXPECT_EQ(lblVolume.text(), "-6dBFS");
    EXPECT_EQ(VUMeter.widthTwips(), 1050);
}

TEST_F(AudioLevelMeterTest, StoppingClearsTheDisplayAndALateReportLeavesItEmpty) {
    chkGetVolume.setChecked(true);
    reportAndWait(levelReport(1500, 300, "400000"));
    ASSERT_EQ(VUMeter.widthTwips(), 1050);
    chkGetVolume.setChecked(false);
    EXPECT_EQ(VUMeter.widthTwips(), 0);
    EXPECT_EQ(lblVolume.text(), "-oodBFS");
    reportAndWait(levelReport(1500, 300, "7FFFFF"));
    EXPECT_EQ(VUMeter.widthTwips(), 0);
    EXPECT_EQ(lblVolume.text(), "-oodBFS");
}

TEST_F(AudioLevelMeterTest, TheLevelUsesTheLocaleDecimalSeparator) {
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    chkGetVolume.setChecked(true);
    reportAndWait(levelReport(1203, 0, "000001"));
    EXPECT_EQ(lblVolume.text(), "-138,5dBFS");
    QLocale::setDefault(QLocale::c());
}

TEST_F(AudioLevelMeterTest, APortThatCannotBeBoundEndsTheProgramWithError104) {
    ep.close();
    QUdpSocket holder; // another program on 2976
    ASSERT_TRUE(holder.bind(QHostAddress(QStringLiteral("127.0.0.1")), 2976));
    chkGetVolume.setChecked(true);
    ASSERT_TRUE(waitFor([&] { return bed.programEnd.ended; }));
    ASSERT_EQ(bed.messages.shown.size(), 1u);
    EXPECT_TRUE(bed.messages.shown[0].text.startsWith("104 - Unable to use UDP port 2976: "))
        << bed.messages.shown[0].text.toStdString();
    EXPECT_EQ(bed.messages.shown[0].icon, MsgIcon::Critical);
    EXPECT_FALSE(tmrVolume.isActive());
    waitFor([] { return false; }, 200);
    EXPECT_EQ(bed.messages.shown.size(), 1u); // no second message from later ticks
}

} // namespace
