// Discovery from the real main window's toolbar, with simulated elements on loopback
// addresses: the question, the discovery window, the request, the answers stored key by
// key, the endpoint's destination restored and the list reloaded; and the other buttons.

#include "SimulatedElements.h"

#include "behaviours/editor/ElementPanel.h"
#include "behaviours/protocol/MainToolbar.h"
#include "core/protocol/ManagementEndpoint.h"

#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QLabel>
#include <QNetworkDatagram>
#include <QTest>
#include <QTimer>
#include <QUdpSocket>

namespace {

using namespace ElementDatabase;

const QByteArray kStale = section("0A0B0C0D0E0F", encoder());

TEST(DiscoveryTest, RebuildsTheDatabaseFromTheAnswers) {
    NmsWindow win(&kStale);
    ASSERT_EQ(win.nodeTexts().size(), 1);
    win.select(0);
    ASSERT_EQ(win.ui().lblElementMAC->text(), "0A:0B:0C:0D:0E:0F");
    win.w->endpoint().setRemote(QStringLiteral("127.0.0.9"), 2977); // as the last sender left it

    auto enc = startElement("127.0.0.2", {"--role", "encoder", "--tx", "1", "--remote", "239.1.1.1",
                                          "--name", "studio", "--serial", "101", "--firmware", "3.49"});
    auto dec = startElement("127.0.0.3", {"--role", "decoder", "--name", "Site A", "--serial", "102",
                                          "--firmware", "4.2", "--gw", "127.0.0.1", "--mask", "255.0.0.0",
                                          "--remote", "239.1.1.1", "--input", "0", "--type", "0",
                                          "--tx", "0", "--sfn", "1", "--buffer", "9", "--att", "120",
                                          "--sdm", "1", "--sdl", "50", "--sdt", "60", "--llo", "1"});
    auto twice = startElement("127.0.0.4", {"--tx", "0", "--remote", "127.0.0.3", "--serial", "103",
                                            "--fault", "twice"});
    auto bad = startElement("127.0.0.5", {"--fault", "corrupt:serial"});
    win.bed.arp.set("127.0.0.2", "02AA00000002");
    win.bed.arp.set("127.0.0.3", "02AA00000003");
    win.bed.arp.set("127.0.0.4", "02AA00000004");
    win.bed.arp.set("127.0.0.5", "02AA00000005");

    QUdpSocket listener; // hears the request beside the elements
    ASSERT_TRUE(listener.bind(QHostAddress::AnyIPv4, 1901, QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint));

    QString during;
    bool awaiting = false;
    QByteArray fileDuring;
    QTimer::singleShot(1500, [&] {
        during = modalTitle();
        awaiting = win.w->AutoDiscoverAwaiting;
        fileDuring = win.file();
    });
    win.bed.messages.answers.enqueue(MsgAnswer::Yes);
    QElapsedTimer clock;
    clock.start();
    win.ui().toolbarButton[Toolbar::AutoDiscover]->trigger();
    const qint64 took = clock.elapsed();

    ASSERT_GE(win.bed.messages.shown.size(), 1u);
    const MessageRequest& q = win.bed.messages.shown[0];
    EXPECT_EQ(q.text, "Performing an 'Auto Discovery' will delete the local database in your computer and "
                      "create a new one, based on the Network Elements found (if any). \rAre you sure?");
    EXPECT_EQ(q.title, "Auto Discovery");
    EXPECT_EQ(q.icon, MsgIcon::Question);
    EXPECT_EQ(q.buttons, MsgButtons::YesNo);

    EXPECT_EQ(during, "Paging network...");
    EXPECT_TRUE(awaiting);
    EXPECT_FALSE(fileDuring.contains("0A0B0C0D0E0F")); // the old database was gone at once
    EXPECT_GE(took, 2900);
    EXPECT_LT(took, 6000);
    EXPECT_FALSE(win.w->AutoDiscoverAwaiting);
    EXPECT_EQ(win.w->endpoint().remoteHost(), "127.0.0.9");
    EXPECT_EQ(win.w->endpoint().remotePort(), 2977);

    ASSERT_TRUE(listener.hasPendingDatagrams());
    const QNetworkDatagram request = listener.receiveDatagram();
    EXPECT_EQ(request.data(), QByteArray("IPMPXSTL VELTRANA PAGING REQUEST"));
    EXPECT_EQ(request.senderPort(), 2976);
    EXPECT_FALSE(listener.hasPendingDatagrams()); // one request only

    // The refused answer showed its message while the window was open.
    ASSERT_EQ(win.bed.messages.shown.size(), 2u);
    EXPECT_EQ(win.bed.messages.shown[1].text,
              "An error occured while retrieving 'Serial Number':\rFeedback is corrupted.");
    EXPECT_EQ(twice->answersSent(), 2);

    // Every other answer in its own section, written in the discovery order.
    const QByteArray db = win.file();
    EXPECT_TRUE(db.contains(section("02AA00000003",
                                    {{"NAME", "SITE A          "}, {"IP", "127.0.0.3"}, {"MASK", "255.0.0.0"},
                                     {"GW", "127.0.0.1"}, {"INPUT", "0"}, {"TYPE", "0"}, {"TX", "0"},
                                     {"MULTI", "239.1.1.1"}, {"ROLE", "2"}, {"SN", "102"}, {"VER", "4.2"},
                                     {"SFN", "1"}, {"BUF", "9"}, {"ATT", "120"}, {"SDM", "1"}, {"SDL", "50"},
                                     {"SDT", "60"}, {"LLO", "1"}})))
        << db.toStdString();
    EXPECT_TRUE(db.contains(section("02AA00000002",
                                    {{"NAME", "STUDIO          "}, {"IP", "127.0.0.2"}, {"MASK", "255.255.255.0"},
                                     {"GW", "10.77.0.1"}, {"INPUT", "0"}, {"TYPE", "1"}, {"TX", "1"},
                                     {"MULTI", "239.1.1.1"}, {"ROLE", "1"}, {"SN", "101"}, {"VER", "3.49"},
                                     {"SFN", "0"}, {"BUF", "4"}, {"LLO", "0"}})))
        << db.toStdString();
    EXPECT_EQ(win.stored("02AA00000004", "remote"), "127.0.0.3");
    EXPECT_EQ(win.stored("02AA00000004", "multi"), "<absent>");
    EXPECT_EQ(db.count("[02AA00000004]"), 1);
    EXPECT_FALSE(db.contains("02AA00000005"));
    EXPECT_FALSE(db.contains("0A0B0C0D0E0F"));

    // One exchange each (the answers stored side by side); the list reloaded, the panel
    // cleared.
    for (const char* ip : {"127.0.0.2", "127.0.0.3", "127.0.0.4"})
        EXPECT_EQ(win.bed.arp.exchangesWith(QLatin1String(ip)), 1) << ip;
    QStringList nodes = win.nodeTexts();
    std::sort(nodes.begin(), nodes.end());
    EXPECT_EQ(nodes, (QStringList{"SIM ELEMENT [02:AA:00:00:00:04]", "SITE A [02:AA:00:00:00:03]",
                                  "STUDIO [02:AA:00:00:00:02]"}));
    EXPECT_EQ(win.ui().lblElementMAC->text(), "-");
    EXPECT_EQ(win.ui().frmTreeView->title(), "Select element: (3 items)");
}

TEST(DiscoveryTest, AnsweringNoKeepsDatabaseTreeAndPanel) {
    NmsWindow win(&kStale);
    win.select(0);
    auto enc = startElement("127.0.0.2");
    QUdpSocket listener;
    ASSERT_TRUE(listener.bind(QHostAddress::AnyIPv4, 1901, QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint));
    win.ui().toolbarButton[Toolbar::AutoDiscover]->trigger(); // the box answers No by default
    EXPECT_EQ(win.bed.messages.shown.size(), 1u);
    EXPECT_EQ(win.file(), kStale);
    EXPECT_EQ(win.nodeTexts(), QStringList{"STUDIO ONE [0A:0B:0C:0D:0E:0F]"});
    EXPECT_EQ(win.ui().lblElementMAC->text(), "0A:0B:0C:0D:0E:0F");
    waitFor([] { return false; }, 200);
    EXPECT_FALSE(listener.hasPendingDatagrams());
    EXPECT_EQ(enc->answersSent(), 0);
}

TEST(DiscoveryTest, EmptyListStartsWithoutAskingAndLateAnswersAreRefused) {
    NmsWindow win(nullptr); // no database at all
    auto slow = startElement("127.0.0.2", {"--fault", "late:3600@discovery"});
    win.bed.arp.set("127.0.0.2", "02AA00000002");
    win.ui().toolbarButton[Toolbar::AutoDiscover]->trigger();
    // Nobody answered in time: the empty database is reported by the reload.
    ASSERT_EQ(win.bed.messages.shown.size(), 1u);
    EXPECT_EQ(win.bed.messages.shown[0].text,
              "Local database is empty.\rPlease click the 'Auto Discover' icon to probe the network.");
    EXPECT_EQ(win.file(), QByteArray());
    // The late answer is taken as the answer to a sent configuration, and refused.
    ASSERT_TRUE(waitFor([&] { return win.bed.messages.shown.size() >= 2; }, 3000));
    EXPECT_EQ(win.bed.messages.shown[1].text,
              "The response received does not match the selected element.\rCannot save this element info.");
    EXPECT_EQ(win.file(), QByteArray());
}

TEST(DiscoveryTest, ADatabaseThatCannotBeReadIsKeptAndTheFailureToldOnce) {
    NmsWindow win(nullptr);
    const QString ini = win.bed.iniPath();
    ASSERT_TRUE(QDir().mkdir(ini)); // nms.ini is a folder
    auto a = startElement("127.0.0.2", {"--serial", "201"});
    auto b = startElement("127.0.0.3", {"--serial", "202"});
    win.bed.arp.set("127.0.0.2", "02AA00000002");
    win.bed.arp.set("127.0.0.3", "02AA00000003");
    win.ui().toolbarButton[Toolbar::AutoDiscover]->trigger();
    EXPECT_EQ(a->answersSent() + b->answersSent(), 2);
    const QString problem = u'"' + ini + QStringLiteral("\" cannot be read: it is a folder, not a file.");
    EXPECT_EQ(win.bed.messages.texts().join(u'|').toStdString(),
              ("The local database could not be emptied for the discovery:\r\"" + ini +
               "\" cannot be read (it is a folder, not a file), so it was left as it is.|"
               "The local database " + problem + "\rNothing is stored in it until this is mended.")
                  .toStdString());
    EXPECT_TRUE(QFileInfo(ini).isDir());
}

TEST(DiscoveryTest, TheEndWaitsForAnAnswerStillBeingLookedUp) {
    // The answer comes 2900 ms into the discovery; the table learns its MAC 300 ms after
    // the discovery's 3000 ms.
    struct LateTable final : ArpLookup {
        bool known = false;
        void provoke(quint32) override {}
        QList<QByteArray> hardwareAddresses(const QList<quint32>& ips) override {
            return QList<QByteArray>(ips.size(), known ? QByteArray::fromHex("02AA00000002") : QByteArray());
        }
    } table;
    NmsWindow win(nullptr);
    Services services = win.bed.services();
    services.arp = &table;
    win.w = std::make_unique<frmMain>(services);
    ASSERT_TRUE(win.w->startUp());
    auto late = startElement("127.0.0.2", {"--fault", "late:2900@discovery"});
    QTimer::singleShot(3300, [&] { table.known = true; });
    win.ui().toolbarButton[Toolbar::AutoDiscover]->trigger();
    EXPECT_EQ(win.nodeTexts(), QStringList{"SIM ELEMENT [02:AA:00:00:00:02]"});
    EXPECT_EQ(win.bed.messages.shown.size(), 1u); // the empty database at start-up, nothing since
}

TEST(ToolbarTest, RefreshSeparatorsAndAudioMonitoring) {
    const QByteArray two = kStale + section("0A0B0C0D0E10", decoder());
    NmsWindow win(&two);
    win.select(0);
    MainWindowUi& u = win.ui();
    ASSERT_TRUE(u.toolbarButton[Toolbar::StartAudioMonitoring]->isEnabled());

    // 3 and 5 are separators: nothing changes.
    const QString mac = u.lblElementMAC->text();
    win.w->toolbar().ButtonClick(3);
    win.w->toolbar().ButtonClick(5);
    win.w->toolbar().ButtonClick(8);
    EXPECT_EQ(u.lblElementMAC->text(), mac);
    EXPECT_TRUE(win.bed.messages.shown.empty());

    u.toolbarButton[Toolbar::StartAudioMonitoring]->trigger();
    EXPECT_TRUE(u.chkGetVolume->isChecked());
    EXPECT_FALSE(u.toolbarButton[Toolbar::StartAudioMonitoring]->isEnabled());
    EXPECT_TRUE(u.toolbarButton[Toolbar::StopAudioMonitoring]->isEnabled());
    u.toolbarButton[Toolbar::StopAudioMonitoring]->trigger();
    EXPECT_FALSE(u.chkGetVolume->isChecked());
    EXPECT_TRUE(u.toolbarButton[Toolbar::StartAudioMonitoring]->isEnabled());
    EXPECT_FALSE(u.toolbarButton[Toolbar::StopAudioMonitoring]->isEnabled());

    // Refresh: the list from the file as it is now, the panel emptied.
    win.bed.writeIni(section("0A0B0C0D0E10", decoder()));
    u.toolbarButton[Toolbar::RefreshList]->trigger();
    EXPECT_EQ(win.nodeTexts(), QStringList{"TRANSMITTER A [0A:0B:0C:0D:0E:10]"});
    EXPECT_EQ(u.lblElementMAC->text(), "-");
    EXPECT_EQ(u.txtElementName->text(), "");
    EXPECT_TRUE(win.bed.messages.shown.empty());
}

// Every button has a key, named in its tool tip, that does what the button does.
TEST(ToolbarTest, EveryButtonHasAKeyShownInItsTip) {
    NmsWindow win(&kStale);
    win.select(0); // an encoder: the meter can start
    MainWindowUi& u = win.ui();
    win.w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(win.w.get()));
    auto lastMessage = [&] { return win.bed.messages.shown.empty() ? QString() : win.bed.messages.shown.back().text; };
    struct Key {
        int button;
        QKeySequence key;
        const char* tip;
        std::function<bool()> done;
    };
    const Key keys[] = {
        {Toolbar::StartAudioMonitoring, QKeySequence(Qt::CTRL | Qt::Key_M), "Start audio monitoring (Ctrl+M)",
         [&] { return u.chkGetVolume->isChecked(); }},
        {Toolbar::StopAudioMonitoring, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_M),
         "Stop audio monitoring (Ctrl+Shift+M)", [&] { return !u.chkGetVolume->isChecked(); }},
        {Toolbar::SaveChanges, QKeySequence(Qt::CTRL | Qt::Key_S), "Save changes (Ctrl+S)",
         [&] { return lastMessage().endsWith(QStringLiteral("Are you sure?")); }}, // answered No
        {Toolbar::AutoDiscover, QKeySequence(Qt::CTRL | Qt::Key_F5), "Auto discover elements (Ctrl+F5)",
         [&] { return lastMessage() == MainToolbar::discoveryQuestion(); }}, // answered No
        {Toolbar::RefreshList, QKeySequence(Qt::Key_F5), "Refresh list (F5)",
         [&] { return u.lblElementMAC->text() == "-"; }},
    };
    for (const Key& k : keys) {
        EXPECT_EQ(u.toolbarButton[k.button]->toolTip().toStdString(), k.tip);
        ASSERT_FALSE(k.done()) << k.tip;
        QTest::keySequence(win.w.get(), k.key);
        EXPECT_TRUE(k.done()) << k.tip;
    }
}

} // namespace
