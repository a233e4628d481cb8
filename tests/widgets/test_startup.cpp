// Start-up, editions, the notice, one instance per user, and the choice of interface.

#include "TestServices.h"

#include "app/frmMain.h"
#include "behaviours/shell/InterfaceChooser.h"
#include "behaviours/shell/frmDisclaimer.h"
#include "core/protocol/ManagementEndpoint.h"
#include "core/shell/SettingsStore.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QHostAddress>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QUdpSocket>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/stat.h>

namespace {

// A database with one element, so the list load at start-up has nothing to report.
const QByteArray kOneElement = "[001122334455]\r\nNAME=STUDIO\r\nROLE=1\r\n";

QStringList comboItems(QComboBox* c) {
    QStringList out;
    for (int i = 0; i < c->count(); ++i)
        out.append(c->itemText(i));
    return out;
}

// Answers the notice window once it is open: optionally ticks (and unticks) the box.
void answerNoticeWhenShown(std::function<void(frmDisclaimer*)> act) {
    QTimer::singleShot(0, [act] {
        auto* notice = qobject_cast<frmDisclaimer*>(QApplication::activeModalWidget());
        if (notice == nullptr) {
            answerNoticeWhenShown(act); // not open yet
            return;
        }
        act(notice);
    });
}

TEST(StartUpTest, StandardEditionBindsAndShowsTheWindow) {
    TestBed bed;
    bed.writeIni(kOneElement);
    const QString leftover = bed.dir.filePath(QStringLiteral(".nms.ini.aB3xY9")); // of a killed writer
    QFile(leftover).open(QIODevice::WriteOnly);
    frmMain w(bed.services());
    ASSERT_TRUE(w.startUp());
    EXPECT_FALSE(QFile::exists(leftover));
    EXPECT_EQ(w.windowTitle(), "Tessovar NMS v.4.5.0 - Veltrana Broadcast");
    EXPECT_EQ(w.ui().scrlBuffer->maximum(), 22);
    EXPECT_EQ(w.ui().scrlBuffer->minimum(), 0);
    EXPECT_TRUE(w.isVisible());
    EXPECT_FALSE(w.GPSDOEdition);
    EXPECT_FALSE(w.LowLatencyOn);
    EXPECT_TRUE(w.endpoint().isOpen());
    EXPECT_EQ(w.endpoint().localPort(), 2976);
    EXPECT_EQ(w.endpoint().socket()->localAddress(), QHostAddress(QStringLiteral("127.0.0.1")));
    EXPECT_FALSE(w.ui().toolbarButton[6]->isEnabled());
    EXPECT_FALSE(w.ui().toolbarButton[7]->isEnabled());
    const char* tips[] = {nullptr,
                          "Auto discover elements (Ctrl+F5)",
                          "Refresh list (F5)",
                          nullptr,
                          "Save changes (Ctrl+S)",
                          nullptr,
                          "Start audio monitoring (Ctrl+M)",
                          "Stop audio monitoring (Ctrl+Shift+M)"};
    for (int i = 1; i <= 7; ++i) {
        if (tips[i] == nullptr) {
            EXPECT_TRUE(w.ui().toolbarButton[i]->isSeparator()) << i;
        } else {
            EXPECT_EQ(w.ui().toolbarButton[i]->toolTip(), QString::fromLatin1(tips[i])) << i;
        }
    }
    EXPECT_TRUE(bed.messages.shown.empty());
    EXPECT_FALSE(bed.programEnd.ended);
    w.close();
    EXPECT_FALSE(w.endpoint().isOpen()); // closing the window closes the endpoint
}

TEST(StartUpTest, EditionsSetFlagsTitleAndBufferRange) {
    struct Case {
        const char* args;
        bool gps, ll;
        int max;
        const char* title;
    };
    const Case cases[] = {
        {"gps", true, false, 23, "Tessovar NMS v.4.5.0 [GPSDO version] - Veltrana Broadcast"},
        {"ll", false, true, 44, "Tessovar NMS v.4.5.0 [Low Latency Option] - Veltrana Broadcast"},
        {"LL GPS", false, false, 22, "Tessovar NMS v.4.5.0 - Veltrana Broadcast"},
    };
    for (const Case& c : cases) {
        TestBed bed;
        bed.argumentText = QString::fromLatin1(c.args);
        frmMain w(bed.services());
        ASSERT_TRUE(w.startUp()) << c.args;
        EXPECT_EQ(w.GPSDOEdition, c.gps) << c.args;
        EXPECT_EQ(w.LowLatencyOn, c.ll) << c.args;
        EXPECT_EQ(w.ui().scrlBuffer->maximum(), c.max) << c.args;
        EXPECT_EQ(w.windowTitle().toStdString(), c.title);
    }
}

TEST(StartUpTest, FirstLaunchShowsTheNoticeAndUsesTheFirstAddress) {
    TestBed bed;
    bed.settings.values.clear(); // nothing stored yet
    bed.hostAddresses.setAddresses({"127.0.0.3", "127.0.0.1", "127.0.0.2"});
    bool noticeSeen = false;
    answerNoticeWhenShown([&](frmDisclaimer* n) {
        noticeSeen = true;
        EXPECT_EQ(n->windowTitle(), "Tessovar NMS");
        EXPECT_FALSE(n->chkAgree->isChecked());
        EXPECT_EQ(n->cmdClose->text(), "&Close");
        n->chkAgree->click();
        n->cmdClose->click();
    });
    frmMain w(bed.services());
    ASSERT_TRUE(w.startUp());
    EXPECT_TRUE(noticeSeen);
    EXPECT_EQ(bed.settings.values.value(SettingKeys::Eula), "1");
    EXPECT_EQ(comboItems(w.ui().cmbNMSIPAddr),
              QStringList({QStringLiteral("127.0.0.1"), QStringLiteral("127.0.0.2"), QStringLiteral("127.0.0.3")}));
    EXPECT_EQ(w.ui().cmbNMSIPAddr->currentIndex(), 0);
    EXPECT_EQ(w.strLocalNMSIPAddress, "127.0.0.1");
    EXPECT_EQ(bed.settings.values.value(SettingKeys::NmsIpAddress), "127.0.0.1");
    EXPECT_EQ(w.endpoint().socket()->localAddress(), QHostAddress(QStringLiteral("127.0.0.1")));
}

TEST(StartUpTest, NoticeRulesFollowTheStoredAnswer) {
    struct Case {
        const char* stored; // nullptr: absent
        bool shown;
    };
    const Case cases[] = {{nullptr, true}, {"0", true}, {"1", false}, {"agreed", true}, {"", true}};
    for (const Case& c : cases) {
        TestBed bed;
        if (c.stored == nullptr)
            bed.settings.values.remove(SettingKeys::Eula);
        else
            bed.settings.values.insert(SettingKeys::Eula, QString::fromLatin1(c.stored));
        bool shown = false;
        if (c.shown) {
            // Ticking and unticking before closing stores "0": shown again next time.
            answerNoticeWhenShown([&](frmDisclaimer* n) {
                shown = true;
                n->chkAgree->click();
                n->chkAgree->click();
                n->close();
            });
        }
        frmMain w(bed.services());
        ASSERT_TRUE(w.startUp());
        EXPECT_EQ(shown, c.shown) << (c.stored ? c.stored : "(absent)");
        if (c.shown) {
            EXPECT_EQ(bed.settings.values.value(SettingKeys::Eula), "0");
        }
    }
}

// The answer follows the box however it changes: a click, the keyboard, or the toggle
// action that a screen reader offers.
TEST(StartUpTest, TheAgreeBoxStoresTheAnswerHoweverItIsChanged) {
    const std::pair<const char*, std::function<void(QCheckBox*)>> ways[] = {
        {"mouse", [](QCheckBox* b) { QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(4, b->height() / 2)); }},
        {"space key", [](QCheckBox* b) { QTest::keyClick(b, Qt::Key_Space); }},
        {"accessibility toggle",
         [](QCheckBox* b) {
             QAccessible::queryAccessibleInterface(b)->actionInterface()->doAction(
                 QAccessibleActionInterface::toggleAction());
         }},
    };
    for (const auto& [way, change] : ways) {
        TestBed bed;
        bed.settings.values.clear();
        frmDisclaimer notice(bed.settings);
        notice.show();
        change(notice.chkAgree);
        EXPECT_TRUE(notice.chkAgree->isChecked()) << way;
        EXPECT_EQ(bed.settings.values.value(SettingKeys::Eula), "1") << way;
        change(notice.chkAgree);
        EXPECT_EQ(bed.settings.values.value(SettingKeys::Eula), "0") << way;
    }
}

