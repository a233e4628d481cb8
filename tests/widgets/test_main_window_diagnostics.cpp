// The diagnostics of the real main window: the ping button, the statistics and SFN
// windows opened from it, and the audio level meter on the management endpoint.

#include "ElementDatabase.h"
#include "FakeDiagnosticsElement.h"
#include "Spoken.h"
#include "TestServices.h"

#include "app/frmMain.h"
#include "behaviours/diagnostics/AudioLevelMeter.h"
#include "behaviours/diagnostics/frmAdjust.h"
#include "behaviours/diagnostics/frmStatistics.h"
#include "core/database/IniStore.h"
#include "core/diagnostics/IcmpEcho.h"
#include "views/ElementTree.h"
#include "views/LevelBar.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

using namespace ElementDatabase;

const QColor kLightYellow(255, 255, 192);
const QColor kGreen(0, 255, 0);
const QColor kLightRed(255, 128, 128);

// Records each ping; answers as told.
struct FakeIcmp final : IcmpEcho {
    bool socketsWork = true;
    qint32 status = 0;
    quint32 roundTrip = 0;
    QStringList pinged;
    QStringList captionsWhilePinging;
    QPushButton* button = nullptr;
    int starts = 0, stops = 0;
    bool startSockets() override {
        ++starts;
        return socketsWork;
    }
    void stopSockets() override { ++stops; }
    qint32 pingHost(const QString& address, Icmp::EchoReply& reply) override {
        pinged.append(address);
        if (button)
            captionsWhilePinging.append(button->text());
        reply.Status = status;
        reply.RoundTripTime = roundTrip;
        return status;
    }
};

struct Window {
    TestBed bed;
    std::unique_ptr<frmMain> w;
    explicit Window(const QByteArray& db, IcmpEcho* icmp = nullptr) {
        bed.icmp = icmp;
        bed.writeIni(db);
        w = std::make_unique<frmMain>(bed.services());
        EXPECT_TRUE(w->startUp());
    }
    MainWindowUi& ui() { return w->ui(); }
    void select(int index) {
        ElementTree* tree = ui().TreeView1;
        QTreeWidgetItem* node = tree->topLevelItem(index);
        ASSERT_NE(node, nullptr);
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(node).center());
    }
};

// Runs `act` on the modal window of type T once it is open, then closes it.
template <typename T> void whenModalOpens(std::function<void(T*)> act) {
    QTimer::singleShot(10, [act] {
        auto* window = qobject_cast<T*>(QApplication::activeModalWidget());
        if (window == nullptr) {
            whenModalOpens<T>(act);
            return;
        }
        act(window);
        window->close();
    });
}

QByteArray sfnDecoderAt2() {
    return section("0011223344D1", with(decoder(), {{"IP", "127.0.0.2"}, {"SFN", "1"}}));
}

