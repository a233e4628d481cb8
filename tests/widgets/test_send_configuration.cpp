// Save changes in the real main window against simulated elements on loopback: the
// checks, the question, the command and where it goes, the confirmation with its wait
// window, mismatches, answers from elsewhere, corrupted answers and the time-out.

#include "SimulatedElements.h"

#include "behaviours/editor/ConfigurationSender.h"
#include "behaviours/editor/ElementPanel.h"
#include "behaviours/protocol/frmWaiting.h"
#include "core/protocol/LinuxArpLookup.h"

#include <QAction>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QNetworkDatagram>
#include <QScrollBar>
#include <QTimer>
#include <QUdpSocket>

namespace {

using namespace ElementDatabase;

// The encoder of ElementDatabase lives at 127.0.0.2 with this MAC.
const char* kEncSection = "02AA00000002";
const QString kEncMac = QStringLiteral("02:AA:00:00:00:02");
const QString kNoMatch =
    QStringLiteral("The response received does not match the selected element.\rCannot save this element info.");
const QString kTimedOut =
    QStringLiteral("Waiting for a response from Network Element has timed out!\rCannot save.");
const QString kConfirmed = QStringLiteral("New configuration has been sucessfuly saved and loaded!");

QByteArray encoderDb(const Keys& changes = {}) {
    return section(kEncSection, with(encoder(), changes));
}

// A window showing the encoder, with an element at 127.0.0.2 that knows the same
// configuration.
struct Fixture {
    QByteArray db;
    NmsWindow win;
    std::unique_ptr<SimElement> element;
    explicit Fixture(const QStringList& elementOptions, const Keys& dbChanges = {})
        : db(encoderDb(dbChanges)), win(&db) {
        element = startElement("127.0.0.2", QStringList{"--name", "STUDIO ONE", "--mask", "255.255.255.0",
                                                        "--gw", "127.0.0.1", "--input", "1", "--type", "1",
                                                        "--tx", "0", "--remote", "127.0.0.3", "--serial",
                                                        "1234", "--firmware", "3.5"} +
                                                elementOptions);
        win.bed.arp.set("127.0.0.2", "02AA00000002");
        win.select(0);
    }
    MainWindowUi& ui() { return win.ui(); }
    // Save changes, answering the question with Yes, then wait for the outcome: the reply
    // timer is off (an answer stopped it, or it ran out) and no wait window is open.
    void saveAndWait() {
        win.bed.messages.answers.enqueue(MsgAnswer::Yes);
        ui().toolbarButton[Toolbar::SaveChanges]->trigger();
        EXPECT_TRUE(waitFor([&] {
            return !win.w->timerRemoteSent.isActive() && QApplication::activeModalWidget() == nullptr;
        }, 6000));
    }
    QStringList texts() const { return win.bed.messages.texts(); }
};

TEST(SaveChangesTest, ChecksInOrderAndSendsNothingWhenOneFails) {
    struct Case {
        const char* what;
        std::function<void(Fixture&)> spoil;
        const char* firstLine;
    };
    const std::vector<Case> cases{
        {"nothing selected", [](Fixture& f) { f.win.w->ClearElementPanel(); }, "No Network Element selected!"},
        {"no audio type", [](Fixture& f) { f.ui().cmbAudioType->setCurrentIndex(-1); },
         "Please verify that all audio fields are correct!"},
        {"no transmission type, and an empty name",
         [](Fixture& f) {
             f.ui().cmbAudioTX->setCurrentIndex(-1);
             f.ui().txtElementName->clear();
         },
         "Please verify that all audio fields are correct!"},
        {"empty name", [](Fixture& f) { f.ui().txtElementName->clear(); },
         "Please verify that the name field is correct!"},
        {"bad mask, and no database", [](Fixture& f) {
             f.ui().txtElementMask->setText("255.255.255");
             QFile::remove(f.win.bed.iniPath());
         }, "Please verify that all IP fields are correct!"},
        {"bad gateway", [](Fixture& f) { f.ui().txtElementGW->setText("127.0.0.256"); },
         "Please verify that all IP fields are correct!"},
        {"empty remote address", [](Fixture& f) { f.ui().txtRemoteIP->clear(); },
         "Please verify that all IP fields are correct!"},
        {"no database", [](Fixture& f) { QFile::remove(f.win.bed.iniPath()); },
         "The local database in your computer, is corrupted!"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Fixture f({});
        c.spoil(f);
        f.ui().toolbarButton[Toolbar::SaveChanges]->trigger();
        ASSERT_EQ(f.win.bed.messages.shown.size(), 1u);
        const MessageRequest& m = f.win.bed.messages.shown[0];
        EXPECT_EQ(m.text, QLatin1String(c.firstLine) + QStringLiteral("\rCannot save."));
        EXPECT_EQ(m.title, "Error!");
        EXPECT_EQ(m.icon, MsgIcon::Critical);
        EXPECT_FALSE(f.win.w->timerRemoteSent.isActive());
        waitFor([] { return false; }, 100);
        EXPECT_EQ(f.element->config().identity.name, "STUDIO ONE"); // nothing arrived
    }
}

TEST(SaveChangesTest, AMissingOrInvalidStoredAddressIsRefusedAndTheEditsStay) {
    for (const QByteArray& ip : {kAbsent, QByteArray("127.0.0")}) {
        Fixture f({}, {{"IP", ip}});
        f.ui().txtElementIP->setText("127.0.0.2");
        f.win.bed.messages.answers.enqueue(MsgAnswer::Yes); // were the question asked
        f.ui().toolbarButton[Toolbar::SaveChanges]->trigger();
        EXPECT_EQ(f.texts(),
                  QStringList{"The address stored for this element is missing or invalid!\r"
                              "Run 'Auto discover elements' to read it from the element again.\r"
                              "Cannot save."});
        EXPECT_FALSE(f.win.bed.programEnd.ended || f.win.w->timerRemoteSent.isActive());
        EXPECT_EQ(f.ui().txtElementIP->text(), "127.0.0.2");
    }
}

TEST(SaveChangesTest, AnsweringNoSendsNothing) {
    Fixture f({});
    f.ui().txtElementName->setText("other");
    f.ui().toolbarButton[Toolbar::SaveChanges]->trigger();
    ASSERT_EQ(f.win.bed.messages.shown.size(), 1u);
    const MessageRequest& q = f.win.bed.messages.shown[0];
    EXPECT_EQ(q.text, "This configuration will be sent to selected Network Element and\r"
                      "will also be saved to local database in your computer. \rAre you sure?");
    EXPECT_EQ(q.title, "Send configuration");
    EXPECT_EQ(q.icon, MsgIcon::Question);
    EXPECT_EQ(q.buttons, MsgButtons::YesNo);
    EXPECT_FALSE(f.win.w->timerRemoteSent.isActive());
    waitFor([] { return false; }, 100);
    EXPECT_EQ(f.element->config().identity.name, "STUDIO ONE");
}

// The command as the element receives it, captured by a plain socket.
TEST(SendConfigurationTest, CommandGoesToTheStoredAddressWithTheNewOne) {
    struct Case {
        const char* what;
        Keys db;
        int length;
    };
    const std::vector<Case> cases{
        {"encoder 3.48", {{"VER", "3.48"}}, 37},
        {"encoder 3.49", {{"VER", "3.49"}}, 38},
        {"encoder without version", {{"VER", kAbsent}}, 37},
        {"unknown role, 4.5", {{"ROLE", "0"}, {"VER", "4.5"}}, 38},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const QByteArray db = encoderDb(c.db);
        NmsWindow win(&db);
        QUdpSocket element;
        ASSERT_TRUE(element.bind(QHostAddress(QStringLiteral("127.0.0.2")), 2976));
        win.select(0);
        win.ui().txtElementIP->setText("127.0.0.20");
        win.ui().txtElementName->setText("studio a");
        win.ui().txtRemoteIP->setText("127.0.0.3"); // an unknown role leaves it empty
        win.bed.messages.answers.enqueue(MsgAnswer::Yes);
        win.ui().toolbarButton[Toolbar::SaveChanges]->trigger();
        EXPECT_TRUE(win.w->timerRemoteSent.isActive());
        EXPECT_EQ(win.w->timerRemoteSent.interval(), 3000);
        ASSERT_TRUE(waitFor([&] { return element.hasPendingDatagrams(); }));
        const QNetworkDatagram d = element.receiveDatagram();
        ASSERT_EQ(d.data().size(), c.length);
        EXPECT_EQ(d.data().left(4), QByteArray::fromHex("7F000014"));
        EXPECT_EQ(d.data().mid(20, 16), QByteArray("STUDIO A        "));
        EXPECT_EQ(d.senderPort(), 2976);
        if (c.length == 38) {
            EXPECT_EQ(d.data()[37], 1);
        }
    }
}

TEST(SendConfigurationTest, DecoderGets41Bytes) {
    const QByteArray db = section(kEncSection, with(decoder(), {{"IP", "127.0.0.2"}, {"BUF", "7"}}));
    NmsWindow win(&db);
    QUdpSocket element;
    ASSERT_TRUE(element.bind(QHostAddress(QStringLiteral("127.0.0.2")), 2976));
    win.select(0);
    win.bed.messages.answers.enqueue(MsgAnswer::Yes);
    win.ui().toolbarButton[Toolbar::SaveChanges]->trigger();
    ASSERT_TRUE(waitFor([&] { return element.hasPendingDatagrams(); }));
    const QByteArray d = element.receiveDatagram().data();
    // 127.0.0.2/255.255.0.0 gw 127.0.0.254 group 239.1.2.3, digital, L/R, multicast, no SFN,
    // TRANSMITTER A, buffer 7, auto detect, level 37, time 43, no low latency.
    EXPECT_EQ(d.toHex(), QByteArray::fromHex("7F000002" "FFFF0000" "7F0000FE" "EF010203" "00000100"
                                             "5452414E534D49545445522041202020" "07" "00" "25" "2B" "00")
                             .toHex());
}

TEST(ConfirmationTest, EditedNameAndAddressAreConfirmedAndStored) {
    Fixture f({});
    f.win.bed.arp.set("127.0.0.20", "02AA00000002", 2); // known from the second lookup
    f.ui().txtElementName->setText("new name");
    f.ui().txtElementIP->setText("127.0.0.20");
    QStringList modalTitles;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        const QString t = modalTitle();
        if (!t.isEmpty() && !modalTitles.contains(t))
            modalTitles.append(t);
    });
    poll.start(100);
    QElapsedTimer clock;
    clock.start();
    f.win.bed.messages.answers.enqueue(MsgAnswer::Yes);
    f.ui().toolbarButton[Toolbar::SaveChanges]->trigger();
    ASSERT_TRUE(waitFor([&] { return f.win.bed.messages.shown.size() >= 2; }, 6000));
    EXPECT_GE(clock.elapsed(), 1900); // two one-second ticks of the wait window
    EXPECT_EQ(modalTitles, QStringList{"Waiting remote response..."});