TEST(StartUpTest, ASecondInstanceOnlySaysSoAndEnds) {
    TestBed bed;
    bed.instanceLock.free = false;
    const QString running = bed.dir.filePath(QStringLiteral(".nms.ini.aB3xY9")); // may be the first's
    QFile(running).open(QIODevice::WriteOnly);
    bed.settings.values.clear();
    frmMain w(bed.services());
    EXPECT_FALSE(w.startUp());
    ASSERT_EQ(bed.messages.shown.size(), 1u);
    EXPECT_EQ(bed.messages.shown[0].text,
              "Veltrana Tessovar NMS is already running (check the icon in system tray)!");
    EXPECT_EQ(bed.messages.shown[0].title, "Veltrana Tessovar NMS");
    EXPECT_EQ(bed.messages.shown[0].icon, MsgIcon::Information);
    EXPECT_TRUE(bed.programEnd.ended);
    EXPECT_FALSE(w.isVisible());
    EXPECT_FALSE(w.endpoint().isOpen());
    EXPECT_EQ(bed.settings.writes, 0);
    EXPECT_TRUE(QFile::exists(running));
}

TEST(StartUpTest, PortTakenEndsWithMessage102) {
    TestBed bed;
    bed.writeIni(kOneElement);
    QUdpSocket squatter;
    ASSERT_TRUE(squatter.bind(QHostAddress(QStringLiteral("127.0.0.1")), 2976, QAbstractSocket::DontShareAddress));
    frmMain w(bed.services());
    EXPECT_FALSE(w.startUp());
    ASSERT_EQ(bed.messages.shown.size(), 1u);
    EXPECT_TRUE(bed.messages.shown[0].text.startsWith(QStringLiteral("102 - Unable to use UDP port 2976: ")));
    EXPECT_GT(bed.messages.shown[0].text.size(), 36);
    EXPECT_EQ(bed.messages.shown[0].icon, MsgIcon::Critical);
    EXPECT_TRUE(bed.programEnd.ended);
    EXPECT_FALSE(w.isVisible());
}

