// The statistics and SFN windows when things go wrong: records that cannot be decoded and
// replies that queue up behind the operator's message box, an element without a route, an
// address written with leading zeros.

#include "FakeDiagnosticsElement.h"

#include "behaviours/diagnostics/frmAdjust.h"
#include "behaviours/diagnostics/frmStatistics.h"

#include <QCheckBox>
#include <QLabel>
#include <QTimer>
#include <QUdpSocket>

namespace {

// Per window: a record it cannot decode, and a good one with the text it shows.
template <typename W> struct Records;
template <> struct Records<frmStatistics> {
    static QByteArray bad() { return diagnosticsRecord({{0, "7FFFFF00"}, {8, "7FFFFF00"}}); }
    static QByteArray good() { return diagnosticsRecord({{0, "00000004"}}); }
    static bool shown(frmStatistics& w) { return w.lblMACTxOK->text() == "4"; }
};
template <> struct Records<frmAdjust> {
    static QByteArray bad() { return diagnosticsRecord({{44, "7FFFFF00"}}); }
    static QByteArray good() { return diagnosticsRecord({{40, "000007D0"}}); }
    static bool shown(frmAdjust& w) { return w.lblCurrentDelayAVG->text() == "2 uS, 0 nS"; }
};

template <typename W> class DiagnosticsFailureTest : public DiagnosticsWindowTest<W> {};
using Windows = ::testing::Types<frmStatistics, frmAdjust>;
TYPED_TEST_SUITE(DiagnosticsFailureTest, Windows);

TYPED_TEST(DiagnosticsFailureTest, OneErrorBoxAtATimeAndRepliesBehindItAreDropped) {
    using R = Records<TypeParam>;
    auto& messages = this->bed.messages;
    messages.holdOpenMs = 300;
    auto w = this->open();
    // While the first box is open a good record arrives too: as stale as the others.
    messages.whileOpen = [&](const MessageRequest&) { this->element->reply(R::good()); };
    for (int i = 0; i < 3; ++i)
        this->element->reply(R::bad());
    ASSERT_TRUE(waitFor([&] { return messages.shown.size() == 1; }));
    EXPECT_FALSE(waitFor([&] { return messages.shown.size() > 1 || R::shown(*w); }, 700));
    messages.whileOpen = nullptr;
    this->element->reply(R::good()); // the next reply is shown as usual
    EXPECT_TRUE(waitFor([&] { return R::shown(*w); }));
}

// Behind the Clear question replies are shown as usual: only an error box holds them.
TYPED_TEST(DiagnosticsFailureTest, RepliesWhileTheClearQuestionIsOpenAreShown) {
    using R = Records<TypeParam>;
    auto& messages = this->bed.messages;
    auto w = this->open();
    messages.holdOpenMs = 200;
    messages.answers.enqueue(MsgAnswer::No);
    messages.whileOpen = [&](const MessageRequest&) { this->element->reply(R::good()); };
    w->ResetCounters();
    messages.whileOpen = nullptr;
    EXPECT_EQ(messages.texts(), QStringList{DiagnosticsTexts::ResetQuestion});
    EXPECT_TRUE(waitFor([&] { return R::shown(*w); }, 500));
}

// Another program holding port 2978 (the exporter, for a moment in every check) is waited
// for; one that keeps it is named with the system's message and the program goes on.
TYPED_TEST(DiagnosticsFailureTest, APortHeldByAnotherProgramIsWaitedForNotFatal) {
    for (const int heldMs : {300, 4000}) { // the window waits up to 3 s
        QUdpSocket other;
        ASSERT_TRUE(other.bind(QHostAddress(QStringLiteral("127.0.0.1")), 2978, QAbstractSocket::DontShareAddress));
        QTimer::singleShot(heldMs, &other, [&] { other.close(); });
        TypeParam w(this->context());
        EXPECT_EQ(w.openWindow(), heldMs == 300) << heldMs;
        EXPECT_EQ(this->bed.messages.texts().join(u'|'),
                  heldMs == 300 ? QString() : "Unable to use UDP port 2978: The bound address is already in use.");
        EXPECT_FALSE(this->bed.programEnd.ended);
    }
}

TYPED_TEST(DiagnosticsFailureTest, AnElementWithoutRouteIsReportedAndTheProgramGoesOn) {
    if (!onlyLoopbackHere())
        GTEST_SKIP() << "not in a private network namespace: 10.99.0.1 might be reachable";
    this->write("ip", "10.99.0.1");
    TypeParam w(this->context());
    EXPECT_TRUE(w.openWindow());
    EXPECT_EQ(this->bed.messages.texts(),
              QStringList{"Unable to reach the element on UDP port 2978: Network is unreachable."});
    EXPECT_FALSE(this->bed.programEnd.ended);
}

TYPED_TEST(DiagnosticsFailureTest, LeadingZerosInTheStoredAddressAreDecimal) {
    FakeDiagnosticsElement at10("127.0.0.10"); // not 127.0.0.8, as an octal reading would make it
    this->write("ip", "127.0.0.010");
    auto w = this->open();
    EXPECT_TRUE(waitFor([&] { return at10.got.size() == 1; }));
}

// Auto refresh goes off before the "Error 4" box: no request follows while it is open.
using AdjustFailureTest = DiagnosticsWindowTest<frmAdjust>;
TEST_F(AdjustFailureTest, AutoRefreshStopsBeforeTheDecodingError) {
    bed.messages.holdOpenMs = 1100; // longer than a refresh
    QObject::connect(&element->socket, &QUdpSocket::readyRead, [this, replies = 0]() mutable {
        if (++replies <= 4) // a bounded run, should the boxes follow one another
            element->reply(Records<frmAdjust>::bad());
    });
    auto w = open();
    w->chkAutoUpdate->click();
    ASSERT_TRUE(waitFor([&] { return bed.messages.shown.size() == 1; }));
    EXPECT_FALSE(w->chkAutoUpdate->isChecked() || w->Timer2->isActive());
    EXPECT_FALSE(waitFor([&] { return bed.messages.shown.size() > 1; }, 1500));
}

} // namespace