    const MessageRequest& m = f.win.bed.messages.shown[1];
    EXPECT_EQ(m.text, kConfirmed);
    EXPECT_EQ(m.title, "Configuration changed");
    EXPECT_EQ(m.icon, MsgIcon::Information);
    EXPECT_EQ(f.win.bed.messages.shown.size(), 2u);
    EXPECT_FALSE(f.win.w->timerRemoteSent.isActive());
    // The new address was looked up, with an exchange on each tick.
    EXPECT_EQ(f.win.bed.arp.exchangesWith("127.0.0.20"), 2);
    EXPECT_EQ(f.win.w->sRemoteMacAddress2, kEncMac);

    EXPECT_EQ(f.win.stored(kEncSection, "name"), "NEW NAME");
    EXPECT_EQ(f.win.stored(kEncSection, "ip"), "127.0.0.20");
    EXPECT_EQ(f.win.stored(kEncSection, "remote"), "127.0.0.3");
    EXPECT_EQ(f.win.stored(kEncSection, "att"), "14"); // an encoder's record carries none
    EXPECT_EQ(f.win.stored(kEncSection, "sdl"), "1");
    EXPECT_EQ(f.win.stored(kEncSection, "ver"), "3.5");
    EXPECT_EQ(IniStore::GetSectionKeyCount(kEncSection, f.win.bed.iniPath()), 18);
    // The list was reloaded with the new name.
    EXPECT_EQ(f.win.nodeTexts(), QStringList{"NEW NAME [02:AA:00:00:00:02]"});
    // And nothing more happens: the reply timer is off, so no time-out follows.
    EXPECT_FALSE(f.win.w->timerRemoteSent.isActive());
}