TEST(StartUpTest, AnUnreadableAddressTableEndsTheProgram) {
    TestBed bed;
    bed.writeIni(kOneElement);
    bed.hostAddresses.result.errorCode = 122;
    frmMain w(bed.services());
    EXPECT_FALSE(w.startUp());
    ASSERT_EQ(bed.messages.shown.size(), 1u);
    EXPECT_EQ(bed.messages.shown[0].text, "GetIpAddrTable failed with return value 122");
    EXPECT_TRUE(bed.programEnd.ended);
}

TEST(DecodeMacTest, LetsPendingEventsRun) {
    int ran = 0;
    QTimer::singleShot(0, [&] { ++ran; });
    EXPECT_EQ(frmMain::Decode_MAC(QStringLiteral("0011223344aa")), "00:11:22:33:44:AA");
    EXPECT_EQ(ran, 1); // the list load stays responsive between elements
}

TEST(InterfaceChoiceTest, StoredAddressIsSelectedWithoutWriting) {
    TestBed bed;
    bed.hostAddresses.setAddresses({"127.0.0.2", "127.0.0.1"});
    bed.settings.values.insert(SettingKeys::NmsIpAddress, QStringLiteral("127.0.0.2"));
    frmMain w(bed.services());
    ASSERT_TRUE(w.startUp());
    EXPECT_EQ(w.ui().cmbNMSIPAddr->currentText(), "127.0.0.2");
    EXPECT_EQ(bed.settings.writes, 0);
    EXPECT_EQ(w.endpoint().socket()->localAddress(), QHostAddress(QStringLiteral("127.0.0.2")));
}