TEST(MainWindowPingTest, CaptionsAndColours) {
    struct Case {
        const char* what;
        const char* address;
        bool sockets;
        qint32 status;
        quint32 rtt;
        const char* caption;
        QColor colour;
        bool pinged;
    };
    const Case cases[] = {
        {"an answer", "127.0.0.2", true, 0, 3, "3 ms", kGreen, true},
        {"an answer within the millisecond", "127.0.0.2", true, 0, 0, "0 ms", kGreen, true},
        {"an answer just before the time-out", "127.0.0.2", true, 0, 2999, "2999 ms", kGreen, true},
        {"a time-out", "127.0.0.2", true, 11010, 0, "Failed!", kLightRed, true},
        {"an ICMP error", "127.0.0.2", true, 11003, 0, "Failed!", kLightRed, true},
        {"no request made", "127.0.0.2", true, -1, 0, "Failed!", kLightRed, true},
        {"three parts: nothing sent", "10.0.0", true, 0, 0, "Trying...", kLightYellow, false},
        {"empty: nothing sent", "", true, 0, 0, "Trying...", kLightYellow, false},
        {"no sockets", "127.0.0.2", false, 0, 0, "No sockets!", kLightRed, false},
    };
    for (const Case& c : cases) {
        FakeIcmp icmp;
        icmp.socketsWork = c.sockets;
        icmp.status = c.status;
        icmp.roundTrip = c.rtt;
        Window win(section("0011223344A1", encoder()), &icmp);
        icmp.button = win.ui().cmdPing;
        win.select(0);
        setButtonBackground(win.ui().cmdPing, kGreen); // an earlier result
        win.ui().txtElementIP->setText(QString::fromLatin1(c.address));
        QApplication::processEvents();
        const QRect before = win.ui().cmdPing->geometry();
        const int levelAt = win.ui().VUMeter->mapTo(win.w.get(), QPoint()).x();
        win.ui().cmdPing->click();
        QApplication::processEvents();
        EXPECT_EQ(win.ui().cmdPing->text().toStdString(), c.caption) << c.what;
        // Read out as shown, and the frame does not jump.
        EXPECT_EQ(spokenName(win.ui().cmdPing).toStdString(), c.caption) << c.what;
        EXPECT_EQ(spokenCaption(win.ui().cmdPing), "Ping") << c.what;
        EXPECT_EQ(win.ui().cmdPing->geometry(), before) << c.what;
        EXPECT_EQ(win.ui().VUMeter->mapTo(win.w.get(), QPoint()).x(), levelAt) << c.what;
        EXPECT_EQ(buttonBackground(win.ui().cmdPing), c.colour) << c.what;
        EXPECT_EQ(icmp.pinged, c.pinged ? QStringList{QString::fromLatin1(c.address)} : QStringList()) << c.what;
        if (c.pinged) {
            EXPECT_EQ(icmp.captionsWhilePinging, QStringList{"Trying..."}) << c.what;
        }
        // Started and released around each ping that got as far as starting.
        EXPECT_EQ(icmp.stops, c.pinged ? 1 : 0) << c.what;
        if (!c.sockets) {
            ASSERT_EQ(win.bed.messages.shown.size(), 1u);
            EXPECT_EQ(win.bed.messages.shown[0].text, "Windows Sockets not responding correctly.");
            EXPECT_EQ(win.bed.messages.shown[0].title, "Ping failed");
            EXPECT_EQ(win.bed.messages.shown[0].icon, MsgIcon::Critical);
        } else {
            EXPECT_TRUE(win.bed.messages.shown.empty()) << c.what;
        }
    }
}

TEST(MainWindowPingTest, RealEchoesInThePrivateNamespace) {
    Window win(section("0011223344A1", encoder())); // the system's ICMP
    win.select(0);
    win.ui().txtElementIP->setText(QStringLiteral("127.0.0.2")); // the typed address, not the stored one
    win.ui().cmdPing->click();
    if (win.ui().cmdPing->text() == "Failed!")
        GTEST_SKIP() << "no right to send ICMP here (neither a datagram nor a raw socket)";
    EXPECT_TRUE(win.ui().cmdPing->text().endsWith(" ms")) << win.ui().cmdPing->text().toStdString();
    EXPECT_EQ(buttonBackground(win.ui().cmdPing), kGreen);
    // 0.0.0.0 passes the address rule but converts to 0: no request, "Failed!".
    win.ui().txtElementIP->setText(QStringLiteral("0.0.0.0"));
    win.ui().cmdPing->click();
    EXPECT_EQ(win.ui().cmdPing->text(), "Failed!");
    EXPECT_EQ(buttonBackground(win.ui().cmdPing), kLightRed);
    // Selecting again resets the button.
    win.select(0);
    EXPECT_EQ(win.ui().cmdPing->text(), "<Click to test>");
    EXPECT_EQ(buttonBackground(win.ui().cmdPing), kLightYellow);
}