TEST(ConfirmationTest, AFailedWriteIsReportedInsteadOfTheSuccess) {
    Fixture f({});
    f.ui().txtElementName->setText("new name");
    QFile::setPermissions(f.win.bed.iniPath(), QFile::ReadOwner); // the database turns read-only
    const QByteArray before = f.win.file();
    f.saveAndWait();
    ASSERT_EQ(f.win.bed.messages.shown.size(), 2u) << f.texts().join(u'|').toStdString();
    const MessageRequest& m = f.win.bed.messages.shown[1];
    EXPECT_EQ(m.text, QStringLiteral("The new configuration could not be saved in the local database:\r\"") +
                          f.win.bed.iniPath() + QStringLiteral("\" is read-only, so it was left as it is."));
    EXPECT_EQ(m.icon, MsgIcon::Critical);
    EXPECT_EQ(f.win.file(), before);
    EXPECT_EQ(f.ui().txtElementName->text(), "new name"); // the panel keeps what was sent
    EXPECT_EQ(f.ui().lblSerialNumber->text(), "1234");
}

// The element echoes an address typed with leading zeros in its plain form: the same
// address, so it is confirmed (and stored as the element reports it).
TEST(ConfirmationTest, AnAddressTypedWithLeadingZerosIsConfirmed) {
    Fixture f({});
    f.win.bed.arp.set("127.0.0.20", "02AA00000002");
    f.ui().txtElementIP->setText("127.000.000.020");
    f.ui().txtElementMask->setText("255.255.255.000");
    f.saveAndWait();
    EXPECT_EQ(f.texts(), (QStringList{ConfigurationSender::sendQuestion(), kConfirmed}));
    EXPECT_EQ(f.win.stored(kEncSection, "ip"), "127.0.0.20");
    EXPECT_EQ(f.win.stored(kEncSection, "mask"), "255.255.255.0");
}