TEST(InterfaceChoiceTest, AGoneAddressIsReplacedByTheFirst) {
    TestBed bed;
    bed.hostAddresses.setAddresses({"127.0.0.2", "127.0.0.1"});
    bed.settings.values.insert(SettingKeys::NmsIpAddress, QStringLiteral("10.1.1.1"));
    frmMain w(bed.services());
    ASSERT_TRUE(w.startUp());
    EXPECT_EQ(w.ui().cmbNMSIPAddr->currentText(), "127.0.0.1");
    EXPECT_EQ(bed.settings.values.value(SettingKeys::NmsIpAddress), "127.0.0.1");
    EXPECT_EQ(w.strLocalNMSIPAddress, "127.0.0.1");
}

TEST(InterfaceChoiceTest, ClickingRebindsOnlyForANewAddress) {
    TestBed bed;
    bed.writeIni(kOneElement);
    bed.hostAddresses.setAddresses({"127.0.0.1", "127.0.0.2", "127.0.0.3"});
    frmMain w(bed.services());
    ASSERT_TRUE(w.startUp());
    const qintptr fd = w.endpoint().socket()->socketDescriptor();
    const int writes = bed.settings.writes;

    w.interfaceChooser().cmbNMSIPAddr_Click(0); // the address in use: nothing happens
    EXPECT_EQ(bed.settings.writes, writes);
    EXPECT_EQ(w.endpoint().socket()->socketDescriptor(), fd);

    w.ui().cmbNMSIPAddr->setCurrentIndex(1);
    w.interfaceChooser().cmbNMSIPAddr_Click(1);
    EXPECT_EQ(bed.settings.values.value(SettingKeys::NmsIpAddress), "127.0.0.2");
    EXPECT_EQ(w.strLocalNMSIPAddress, "127.0.0.2");
    EXPECT_EQ(w.endpoint().socket()->localAddress(), QHostAddress(QStringLiteral("127.0.0.2")));
    EXPECT_EQ(w.endpoint().localPort(), 2976);
    EXPECT_TRUE(bed.messages.shown.empty());

    // The new address is taken by another program: reported, and the program goes back to
    // the address it had: bound again, selected and stored (the next start binds it too).
    QUdpSocket squatter;
    ASSERT_TRUE(squatter.bind(QHostAddress(QStringLiteral("127.0.0.3")), 2976, QAbstractSocket::DontShareAddress));
    w.ui().cmbNMSIPAddr->setCurrentIndex(2);
    w.interfaceChooser().cmbNMSIPAddr_Click(2);
    ASSERT_EQ(bed.messages.shown.size(), 1u);
    EXPECT_EQ(bed.messages.shown[0].icon, MsgIcon::Critical);
    EXPECT_TRUE(bed.messages.shown[0].text.contains(QStringLiteral("127.0.0.3")));
    EXPECT_TRUE(bed.messages.shown[0].text.contains(QStringLiteral("127.0.0.2")));
    EXPECT_FALSE(bed.programEnd.ended);
    EXPECT_EQ(bed.settings.values.value(SettingKeys::NmsIpAddress), "127.0.0.2");
    EXPECT_EQ(w.strLocalNMSIPAddress, "127.0.0.2");
    EXPECT_EQ(w.ui().cmbNMSIPAddr->currentText(), "127.0.0.2");
    EXPECT_TRUE(w.endpoint().isOpen());
    EXPECT_EQ(w.endpoint().socket()->localAddress(), QHostAddress(QStringLiteral("127.0.0.2")));
}