TEST(MainWindowDiagnosticsTest, GetStatsOpensTheStatisticsWindowOnTheShownElement) {
    Window win(sfnDecoderAt2());
    FakeDiagnosticsElement element;
    win.select(0);
    ASSERT_TRUE(win.ui().cmdGetStats->isEnabled());
    bool seen = false;
    whenModalOpens<frmStatistics>([&](frmStatistics* s) {
        seen = true;
        EXPECT_EQ(s->frmStats->title(), "TRANSMITTER A:");
        EXPECT_TRUE(waitFor([&] { return element.got.size() == 1; }));
        element.reply(diagnosticsRecord({{0, "00000002"}, {8, "00000001"}, {28, "000003E8"}, {52, "000001F4"}}));
        EXPECT_TRUE(waitFor([&] { return s->lblPTPLatency->text() == "1500 nS"; }));
        EXPECT_EQ(s->lblMACTxErr->text(), "1 (33.33%)");
    });
    win.ui().cmdGetStats->click(); // returns when the window is closed
    EXPECT_TRUE(seen);
    ASSERT_EQ(element.got.size(), 1);
    EXPECT_EQ(element.got[0].data(), QByteArray("GetStats"));
    // The port went with the window.
    QUdpSocket again;
    EXPECT_TRUE(again.bind(QHostAddress(QStringLiteral("127.0.0.1")), 2978));
    EXPECT_FALSE(win.bed.programEnd.ended);
}

TEST(MainWindowDiagnosticsTest, AdjustOpensTheSfnWindowAndRemembersTheSet) {
    Window win(sfnDecoderAt2());
    FakeDiagnosticsElement element;
    win.select(0);
    ASSERT_TRUE(win.ui().cmdAdjust->isEnabled());
    whenModalOpens<frmAdjust>([&](frmAdjust* a) {
        EXPECT_TRUE(waitFor([&] { return element.got.size() == 1; }));
        element.reply(diagnosticsRecord({{40, "000003E8"}, {52, "000001F4"}}));
        EXPECT_TRUE(waitFor([&] { return a->lblDelaySumAVG->text() == "397 uS, 598 nS"; }));
        a->scrlAdditionalDelay->setValue(1234);
        a->cmdSet->click();
        EXPECT_TRUE(waitFor([&] { return element.got.size() == 2; }));
    });
    win.ui().cmdAdjust->click();
    ASSERT_EQ(element.got.size(), 2);
    EXPECT_EQ(element.got[1].data().toHex(), "530001e20800");
    EXPECT_EQ(IniStore::ReadFromINI(QStringLiteral("0011223344D1"), QStringLiteral("dly"), win.bed.iniPath(), {}),
              "1234");
    ASSERT_EQ(win.bed.messages.shown.size(), 1u);
    EXPECT_EQ(win.bed.messages.shown[0].text,
              "There are unsaved parameters. Don't forget to click the 'Save' button.");
}

