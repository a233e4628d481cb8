// The statistics window with real sockets on port 2978 in the test's private namespace.

#include "FakeDiagnosticsElement.h"
#include "Spoken.h"
#include "TestServices.h"

#include "behaviours/diagnostics/frmStatistics.h"
#include "core/database/IniStore.h"
#include "core/diagnostics/DiagnosticsPort.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QRegularExpression>
#include <QLabel>
#include <QLocale>
#include <QPushButton>

#include <gtest/gtest.h>

#include <map>

namespace {

const QString kSection = QStringLiteral("0011223344AA");

class StatisticsWindowTest : public DiagnosticsWindowTest<frmStatistics> {
protected:
    void SetUp() override {
        DiagnosticsWindowTest::SetUp();
        write("name", "\"STUDIO A  \""); // quoted, so the blanks are part of the value
    }
    static std::map<std::string, std::string> labels(frmStatistics& w) {
        std::map<std::string, std::string> out;
        for (QLabel* l : {w.lblMACTxOK, w.lblMACTxErr, w.lblMACRxOK, w.lblMACRxErr, w.lblAudioRxFramesOK,
                          w.lblAudioRxFramesErr, w.lblPTPRxOK, w.lblPTPRxErr, w.lblPTPClkAdj, w.lblPTPLatency})
            out[l->objectName().toStdString()] = l->text().toStdString();
        return out;
    }
};

TEST_F(StatisticsWindowTest, OpeningBindsNamesTheFrameAndAsksForTheCounters) {
    auto w = open();
    EXPECT_EQ(w->windowTitle(), "Statistics");
    EXPECT_TRUE(w->isModal());
    EXPECT_EQ(w->frmStats->title(), "STUDIO A  :"); // the stored name unchanged, then ":"
    for (const auto& [name, text] : labels(*w))
        EXPECT_EQ(text, "-") << name;
    ASSERT_TRUE(received(1));
    EXPECT_EQ(element->got[0].data(), QByteArray("GetStats"));
    EXPECT_EQ(element->got[0].senderAddress(), QHostAddress(QStringLiteral("127.0.0.1")));
    EXPECT_EQ(element->got[0].senderPort(), 2978);
    EXPECT_TRUE(bed.messages.shown.empty());
    EXPECT_EQ(w->cmdRefreshStats->text(), "&Refresh");
    EXPECT_EQ(w->cmdRefreshStats->toolTip(), "Fetch counters");
    EXPECT_EQ(w->cmdResetStats->text(), "&Clear");
    EXPECT_EQ(w->cmdResetStats->toolTip(), "Reset counters to zero");
}

TEST_F(StatisticsWindowTest, AnElementWithoutANameGivesAColonAlone) {
    ASSERT_TRUE(IniStore::DeleteIniKey(kSection, QStringLiteral("name"), bed.iniPath()));
    auto w = open();
    EXPECT_EQ(w->frmStats->title(), ":");
}

TEST_F(StatisticsWindowTest, RowsShownDependOnSfnAndRole) {
    // TX 2 good, 1 bad; PTP 10/3; clock -250; measured delay 1000 + 500; audio 99/1.
    const QByteArray record = diagnosticsRecord({{0, "00000002"}, {8, "00000001"}, {16, "0000000A"}, {20, "00000003"},
                                                 {24, "FFFFFF06"}, {28, "000003E8"}, {32, "00000063"},
                                                 {36, "00000001"}, {52, "000001F4"}});
    struct Case {
        const char* sfn;
        const char* type;
        bool ptp, clock;
    };
    const Case cases[] = {
        {"1", "DECODER", true, true},
        {"1", "ENCODER", true, false},
        {"0", "DECODER", false, false},
        {"1.0", "DECODER", true, true}, // read as a number
        {"2", "DECODER", false, false},
    };
    for (const Case& c : cases) {
        write("sfn", c.sfn);
        elementType = QString::fromLatin1(c.type);
        auto w = open();
        element->reply(record);
        ASSERT_TRUE(waitFor([&] { return w->lblMACTxOK->text() != "-"; })) << c.sfn << c.type;
        auto l = labels(*w);
        EXPECT_EQ(l["lblMACTxOK"], "2");
        EXPECT_EQ(l["lblMACTxErr"], "1 (33.33%)");
        EXPECT_EQ(l["lblMACRxOK"], "0");
        EXPECT_EQ(l["lblMACRxErr"], "0 (0%)");
        EXPECT_EQ(l["lblAudioRxFramesOK"], "99");
        EXPECT_EQ(l["lblAudioRxFramesErr"], "1 (1%)");
        EXPECT_EQ(l["lblPTPRxOK"], c.ptp ? "10" : "-") << c.sfn << c.type;
        EXPECT_EQ(l["lblPTPRxErr"], c.ptp ? "3" : "-") << c.sfn << c.type;
        EXPECT_EQ(l["lblPTPClkAdj"], c.clock ? "-250 nS" : "-") << c.sfn << c.type;
        EXPECT_EQ(l["lblPTPLatency"], c.clock ? "1500 nS" : "-") << c.sfn << c.type;
        // A screen reader reads each count with its row caption.
        auto* grid = qobject_cast<QGridLayout*>(w->frmStats->layout());
        for (QLabel* v : w->findChildren<QLabel*>(QRegularExpression(QStringLiteral("^lbl")))) {
            int row = 0, column = 0, rows = 0, columns = 0;
            grid->getItemPosition(grid->indexOf(v), &row, &column, &rows, &columns);
            const auto* caption = qobject_cast<QLabel*>(grid->itemAtPosition(row, 0)->widget());
            EXPECT_EQ(spokenName(v), v->text()) << v->objectName().toStdString();
            EXPECT_EQ(spokenCaption(v) + u':', caption->text()) << v->objectName().toStdString();
        }
        w.reset(); // closing releases the port for the next opening
    }
    EXPECT_TRUE(bed.messages.shown.empty());
}

TEST_F(StatisticsWindowTest, OnlyRecordsOfAtMost61BytesAreDecodedWhoeverSendsThem) {
    auto w = open();
    element->reply(diagnosticsRecord({{0, "00000007"}}, 62));
    element->reply(diagnosticsRecord({{0, "00000008"}}, 16));
    ASSERT_TRUE(waitFor([&] { return w->lblMACTxOK->text() == "8"; }));
    EXPECT_EQ(w->lblAudioRxFramesErr->text(), "0 (0%)"); // beyond the 16 bytes everything reads 0
    // Another address and port: still taken.
    FakeDiagnosticsElement stranger("127.0.0.9");
    stranger.reply(diagnosticsRecord({{0, "01000001"}}));
    ASSERT_TRUE(waitFor([&] { return w->lblMACTxOK->text() != "8"; }));
    EXPECT_EQ(w->lblMACTxOK->text(), "16777216");
    EXPECT_EQ(w->values().UDP_Response_Tx_Frames_OK, 16777216);
}

TEST_F(StatisticsWindowTest, RefreshAsksAgainAndKeepsTheLabels) {
    auto w = open();
    ASSERT_TRUE(received(1));
    element->reply(diagnosticsRecord({{0, "00000005"}}));
    ASSERT_TRUE(waitFor([&] { return w->lblMACTxOK->text() == "5"; }));
    w->cmdRefreshStats->click();
    ASSERT_TRUE(received(2));
    EXPECT_EQ(element->payloads(), (QList<QByteArray>{"GetStats", "GetStats"}));
    EXPECT_EQ(w->lblMACTxOK->text(), "5");
}

TEST_F(StatisticsWindowTest, ClearAsksFirstAndSendsOnlyOnYes) {
    auto w = open();
    ASSERT_TRUE(received(1));
    bed.messages.answers.enqueue(MsgAnswer::No);
    w->cmdResetStats->click();
    ASSERT_EQ(bed.messages.shown.size(), 1u);
    const MessageRequest& q = bed.messages.shown[0];
    EXPECT_EQ(q.text, "You will reset all counters to zero.\rAre you sure?");
    EXPECT_EQ(q.title, "Reset counters");
    EXPECT_EQ(q.icon, MsgIcon::Question);
    EXPECT_EQ(q.buttons, MsgButtons::YesNo);
    bed.messages.answers.enqueue(MsgAnswer::Yes);
    w->cmdResetStats->click();
    ASSERT_TRUE(received(2));
    waitFor([] { return false; }, 200); // nothing else follows
    EXPECT_EQ(element->payloads(), (QList<QByteArray>{"GetStats", "RstStats"}));
}

TEST_F(StatisticsWindowTest, AnOverflowShowsError5AndTheWindowStays) {
    auto w = open();
    // Audio frames: the sum of good and bad leaves the 32-bit range.
    element->reply(diagnosticsRecord({{0, "00000003"}, {32, "7FFFFF00"}, {36, "7FFFFF00"}}));
    ASSERT_TRUE(waitFor([&] { return !bed.messages.shown.empty(); }));
    EXPECT_EQ(bed.messages.shown[0].text, "Error 5 while retrieving values. Please reset the device and try again.");
    EXPECT_EQ(bed.messages.shown[0].icon, MsgIcon::Critical);
    EXPECT_FALSE(bed.programEnd.ended);
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(w->lblMACTxOK->text(), "3");                 // shown before the failure
    EXPECT_EQ(w->lblAudioRxFramesOK->text(), "2147483392"); // the last row before it
    EXPECT_EQ(w->lblAudioRxFramesErr->text(), "-");
    // The next good record is shown.
    element->reply(diagnosticsRecord({{0, "00000004"}}));
    ASSERT_TRUE(waitFor([&] { return w->lblMACTxOK->text() == "4"; }));
}

// A port held by another socket is waited for (DiagnosticsFailureTest); any other bind
// failure (an address this host does not have) ends the program.
TEST_F(StatisticsWindowTest, PortFailureEndsTheProgram) {
    DiagnosticsContext c = context();
    c.localAddress = [] { return QStringLiteral("192.0.2.1"); };
    frmStatistics w(c);
    EXPECT_FALSE(w.openWindow());
    ASSERT_EQ(bed.messages.shown.size(), 1u);
    EXPECT_EQ(bed.messages.shown[0].text, "Error 2: Unable to use UDP port 2978: occupied.");
    EXPECT_EQ(bed.messages.shown[0].icon, MsgIcon::Critical);
    EXPECT_TRUE(bed.programEnd.ended);
    waitFor([] { return false; }, 100);
    EXPECT_TRUE(element->got.isEmpty());
}

TEST_F(StatisticsWindowTest, ASecondWindowCannotHaveThePort) {
    auto first = open();
    frmStatistics second(context());
    EXPECT_FALSE(second.openWindow());
    EXPECT_FALSE(bed.programEnd.ended);
}

TEST_F(StatisticsWindowTest, AFailedSendIsReportedAndTheWindowStays) {
    ASSERT_TRUE(IniStore::DeleteIniKey(kSection, QStringLiteral("ip"), bed.iniPath()));
    auto w = open(); // opens although the first request cannot go anywhere
    ASSERT_EQ(bed.messages.shown.size(), 1u);
    EXPECT_EQ(bed.messages.shown[0].text,
              "Unable to reach the element on UDP port 2978: no address is stored for this element.");
    EXPECT_EQ(bed.messages.shown[0].icon, MsgIcon::Critical);
    write("ip", "300.1.2.3");
    w->cmdRefreshStats->click();
    bed.messages.answers.enqueue(MsgAnswer::Yes);
    w->cmdResetStats->click();
    ASSERT_EQ(bed.messages.shown.size(), 4u); // refresh failure, question, clear failure
    EXPECT_EQ(bed.messages.shown[1].text,
              "Unable to reach the element on UDP port 2978: the stored address \"300.1.2.3\" is not an IPv4 address.");
    EXPECT_EQ(bed.messages.shown[3].text, bed.messages.shown[1].text);
    EXPECT_FALSE(bed.programEnd.ended);
    EXPECT_TRUE(w->isVisible());
    // The stored address is read again on each send.
    write("ip", "127.0.0.2");
    w->cmdRefreshStats->click();
    ASSERT_TRUE(received(1));
    EXPECT_EQ(element->got[0].data(), QByteArray("GetStats"));
}

TEST_F(StatisticsWindowTest, ClosingReleasesThePort) {
    {
        auto w = open();
        w->close();
    }
    QUdpSocket again;
    EXPECT_TRUE(again.bind(QHostAddress(QStringLiteral("127.0.0.1")), 2978)) << again.errorString().toStdString();
}

TEST_F(StatisticsWindowTest, RatiosUseTheLocaleDecimalSeparator) {
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    auto w = open();
    element->reply(diagnosticsRecord({{0, "00000002"}, {8, "00000001"}}));
    ASSERT_TRUE(waitFor([&] { return w->lblMACTxErr->text() != "-"; }));
    EXPECT_EQ(w->lblMACTxErr->text(), "1 (33,33%)");
    QLocale::setDefault(QLocale::c());
}

} // namespace