TEST(InterfaceChoiceTest, EveryAddressIsListedInAscendingOrder) {
    FakeHostAddressTable table;
    table.result.addresses.clear();
    // More than the 21 a fixed table would hold, unsorted, with a duplicate.
    for (int i = 40; i >= 1; --i)
        table.result.addresses.push_back(QHostAddress(QStringLiteral("10.0.%1.%2").arg(i % 3).arg(i)).toIPv4Address());
    table.result.addresses.push_back(QHostAddress(QStringLiteral("127.0.0.1")).toIPv4Address());
    table.result.addresses.push_back(QHostAddress(QStringLiteral("9.255.255.255")).toIPv4Address());
    table.result.addresses.push_back(QHostAddress(QStringLiteral("10.0.1.1")).toIPv4Address());
    const LocalAddressList list = InterfaceChooser::GetLocalIPAddresses(table);
    ASSERT_EQ(list.errorCode, 0);
    ASSERT_EQ(list.addresses.size(), 43);
    EXPECT_EQ(list.addresses.first(), "9.255.255.255");
    EXPECT_EQ(list.addresses[1], "10.0.0.3");
    EXPECT_EQ(list.addresses.last(), "127.0.0.1");
    EXPECT_EQ(list.addresses.count(QStringLiteral("10.0.1.1")), 2);
    for (int i = 1; i < list.addresses.size(); ++i)
        EXPECT_LE(QHostAddress(list.addresses[i - 1]).toIPv4Address(), QHostAddress(list.addresses[i]).toIPv4Address());
}

// The real program, started twice in this namespace with its own settings and runtime
// folders.
class RealProgram : public ::testing::Test {
protected:
    QTemporaryDir home;
    QString bin = qEnvironmentVariable("TESSOVAR_NMS_BIN");

    void SetUp() override {
        if (bin.isEmpty())
            GTEST_SKIP() << "TESSOVAR_NMS_BIN not set";
        QDir(home.path()).mkpath(QStringLiteral("config/Veltrana"));
        QDir(home.path()).mkpath(QStringLiteral("runtime"));
        QDir(home.path()).mkpath(QStringLiteral("db"));
        QFile db(home.filePath(QStringLiteral("db/nms.ini")));
        ASSERT_TRUE(db.open(QIODevice::WriteOnly));
        db.write(kOneElement);
        QFile::setPermissions(home.filePath(QStringLiteral("runtime")), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QFile conf(home.filePath(QStringLiteral("config/Veltrana/Veltrana.conf")));
        ASSERT_TRUE(conf.open(QIODevice::WriteOnly));
        conf.write("[Tessovar]\nEULA1=1\nNMS%20IP%20Address=127.0.0.1\n");
    }

    void start(QProcess& p, const QString& log) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.filePath(QStringLiteral("runtime")));
        env.insert(QStringLiteral("TESSOVAR_NMS_DATABASE_DIR"), home.filePath(QStringLiteral("db")));
        env.insert(QStringLiteral("TESSOVAR_MESSAGE_LOG"), log);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        p.setProcessEnvironment(env);
        p.start(bin, {});
        ASSERT_TRUE(p.waitForStarted());
    }

    static bool portBound() {
        QFile f(QStringLiteral("/proc/net/udp"));
        if (!f.open(QIODevice::ReadOnly))
            return false;
        return f.readAll().contains(":0BA0 ");
    }

    static QString readLog(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }
};