TEST(ConfirmationTest, MismatchingFieldIsReportedAndTheOthersStored) {
    Fixture f({"--fault", "keep:name@config", "--fault", "keep:buffer", "--buffer", "60"});
    f.ui().txtElementName->setText("renamed");
    f.ui().txtElementMask->setText("255.255.0.0");
    f.saveAndWait();
    EXPECT_EQ(f.texts(), (QStringList{ConfigurationSender::sendQuestion(),
                                      "An error occured while saving 'Element Name':\rFeedback is corrupted."}));
    EXPECT_EQ(f.win.stored(kEncSection, "name"), "STUDIO ONE");
    EXPECT_EQ(f.win.stored(kEncSection, "mask"), "255.255.0.0");
    // The element's buffer of 60 is brought to the bar's maximum.
    EXPECT_EQ(f.win.stored(kEncSection, "buf"), "22");
}

TEST(ConfirmationTest, AnswerFromAnotherElementIsRefused) {
    Fixture f({"--fault", "silent@config"});
    auto other = startElement("127.0.0.3", {"--serial", "999"});
    f.win.bed.arp.set("127.0.0.3", "02AA00000003");
    f.win.bed.messages.answers.enqueue(MsgAnswer::Yes);
    f.ui().toolbarButton[Toolbar::SaveChanges]->trigger();
    other->announceTo(QHostAddress(QStringLiteral("127.0.0.1")), 2976);
    ASSERT_TRUE(waitFor([&] { return f.win.bed.messages.shown.size() >= 2; }, 4000));
    EXPECT_EQ(f.win.bed.messages.shown[1].text, kNoMatch);
    EXPECT_EQ(f.win.file(), f.db);
    // That well-formed record stopped the reply timer: no time-out follows.
    EXPECT_FALSE(f.win.w->timerRemoteSent.isActive());
}