TEST(MainWindowDiagnosticsTest, TheMeterRunsOnTheManagementEndpoint) {
    Window win(section("0011223344A1", encoder())); // at 127.0.0.2
    QUdpSocket element;
    ASSERT_TRUE(element.bind(QHostAddress(QStringLiteral("127.0.0.2")), 2977));
    QList<QNetworkDatagram> requests;
    QObject::connect(&element, &QUdpSocket::readyRead, [&] {
        while (element.hasPendingDatagrams())
            requests.append(element.receiveDatagram());
    });
    win.select(0);
    EXPECT_EQ(win.w->tmrVolume.interval(), 50);
    QAction* start = win.ui().toolbarButton[Toolbar::StartAudioMonitoring];
    QAction* stop = win.ui().toolbarButton[Toolbar::StopAudioMonitoring];
    ASSERT_TRUE(start->isEnabled());
    start->trigger();
    EXPECT_TRUE(win.ui().chkGetVolume->isChecked());
    EXPECT_TRUE(win.w->tmrVolume.isActive());
    ASSERT_TRUE(waitFor([&] { return requests.size() >= 2; }));
    EXPECT_EQ(requests[0].data(), QByteArray("VOL"));
    EXPECT_EQ(requests[0].senderPort(), 2976);
    QByteArray report(1203, '\0');
    report.replace(1200, 3, QByteArray::fromHex("400000"));
    element.writeDatagram(report, QHostAddress(QStringLiteral("127.0.0.1")), 2976);
    ASSERT_TRUE(waitFor([&] { return win.ui().lblVolume->text() == "-6dBFS"; }));
    EXPECT_EQ(win.ui().VUMeter->widthTwips(), 1050);
    // Toolbar button 7 stops it; a late report leaves the display empty.
    stop->trigger();
    EXPECT_FALSE(win.ui().chkGetVolume->isChecked());
    EXPECT_FALSE(win.w->tmrVolume.isActive());
    EXPECT_EQ(win.ui().lblVolume->text(), "-oodBFS");
    EXPECT_EQ(win.ui().VUMeter->widthTwips(), 0);
    const int shown = win.w->levelMeter().reportsShown();
    element.writeDatagram(report, QHostAddress(QStringLiteral("127.0.0.1")), 2976);
    ASSERT_TRUE(waitFor([&] { return win.w->levelMeter().reportsShown() > shown; }));
    EXPECT_EQ(win.ui().lblVolume->text(), "-oodBFS");
    // Slider1 sets the interval; selecting an element stops the meter.
    start->trigger();
    win.ui().Slider1->setValue(win.ui().Slider1->minimum());
    EXPECT_EQ(win.w->tmrVolume.interval(), win.ui().Slider1->minimum());
    win.select(0);
    EXPECT_FALSE(win.w->tmrVolume.isActive());
    EXPECT_EQ(win.ui().lblVolume->text(), "-oodBFS");
    EXPECT_EQ(win.ui().VUMeter->widthTwips(), 0);
    EXPECT_DOUBLE_EQ(frmMain::Log10(100.0), 2.0);
}

// Refreshing the list clears the panel: the meter stops with it, also while the refresh's
// own box is open (there it would tick on for a record that went with the database).
TEST(MainWindowDiagnosticsTest, RefreshingTheListStopsTheMeter) {
    Window win(section("0011223344A1", encoder()));
    win.bed.messages.holdOpenMs = 300;
    MainWindowUi& u = win.ui();
    for (bool emptied : {false, true}) {
        win.select(0);
        u.toolbarButton[Toolbar::StartAudioMonitoring]->trigger();
        if (emptied)
            win.bed.writeIni(QByteArray());
        u.toolbarButton[Toolbar::RefreshList]->trigger();
        EXPECT_FALSE(waitFor([&] { return win.bed.programEnd.ended; }, 300)) << emptied;
        for (const MessageRequest& m : win.bed.messages.shown)
            EXPECT_EQ(m.icon, MsgIcon::Information) << m.text.toStdString();
        EXPECT_FALSE(win.w->tmrVolume.isActive() || u.chkGetVolume->isChecked() ||
                     u.cmdGetStats->isEnabled());
        EXPECT_FALSE(u.toolbarButton[Toolbar::StartAudioMonitoring]->isEnabled() ||
                     u.toolbarButton[Toolbar::StopAudioMonitoring]->isEnabled());
    }
}

// An element the meter cannot reach stops it with one message (the ticks behind the open
// box add none), and the toolbar offers the start again.
TEST(MainWindowDiagnosticsTest, AnElementTheMeterCannotReachStopsItWithOneMessage) {
    if (!onlyLoopbackHere())
        GTEST_SKIP() << "not in a private network namespace: 10.99.0.1 might be reachable";
    Window win(section("0011223344A1", with(encoder(), {{"IP", "10.99.0.1"}})));
    win.bed.messages.holdOpenMs = 300;
    win.select(0);
    win.ui().toolbarButton[Toolbar::StartAudioMonitoring]->trigger();
    ASSERT_TRUE(waitFor([&] { return !win.bed.messages.shown.empty(); }));
    EXPECT_EQ(win.bed.messages.texts(),
              QStringList{"Unable to reach the element on UDP port 2977: Network is unreachable."});
    EXPECT_FALSE(win.w->tmrVolume.isActive() || win.bed.programEnd.ended);
    EXPECT_TRUE(win.ui().toolbarButton[Toolbar::StartAudioMonitoring]->isEnabled());
}

} // namespace