TEST_F(RealProgram, ASecondLaunchSaysSoAndTheFirstKeepsItsPort) {
    QProcess first;
    start(first, home.filePath(QStringLiteral("first.log")));
    ASSERT_TRUE(waitFor([] { return portBound(); }, 10000)) << "the first instance never bound 2976";

    QProcess second;
    start(second, home.filePath(QStringLiteral("second.log")));
    ASSERT_TRUE(second.waitForFinished(10000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(readLog(home.filePath(QStringLiteral("second.log"))),
              "information\tVeltrana Tessovar NMS\tVeltrana Tessovar NMS is already running (check "
              "the icon in system tray)!\n");

    EXPECT_EQ(first.state(), QProcess::Running);
    EXPECT_TRUE(portBound());
    first.terminate();
    first.waitForFinished(5000);
}

TEST_F(RealProgram, ALockLeftByACrashedInstanceIsTakenOver) {
    QProcess first;
    start(first, home.filePath(QStringLiteral("first.log")));
    ASSERT_TRUE(waitFor([] { return portBound(); }, 10000));
    first.kill(); // no chance to release its lock
    ASSERT_TRUE(first.waitForFinished(5000));
    ASSERT_TRUE(waitFor([] { return !portBound(); }, 5000));

    QProcess second;
    start(second, home.filePath(QStringLiteral("second.log")));
    EXPECT_TRUE(waitFor([] { return portBound(); }, 10000)) << "the lock of the dead instance blocked the start";
    EXPECT_EQ(second.state(), QProcess::Running);
    EXPECT_EQ(readLog(home.filePath(QStringLiteral("second.log"))), QString());
    second.terminate();
    second.waitForFinished(5000);
}

TEST_F(RealProgram, APortInUseEndsTheProgramWithMessage102) {
    QUdpSocket squatter;
    ASSERT_TRUE(squatter.bind(QHostAddress(QStringLiteral("127.0.0.1")), 2976, QAbstractSocket::DontShareAddress));
    QProcess p;
    const QString log = home.filePath(QStringLiteral("p.log"));
    start(p, log);
    ASSERT_TRUE(p.waitForFinished(10000));
    EXPECT_NE(p.exitCode(), 0);
    const QString text = readLog(log);
    EXPECT_TRUE(text.startsWith(QStringLiteral("critical\tTessovar NMS\t102 - Unable to use UDP port 2976: ")))
        << text.toStdString();
}

TEST_F(RealProgram, AskedToEndByASignalItClosesItsWindowAndEndsCleanly) {
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        QProcess p;
        start(p, home.filePath(QStringLiteral("p.log")));
        ASSERT_TRUE(waitFor([] { return portBound(); }, 10000)) << signal;
        ::kill(pid_t(p.processId()), signal);
        ASSERT_TRUE(p.waitForFinished(10000)) << signal;
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit) << signal;
        EXPECT_EQ(p.exitCode(), 0) << signal;
        // The lock is released and the port closed, as when the operator closes the window.
        EXPECT_FALSE(QFile::exists(home.filePath(QStringLiteral("runtime/tessovar-nms.lock"))))
            << signal;
        EXPECT_FALSE(portBound()) << signal;
    }
}

TEST_F(RealProgram, AnUnusableDatabaseIsNamedAtStartUpAndTheProgramRuns) {
    struct Case {
        const char* what;
        std::function<bool(const QString&)> make;
        const char* reason;
    };
    const std::vector<Case> cases{
        {"fifo", [](const QString& ini) { return ::mkfifo(QFile::encodeName(ini).constData(), 0644) == 0; },
         "it is a named pipe, not a file"},
        {"folder", [](const QString& ini) { return QDir().mkdir(ini); }, "it is a folder, not a file"},
        {"sparse", [](const QString& ini) { QFile f(ini); return f.open(QIODevice::WriteOnly) && f.resize(1LL << 30); },
         "it is larger than 64 MB"},
        {"zero", [](const QString& ini) { return QFile::link(QStringLiteral("/dev/zero"), ini); },
         "it is a device, not a file"},
    };
    const QString ini = home.filePath(QStringLiteral("db/nms.ini"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QFile::remove(ini);
        QDir().rmdir(ini);
        ASSERT_TRUE(c.make(ini));
        QProcess p;
        const QString log = home.filePath(QLatin1String(c.what) + QStringLiteral(".log"));
        start(p, log);
        EXPECT_TRUE(waitFor([] { return portBound(); }, 15000)) << "start-up hangs";
        EXPECT_EQ(p.state(), QProcess::Running);
        EXPECT_EQ(readLog(log), QStringLiteral("critical\tTessovar NMS\tThe local database \"") + ini +
                                    QStringLiteral("\" cannot be read: ") + QLatin1String(c.reason) +
                                    QStringLiteral(".\\rNothing is stored in it until this is mended.\n"));
        p.kill();
        p.waitForFinished(5000);
        ASSERT_TRUE(waitFor([] { return !portBound(); }, 5000));
    }
}

} // namespace