TEST(ConfirmationTest, CorruptedAnswerIsRefusedAndTheTimeOutFollows) {
    Fixture f({"--fault", "corrupt:type@config"});
    f.ui().txtElementName->setText("renamed");
    f.saveAndWait();
    EXPECT_EQ(f.texts(), (QStringList{ConfigurationSender::sendQuestion(),
                                      "An error occured while retrieving 'Audio Type':\rFeedback is corrupted.",
                                      kTimedOut}));
    EXPECT_EQ(f.win.bed.messages.shown[2].title, "Error!");
    EXPECT_EQ(f.win.file(), f.db);
}

TEST(ConfirmationTest, NoAnswerTimesOutAndStoresNothing) {
    Fixture f({"--fault", "silent@config"});
    f.ui().txtElementName->setText("renamed");
    QElapsedTimer clock;
    clock.start();
    f.win.bed.messages.answers.enqueue(MsgAnswer::Yes);
    f.ui().toolbarButton[Toolbar::SaveChanges]->trigger();
    ASSERT_TRUE(waitFor([&] { return f.win.bed.messages.shown.size() >= 2; }, 5000));
    EXPECT_GE(clock.elapsed(), 2900);
    EXPECT_EQ(f.win.bed.messages.shown[1].text, kTimedOut);
    EXPECT_EQ(f.win.bed.messages.shown[1].icon, MsgIcon::Critical);
    EXPECT_EQ(f.win.file(), f.db);
    EXPECT_EQ(f.element->config().identity.name, "RENAMED         "); // it took it, silently
}

TEST(ConfirmationTest, RoleZeroShowsUnknownWithoutSuccess) {
    Fixture f({"--role", "0"}, {{"ROLE", "0"}});
    ASSERT_EQ(f.ui().lblElementType->text(), "UNKNOWN");
    // The remote address field keeps what it showed before (nothing): fill it in.
    f.ui().txtRemoteIP->setText("127.0.0.3");
    f.saveAndWait();
    EXPECT_EQ(f.texts(), QStringList{ConfigurationSender::sendQuestion()});
    EXPECT_EQ(f.win.stored(kEncSection, "role"), "0");
    EXPECT_EQ(f.ui().lblElementType->text(), "UNKNOWN");
}

TEST(ConfirmationTest, DecoderValuesAreBroughtIntoThePanelsRanges) {
    const QByteArray db = section(kEncSection, with(decoder(), {{"IP", "127.0.0.2"}}));
    NmsWindow win(&db);
    auto element =
        startElement("127.0.0.2", {"--role",   "decoder",     "--name",    "TRANSMITTER A",
                                   "--mask",   "255.255.0.0", "--gw",      "127.0.0.254",
                                   "--input",  "0",           "--type",    "0",
                                   "--tx",     "1",           "--remote",  "239.1.2.3",
                                   "--serial", "777",         "--firmware", "3.49",
                                   "--att",    "5",           "--sfn",     "0",
                                   "--sdm",    "3",           "--fault",   "keep:sdm"});
    win.bed.arp.set("127.0.0.2", "02AA00000002");
    win.select(0);
    win.ui().cmbSilDetMode->setCurrentIndex(1);
    win.bed.messages.answers.enqueue(MsgAnswer::Yes);
    win.ui().toolbarButton[Toolbar::SaveChanges]->trigger();
    ASSERT_TRUE(waitFor([&] { return win.bed.messages.shown.size() >= 2; }, 4000));
    EXPECT_EQ(win.bed.messages.shown[1].text, kConfirmed);
    EXPECT_EQ(win.stored(kEncSection, "att"), "14");
    EXPECT_EQ(win.ui().scrlAtten->value(), 14);
    EXPECT_EQ(win.stored(kEncSection, "multi"), "239.1.2.3");
    EXPECT_EQ(win.stored(kEncSection, "sdl"), "37");
    EXPECT_EQ(win.stored(kEncSection, "llo"), "0");
    // An audio routing the list cannot show leaves the list as it was; the record keeps
    // what the element reports.
    EXPECT_EQ(win.ui().cmbSilDetMode->currentIndex(), 1);
    EXPECT_EQ(win.stored(kEncSection, "sdm"), "3");
}

