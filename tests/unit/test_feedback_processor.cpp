// What happens to a feedback record: checks, the reply timer, the MAC lookup, the store
// of a discovery answer, the hand-over of a confirmation and the list reload; and the
// bounds that keep a flood of records from piling up windows or memory.

#include "core/common/MessageBoxes.h"
#include "core/database/IniSnapshot.h"
#include "core/database/IniStore.h"
#include "core/database/WriteFailureReport.h"
#include "core/protocol/ArpLookup.h"
#include "core/protocol/FeedbackProcessor.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QHostAddress>
#include <QMap>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QByteArray kEncoder45 = QByteArray::fromHex(
    "C0A80A15" "FFFFFF00" "C0A80A01" "EF010203" "010101"
    "53747564696F2041" "2020202020202020" "01" "0001E240" "0331010501");
const QByteArray kDecoder54 = QByteArray::fromHex(
    "0A000007" "FFFF0000" "0A000001" "EFFFFFEF" "000100"
    "6465636F6465722D37" "20202020202020" "02" "00008000"
    "C80405010C" "02252B" "AABBCCDDEE" "01");

// Runs the event loop (timers, queued calls) until pred() holds or ms pass.
bool runUntil(const std::function<bool()>& pred, int ms = 3000) {
    static int argc = 1;
    static char name[] = "test_feedback_processor";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    QElapsedTimer clock;
    clock.start();
    while (!pred() && clock.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return pred();
}

class Messages final : public MessageBoxes {
public:
    MsgAnswer show(const MessageRequest& r) override {
        texts.append(r.text);
        icons.append(r.icon);
        if (whileOpen)
            whileOpen();
        return MsgAnswer::Ok;
    }
    QStringList texts;
    QList<MsgIcon> icons;
    std::function<void()> whileOpen;
};

class Table final : public ArpLookup {
public:
    QMap<quint32, QByteArray> entries;
    int reads = 0;
    int exchanges = 0;
    void provoke(quint32) override { ++exchanges; }
    QList<QByteArray> hardwareAddresses(const QList<quint32>& ipv4s) override {
        ++reads;
        QList<QByteArray> out;
        for (quint32 ip : ipv4s)
            out.append(entries.value(ip));
        return out;
    }
    void add(const char* ip, const char* hex) {
        entries.insert(QHostAddress(QString::fromLatin1(ip)).toIPv4Address(), QByteArray::fromHex(hex));
    }
};

class FeedbackProcessorTest : public ::testing::Test {
protected:
    void SetUp() override {
        runUntil([] { return true; });
        ASSERT_TRUE(IniStore::CreateEmpty(ini));
        arp.add("192.168.10.21", "001A2B3C4D5E");
        arp.add("10.0.0.7", "02AB00000007");
        FeedbackProcessor::Context c;
        c.messages = &messages;
        c.arp = &arp;
        c.iniPath = ini;
        c.discoveryMode = [this] { return discovery; };
        c.discoveryWindowOpen = [this] { return discoveryWindow; };
        c.stopReplyTimer = [this] { ++timerStops; };
        c.waitForMac = [this](const QString& ip) {
            waitedFor.append(ip);
            if (whileWaiting)
                whileWaiting();
            return waitAnswer;
        };
        c.confirm = [this](const FeedbackRecord& r) { confirmed.append(r); };
        c.reloadList = [this] { ++reloads; };
        c.sRemoteMacAddress2 = &sRemoteMacAddress2;
        c.discoveryWrites = &discoveryWrites;
        processor = std::make_unique<FeedbackProcessor>(c);
    }
    QByteArray file() const {
        QFile f(ini);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    QTemporaryDir dir;
    QString ini = dir.filePath(QStringLiteral("nms.ini"));
    Messages messages;
    Table arp;
    bool discovery = true;
    bool discoveryWindow = false;
    int timerStops = 0;
    int reloads = 0;
    QStringList waitedFor;
    QString waitAnswer;
    std::function<void()> whileWaiting; // the wait window is open
    QList<FeedbackRecord> confirmed;
    QString sRemoteMacAddress2;
    WriteFailureReport discoveryWrites{&messages};
    std::unique_ptr<FeedbackProcessor> processor;
};

TEST_F(FeedbackProcessorTest, DiscoveryAnswerIsStoredInItsElementsSectionInOrder) {
    processor->Process_Feedback(kEncoder45);
    EXPECT_EQ(timerStops, 1);
    ASSERT_TRUE(runUntil([&] { return processor->storedCount() == 1; }));
    EXPECT_EQ(file(), QByteArray("[001A2B3C4D5E]\r\n"
                                 "NAME=STUDIO A        \r\n"
                                 "IP=192.168.10.21\r\n"
                                 "MASK=255.255.255.0\r\n"
                                 "GW=192.168.10.1\r\n"
                                 "INPUT=1\r\n"
                                 "TYPE=1\r\n"
                                 "TX=1\r\n"
                                 "MULTI=239.1.2.3\r\n"
                                 "ROLE=1\r\n"
                                 "SN=123456\r\n"
                                 "VER=3.49\r\n"
                                 "SFN=1\r\n"
                                 "BUF=5\r\n"
                                 "LLO=1\r\n"));
    EXPECT_TRUE(messages.texts.isEmpty());
    EXPECT_EQ(reloads, 0); // the discovery window reloads when it ends
    EXPECT_EQ(arp.reads, 1);
    EXPECT_EQ(arp.exchanges, 0); // the table knew it
    EXPECT_EQ(sRemoteMacAddress2, "00:1A:2B:3C:4D:5E");
    EXPECT_EQ(processor->last().UDP_Response_MAC, "00:1A:2B:3C:4D:5E");
}

TEST_F(FeedbackProcessorTest, AnElementThatAnswersTwiceKeepsOneSectionWithTheLaterValues) {
    processor->Process_Feedback(kDecoder54);
    QByteArray later = kDecoder54;
    later[44] = 3; // buffer
    processor->Process_Feedback(later);
    ASSERT_TRUE(runUntil([&] { return processor->storedCount() == 2; }));
    const IniSnapshot db = IniSnapshot::load(ini);
    EXPECT_EQ(db.sectionNames(), QStringList{"02AB00000007"});
    EXPECT_EQ(db.keyCount(QStringLiteral("02AB00000007")), 18);
    EXPECT_EQ(db.value(QStringLiteral("02AB00000007"), QStringLiteral("buf"), QString()), "3");
}

TEST_F(FeedbackProcessorTest, ADiscoveryThatCannotStoreSaysSoOnceAndStoresTheRest) {
    // Answers are stored as their MACs are found, a batch at a time: each batch here is
    // let through before the next arrives.
    processor->Process_Feedback(kEncoder45);
    ASSERT_TRUE(runUntil([&] { return processor->lookupsPending() == 0; }));
    QFile::setPermissions(ini, QFile::ReadOwner); // the database turns read-only
    processor->Process_Feedback(kDecoder54);
    ASSERT_TRUE(runUntil([&] { return processor->lookupsPending() == 0; }));
    processor->Process_Feedback(kEncoder45);
    ASSERT_TRUE(runUntil([&] { return processor->lookupsPending() == 0; }));
    QFile::setPermissions(ini, QFile::ReadOwner | QFile::WriteOwner);
    processor->Process_Feedback(kDecoder54);
    ASSERT_TRUE(runUntil([&] { return processor->storedCount() == 2; }));
    EXPECT_EQ(IniSnapshot::load(ini).sectionNames(), (QStringList{"001A2B3C4D5E", "02AB00000007"}));
    EXPECT_EQ(processor->storedCount(), 2);
    ASSERT_EQ(messages.texts.size(), 1);
    EXPECT_TRUE(messages.texts[0].startsWith(
        QStringLiteral("Not every element found could be stored in the local database:\r\"") + ini + u'"'))
        << messages.texts[0].toStdString();
    EXPECT_EQ(messages.icons, QList<MsgIcon>{MsgIcon::Critical});
}

TEST_F(FeedbackProcessorTest, ShortRecordAfterACompleteOneStoresNothing) {
    processor->Process_Feedback(kEncoder45);
    ASSERT_TRUE(runUntil([&] { return processor->storedCount() == 1; }));
    const QByteArray before = file();
    // Another element's record cut after the addresses: nothing of the first may be used.
    processor->Process_Feedback(kDecoder54.left(18));
    ASSERT_TRUE(runUntil([&] { return !messages.texts.isEmpty(); }));
    EXPECT_EQ(file(), before);
    EXPECT_EQ(messages.texts,
              QStringList{"An error occured while retrieving 'Serial Number':\rFeedback is corrupted."});
    EXPECT_EQ(messages.icons, QList<MsgIcon>{MsgIcon::Critical});
    EXPECT_EQ(timerStops, 1); // a refused record leaves the reply timer running
}

TEST_F(FeedbackProcessorTest, UnknownMacStoresNothing) {
    QByteArray d = kEncoder45;
    d[3] = 99; // 192.168.10.99: not in the table
    processor->Process_Feedback(d);
    ASSERT_TRUE(runUntil([&] { return !messages.texts.isEmpty(); }));
    EXPECT_EQ(arp.exchanges, 1); // and a tick's wait after it
    EXPECT_EQ(file(), QByteArray());
    EXPECT_EQ(messages.texts,
              QStringList{"An error occured while retrieving 'Element MAC':\rFeedback is corrupted."});
}

TEST_F(FeedbackProcessorTest, ConfirmationWaitsForTheMacOfThisRecordAndAlwaysReloads) {
    discovery = false;
    waitAnswer = QStringLiteral("02:AB:00:00:00:07");
    processor->Process_Feedback(kDecoder54);
    ASSERT_TRUE(runUntil([&] { return reloads == 1; }));
    EXPECT_EQ(waitedFor, QStringList{"10.0.0.7"});
    ASSERT_EQ(confirmed.size(), 1);
    EXPECT_EQ(confirmed[0].UDP_Response_MAC, "02:AB:00:00:00:07");
    EXPECT_EQ(confirmed[0].UDP_Response_SN, 32768);
    EXPECT_EQ(reloads, 1);
    EXPECT_EQ(file(), QByteArray()); // the confirmation stores, not the processing
    EXPECT_EQ(arp.reads, 0);

    // A refused record and a record without a MAC: still one reload each.
    processor->Process_Feedback(kDecoder54.left(39));
    ASSERT_TRUE(runUntil([&] { return reloads == 2; }));
    waitAnswer.clear();
    processor->Process_Feedback(kDecoder54);
    ASSERT_TRUE(runUntil([&] { return reloads == 3; }));
    EXPECT_EQ(confirmed.size(), 1);
    EXPECT_EQ(messages.texts,
              (QStringList{"An error occured while retrieving 'Serial Number':\rFeedback is corrupted.",
                           "An error occured while retrieving 'Element MAC':\rFeedback is corrupted."}));
    EXPECT_EQ(timerStops, 2);
}

// An answer while the discovery window still resolves the others opens no wait window.
TEST_F(FeedbackProcessorTest, AnAnswerWhileTheDiscoveryWindowIsOpenOpensNoWaitWindow) {
    discovery = false;
    discoveryWindow = true;
    waitAnswer = QStringLiteral("02:AB:00:00:00:07");
    processor->Process_Feedback(kDecoder54);
    EXPECT_FALSE(runUntil([&] { return !waitedFor.isEmpty() || reloads > 0; }, 100));
    EXPECT_EQ(processor->droppedCount(), 1);
    EXPECT_TRUE(confirmed.isEmpty() && messages.texts.isEmpty());
}

// Records that arrive while a window opened by an earlier one is open: confirmations wait
// in a queue of 64, refused records get one box at a time, the rest are dropped; never a
// window inside another.
TEST_F(FeedbackProcessorTest, RecordsArrivingWhileAWindowIsOpenAreBounded) {
    struct Case {
        const char* what;
        bool discovery;
        QByteArray record;
        int waits, boxes, dropped;
    };
    const QByteArray refused = kDecoder54.left(10);
    const std::vector<Case> cases{
        // Each confirmation then finds no MAC: one 'Element MAC' box after each wait.
        {"confirmations behind a wait window", false, kDecoder54, 1 + 64, 1 + 64, 100 - 64},
        {"refused records behind their box", false, refused, 0, 1, 100},
        {"refused discovery answers behind their box", true, refused, 0, 1, 100},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        messages.texts.clear();
        waitedFor.clear();
        SetUp();
        discovery = c.discovery;
        int depth = 0, deepest = 0;
        bool flooded = false;
        auto window = [&] {
            deepest = std::max(deepest, ++depth);
            for (int i = 0; !flooded && i < 100; ++i)
                processor->Process_Feedback(c.record);
            flooded = true;
            runUntil([] { return false; }, 10); // events go on while it is open
            --depth;
        };
        messages.whileOpen = window;
        whileWaiting = window;
        processor->Process_Feedback(c.record);
        EXPECT_TRUE(runUntil([&] { return flooded && messages.texts.size() == c.boxes; }, 5000));
        EXPECT_EQ(waitedFor.size(), c.waits);
        EXPECT_EQ(processor->droppedCount(), c.dropped);
        EXPECT_EQ(deepest, 1);
    }
}

TEST_F(FeedbackProcessorTest, ADiscoveryLooksUpAtMost4096AnswersAtOnce) {
    QByteArray unknown = kEncoder45;
    unknown[0] = 10; // 10.168.10.21: not in the table
    for (int i = 0; i < 5000; ++i)
        processor->Process_Feedback(unknown);
    EXPECT_EQ(processor->lookupsPending(), FeedbackProcessor::kDiscoveryLookups);
    EXPECT_EQ(processor->droppedCount(), 5000 - 4096);
}

} // namespace