TEST(ConfirmationTest, SectionWith21KeysIsNotWritten) {
    Keys keys = encoder();
    for (const char* k : {"K1", "K2", "K3", "K4", "K5", "K6", "K7"})
        keys.append(QPair<QByteArray, QByteArray>(k, "x"));
    ASSERT_EQ(keys.size(), 21);
    Fixture f({}, keys.mid(14));
    f.saveAndWait();
    EXPECT_EQ(f.texts(), (QStringList{ConfigurationSender::sendQuestion(),
                                      "The data stored in your computer about this element, is corrupted.\r"
                                      "Cannot save this element info."}));
    EXPECT_EQ(f.win.file(), f.db);
}

TEST(WaitWindowTest, LooksUpOncePerTickUntilFoundOrTheTicksHavePassed) {
    struct Case {
        const char* what;
        int knownFrom; // exchanges needed; 0: never
        quint8 timeout;
        int lookups;
        bool found;
        int tickMs; // the window's one second; the counting cases run on a short tick
    };
    const std::vector<Case> cases{
        {"found on the first tick", 1, 20, 1, true, 1000},
        {"found on the third tick", 3, 20, 3, true, 50},
        {"never: closes after timeout + 1 ticks", 0, 2, 3, false, 50},
        {"found on the very last tick still counts", 3, 2, 3, true, 50},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        FakeArpLookup arp;
        if (c.knownFrom > 0)
            arp.set("127.0.0.2", "02AA00000002", c.knownFrom);
        QString result = QStringLiteral("stale");
        quint8 timeout = c.timeout;
        quint8 count = 0;
        result.clear();
        frmWaiting w(arp, QStringLiteral("127.0.0.2"), {&result, &timeout, &count});
        EXPECT_EQ(w.windowTitle(), "Waiting remote response...");
        EXPECT_EQ(w.lblWaitTimeout->text(), "Please wait while retrieving response from remote element....");
        EXPECT_EQ(w.timerGetMAC.interval(), 1000);
        w.timerGetMAC.setInterval(c.tickMs);
        QElapsedTimer clock;
        clock.start();
        w.exec();
        EXPECT_EQ(w.lookups(), c.lookups);
        EXPECT_GE(clock.elapsed(), c.tickMs * c.lookups - 20);
        EXPECT_EQ(w.result(), c.found ? kEncMac : QString());
        EXPECT_EQ(result, c.found ? kEncMac : QString());
        EXPECT_EQ(count, 0);
    }
}

TEST(WaitWindowTest, KeepsReactingWhileAnAddressNobodyAnswersIsLookedUp) {
    // The kernel's table of this private namespace: 10.99.0.5 has no route here, so every
    // lookup takes as long as it may.
    LinuxArpLookup arp;
    QString result;
    quint8 timeout = 1, count = 0;
    frmWaiting w(arp, QStringLiteral("10.99.0.5"), {&result, &timeout, &count});
    QElapsedTimer clock;
    qint64 last = 0, worstGap = 0;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        worstGap = std::max(worstGap, clock.elapsed() - last);
        last = clock.elapsed();
    });
    clock.start();
    probe.start(20);
    // Escape and the close button do not cut the wait short.
    QTimer::singleShot(300, &w, [&] {
        QTest::keyClick(&w, Qt::Key_Escape);
        w.close();
    });
    w.exec();
    EXPECT_LT(worstGap, 200);
    EXPECT_GE(clock.elapsed(), 1900); // still two full ticks
    EXPECT_EQ(w.lookups(), 2);
    EXPECT_EQ(w.result(), QString());
}

} // namespace
