// The SFN adjustment window with real sockets on port 2978 in the test's private namespace.

#include "FakeDiagnosticsElement.h"
#include "Spoken.h"
#include "TestServices.h"

#include "behaviours/diagnostics/frmAdjust.h"
#include "core/database/IniStore.h"
#include "core/shell/SettingsStore.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

const QString kSection = QStringLiteral("0011223344AA");

// Average 1000, minimum 900, maximum 1100 ns; additional latency 500 ns; auto servo off.
QByteArray decoderRecord(const char* additionalHex = "000001F4", const char* servo = "00",
                         const char* correction = "00000000") {
    return diagnosticsRecord({{40, "000003E8"}, {44, "00000384"}, {48, "0000044C"}, {52, additionalHex},
                              {56, correction}, {60, servo}});
}

class AdjustWindowTest : public DiagnosticsWindowTest<frmAdjust> {
public:
    void settle(int ms) { waitFor([] { return false; }, ms); }
    // Turns auto refresh on as the operator does and checks that it runs.
    void autoRefreshOn(frmAdjust& w) {
        w.chkAutoUpdate->click();
        ASSERT_TRUE(w.chkAutoUpdate->isChecked());
        ASSERT_TRUE(w.Timer2->isActive());
    }
};

TEST_F(AdjustWindowTest, OpeningShowsTheStoredStateAndAsksForTheDelays) {
    write("dly", "1234");
    write("srv", "1");
    bed.settings.values.insert(SettingKeys::AutoClearCounters, QStringLiteral("1"));
    const int writesBefore = bed.settings.writes;
    auto w = open();
    EXPECT_EQ(w->windowTitle(), "SFN Adjustment");
    for (QLabel* l : {w->lblCurrentDelayMIN, w->lblCurrentDelayMAX, w->lblCurrentDelayAVG, w->lblDelaySumMIN,
                      w->lblDelaySumMAX, w->lblDelaySumAVG, w->lblFixedLatencyAUDIO, w->lblFixedLatencyMAC})
        EXPECT_EQ(l->text(), "-") << l->objectName().toStdString();
    EXPECT_EQ(w->scrlAdditionalDelay->value(), 1234);
    EXPECT_EQ(w->lblAdditionalDelay->text(), "123 uS, 400 nS");
    EXPECT_EQ(w->additionalDelay(), 123400);
    EXPECT_TRUE(w->chkAutoServo->isChecked());
    EXPECT_TRUE(w->chkAutoClear->isChecked());
    EXPECT_FALSE(w->chkAutoUpdate->isChecked());
    EXPECT_FALSE(w->Timer2->isActive());
    EXPECT_FALSE(w->Timer1->isActive());
    EXPECT_EQ(bed.settings.writes, writesBefore); // reading the setting writes nothing
    ASSERT_TRUE(received(1));
    EXPECT_EQ(element->got[0].data(), QByteArray("GetDel"));
    EXPECT_EQ(element->got[0].senderPort(), 2978);
    EXPECT_TRUE(bed.messages.shown.empty());
    EXPECT_EQ(w->scrlAdditionalDelay->maximum(), 25000);
    EXPECT_EQ(w->scrlAdditionalDelay->pageStep(), 100);
    EXPECT_EQ(w->chkAutoServo->toolTip(), "Enables auto compansation of Network latency");
    EXPECT_EQ(w->chkAutoClear->toolTip(), "Clear counters after each 'Set' command");
    EXPECT_EQ(w->chkAutoUpdate->toolTip(), "Auto refresh (every 1 sec)");
}

TEST_F(AdjustWindowTest, StoredValuesTheControlsCannotTakeAreReadSafely) {
    struct Case {
        const char* dly;
        const char* srv;
        const char* autoClear;
        int slider;
        bool servo, clear;
    };
    const Case cases[] = {
        {"abc", "x", "x", 0, false, false},
        {"30000", "2", "2", 25000, false, false},
        {"-5", "1", "1", 0, true, true},
        {"25000", "0", "0", 25000, false, false},
    };
    for (const Case& c : cases) {
        write("dly", c.dly);
        write("srv", c.srv);
        bed.settings.values.insert(SettingKeys::AutoClearCounters, QString::fromLatin1(c.autoClear));
        auto w = open();
        EXPECT_EQ(w->scrlAdditionalDelay->value(), c.slider) << c.dly;
        EXPECT_EQ(w->chkAutoServo->isChecked(), c.servo) << c.srv;
        EXPECT_EQ(w->chkAutoClear->isChecked(), c.clear) << c.autoClear;
    }
}

TEST_F(AdjustWindowTest, AReplyFromAnSfnDecoderFillsTheMeasurements) {
    auto w = open();
    element->reply(decoderRecord());
    ASSERT_TRUE(waitFor([&] { return w->lblCurrentDelayAVG->text() != "-"; }));
    EXPECT_EQ(w->lblCurrentDelayAVG->text(), "1 uS, 500 nS");
    EXPECT_EQ(w->lblDelaySumAVG->text(), "397 uS, 598 nS");
    EXPECT_EQ(w->lblCurrentDelayMIN->text(), "1 uS, 400 nS");
    EXPECT_EQ(w->lblDelaySumMIN->text(), "397 uS, 498 nS");
    EXPECT_EQ(w->lblCurrentDelayMAX->text(), "1 uS, 600 nS");
    EXPECT_EQ(w->lblDelaySumMAX->text(), "397 uS, 698 nS");
    EXPECT_EQ(w->lblFixedLatencyMAC->text(), "265 nS");
    EXPECT_EQ(w->lblFixedLatencyAUDIO->text(), "395 uS, 833 nS");
    EXPECT_EQ(w->scrlAdditionalDelay->value(), 5);
    EXPECT_EQ(w->lblAdditionalDelay->text(), "500 nS");
    EXPECT_EQ(w->chkAutoServo->text(), "Auto servo");
    EXPECT_EQ(w->UDP_Response_PTP_Propagation_Delay_Average, 1500);
    EXPECT_EQ(w->UDP_Response_PTP_Propagation_Delay_Minimum, 1400);
    EXPECT_EQ(w->UDP_Response_PTP_Propagation_Delay_Maximum, 1600);

    // Auto servo on with a correction of -120 ns.
    element->reply(decoderRecord("000001F4", "01", "FFFFFF88"));
    ASSERT_TRUE(waitFor([&] { return w->chkAutoServo->isChecked(); }));
    EXPECT_EQ(w->chkAutoServo->text(), "Auto servo (-120 nS)");
    // A screen reader reads every value and the servo's caption as shown.
    const std::pair<QWidget*, const char*> spoken[] = {
        {w->lblCurrentDelayMIN, "Network latency (MIN)"}, {w->lblCurrentDelayMAX, "Network latency (MAX)"},
        {w->lblCurrentDelayAVG, "Network latency (AVG)"}, {w->lblFixedLatencyMAC, "MAC interface latency"},
        {w->lblFixedLatencyAUDIO, "Audio interface latency"}, {w->lblDelaySumMIN, "Latency summary (MIN)"},
        {w->lblDelaySumMAX, "Latency summary (MAX)"}, {w->lblDelaySumAVG, "Latency summary (AVG)"},
        {w->lblAdditionalDelay, "Latency compensation"}};
    for (const auto& [value, caption] : spoken) {
        EXPECT_EQ(spokenName(value), qobject_cast<QLabel*>(value)->text()) << caption;
        EXPECT_EQ(spokenCaption(value), caption);
    }
    EXPECT_EQ(spokenName(w->chkAutoServo), "Auto servo (-120 nS)");
    EXPECT_EQ(w->lblCurrentDelayAVG->text(), "1 uS, 380 nS");
    EXPECT_EQ(w->UDP_Response_PTP_Auto_Servo, 1);

    // An additional latency beyond the slider: the slider stops at 25000, the latencies
    // use the element's value.
    element->reply(decoderRecord("0027AC40"));
    ASSERT_TRUE(waitFor([&] { return w->scrlAdditionalDelay->value() == 25000; }));
    EXPECT_EQ(w->lblAdditionalDelay->text(), "2 mS, 500 uS, 0 nS");
    EXPECT_EQ(w->lblCurrentDelayAVG->text(), "2 mS, 601 uS, 0 nS");
    EXPECT_FALSE(w->chkAutoServo->isChecked());
}

TEST_F(AdjustWindowTest, OnlyTheFixedRowsForOtherElementsAndOnly61ByteReplies) {
    struct Case {
        const char* sfn;
        const char* type;
    };
    for (const Case& c : {Case{"0", "DECODER"}, Case{"1", "ENCODER"}, Case{"1", "UNKNOWN"}}) {
        write("sfn", c.sfn);
        elementType = QString::fromLatin1(c.type);
        auto w = open();
        element->reply(decoderRecord());
        ASSERT_TRUE(waitFor([&] { return w->lblFixedLatencyMAC->text() != "-"; })) << c.sfn << c.type;
        EXPECT_EQ(w->lblFixedLatencyMAC->text(), "265 nS");
        EXPECT_EQ(w->lblFixedLatencyAUDIO->text(), "395 uS, 833 nS");
        EXPECT_EQ(w->lblCurrentDelayAVG->text(), "-");
        EXPECT_EQ(w->lblDelaySumMAX->text(), "-");
        EXPECT_EQ(w->scrlAdditionalDelay->value(), 0);
    }
    write("sfn", "1");
    elementType = QStringLiteral("DECODER");
    auto w = open();
    element->reply(decoderRecord().left(60));
    element->reply(decoderRecord() + '\0');
    settle(200);
    EXPECT_EQ(w->lblFixedLatencyMAC->text(), "-");
    EXPECT_EQ(w->lblCurrentDelayAVG->text(), "-");
    element->reply(decoderRecord());
    EXPECT_TRUE(waitFor([&] { return w->lblCurrentDelayAVG->text() == "1 uS, 500 nS"; }));
}

TEST_F(AdjustWindowTest, SetSendsTheSetDelayCommand) {
    struct Case {
        int slider;
        bool servo;
        const char* hex;
    };
    const Case cases[] = {{25000, true, "53002625A001"}, {0, false, "530000000000"}, {1234, false, "530001E20800"}};
    for (const Case& c : cases) {
        auto w = open();
        ASSERT_TRUE(received(1));
        element->got.clear();
        w->scrlAdditionalDelay->setValue(c.slider);
        w->chkAutoServo->setChecked(c.servo);
        w->cmdSet->click();
        ASSERT_TRUE(received(1));
        EXPECT_EQ(element->got[0].data().toHex().toUpper().toStdString(), c.hex);
        EXPECT_TRUE(w->parametersSent());
        w.reset();
        bed.messages.clear();
        element->got.clear();
    }
}

TEST_F(AdjustWindowTest, AutoClearResetsTheCounters250msAfterSet) {
    for (bool autoClear : {true, false}) {
        bed.settings.values.insert(SettingKeys::AutoClearCounters, autoClear ? QStringLiteral("1") : QStringLiteral("0"));
        auto w = open();
        ASSERT_TRUE(received(1));
        element->got.clear();
        QElapsedTimer t;
        t.start();
        w->cmdSet->click();
        ASSERT_TRUE(received(1));
        if (autoClear) {
            ASSERT_TRUE(received(2));
            EXPECT_GE(t.elapsed(), 240);
            EXPECT_EQ(element->got[1].data(), QByteArray("RstStats"));
        }
        settle(600); // one reset per Set, no more
        EXPECT_EQ(element->got.size(), autoClear ? 2 : 1);
        EXPECT_FALSE(w->Timer1->isActive());
        w.reset();
        element->got.clear();
    }
}

TEST_F(AdjustWindowTest, ClosingDropsAPendingReset) {
    bed.settings.values.insert(SettingKeys::AutoClearCounters, QStringLiteral("1"));
    auto w = open();
    ASSERT_TRUE(received(1));
    w->cmdSet->click();
    ASSERT_TRUE(received(2));
    w->close();
    w.reset();
    settle(500);
    EXPECT_EQ(element->payloads().size(), 2); // GetDel and the command, no reset
}

TEST_F(AdjustWindowTest, AutoRefreshEverySecond) {
    auto w = open();
    ASSERT_TRUE(received(1));
    autoRefreshOn(*w);
    ASSERT_TRUE(received(3, 2600)); // two ticks of Timer2
    EXPECT_EQ(element->payloads(), (QList<QByteArray>{"GetDel", "GetDel", "GetDel"}));
    w->chkAutoUpdate->click();
    EXPECT_FALSE(w->Timer2->isActive());
    settle(1200);
    EXPECT_EQ(element->got.size(), 3);
}

TEST_F(AdjustWindowTest, EverythingThatSwitchesAutoRefreshOff) {
    struct Case {
        const char* what;
        std::function<void(frmAdjust&, AdjustWindowTest&)> act;
        bool staysOn;
    };
    const Case cases[] = {
        {"slider changed", [](frmAdjust& w, AdjustWindowTest&) { w.scrlAdditionalDelay->setValue(7); }, false},
        {"slider dragged", [](frmAdjust& w, AdjustWindowTest&) { Q_EMIT w.scrlAdditionalDelay->sliderMoved(0); }, false},
        {"auto servo clicked", [](frmAdjust& w, AdjustWindowTest&) { w.chkAutoServo->click(); }, false},
        {"auto clear clicked", [](frmAdjust& w, AdjustWindowTest&) { w.chkAutoClear->click(); }, false},
        {"Set", [](frmAdjust& w, AdjustWindowTest&) { w.cmdSet->click(); }, false},
        {"Clear answered No",
         [](frmAdjust& w, AdjustWindowTest& t) {
             t.bed.messages.answers.enqueue(MsgAnswer::No);
             w.cmdResetStats->click();
         },
         false},
        {"a reply that moves the slider",
         [](frmAdjust& w, AdjustWindowTest& t) {
             t.element->reply(decoderRecord("00000BB8")); // 3000 ns: 30
             waitFor([&] { return w.scrlAdditionalDelay->value() == 30; });
         },
         false},
        {"a reply that changes auto servo",
         [](frmAdjust& w, AdjustWindowTest& t) {
             t.element->reply(decoderRecord("00000000", "01"));
             waitFor([&] { return w.chkAutoServo->isChecked(); });
         },
         false},
        {"a reply with the window's own values",
         [](frmAdjust& w, AdjustWindowTest& t) {
             t.element->reply(decoderRecord("00000000", "00")); // slider 0, servo off as shown
             waitFor([&] { return w.lblCurrentDelayAVG->text() != "-"; });
         },
         true},
        {"Refresh", [](frmAdjust& w, AdjustWindowTest&) { w.cmdRefresh->click(); }, true},
    };
    for (const Case& c : cases) {
        auto w = open();
        ASSERT_TRUE(received(1));
        autoRefreshOn(*w);
        c.act(*w, *this);
        EXPECT_EQ(w->chkAutoUpdate->isChecked(), c.staysOn) << c.what;
        EXPECT_EQ(w->Timer2->isActive(), c.staysOn) << c.what;
        w.reset();
        element->got.clear();
        bed.messages.clear();
    }
}

TEST_F(AdjustWindowTest, ClearAsksAndSendsOnYes) {
    auto w = open();
    ASSERT_TRUE(received(1));
    bed.messages.answers.enqueue(MsgAnswer::No);
    w->cmdResetStats->click();
    settle(200);
    EXPECT_EQ(element->got.size(), 1);
    ASSERT_EQ(bed.messages.shown.size(), 1u);
    EXPECT_EQ(bed.messages.shown[0].text, "You will reset all counters to zero.\rAre you sure?");
    EXPECT_EQ(bed.messages.shown[0].title, "Reset counters");
    EXPECT_EQ(bed.messages.shown[0].icon, MsgIcon::Question);
    EXPECT_EQ(bed.messages.shown[0].buttons, MsgButtons::YesNo);
    bed.messages.answers.enqueue(MsgAnswer::Yes);
    w->cmdResetStats->click();
    ASSERT_TRUE(received(2));
    EXPECT_EQ(element->got[1].data(), QByteArray("RstStats"));
}

TEST_F(AdjustWindowTest, AutoClearClickStoresTheSetting) {
    auto w = open();
    w->chkAutoClear->click();
    EXPECT_EQ(bed.settings.values.value(SettingKeys::AutoClearCounters), "1");
    w->chkAutoClear->click();
    EXPECT_EQ(bed.settings.values.value(SettingKeys::AutoClearCounters), "0");
}

TEST_F(AdjustWindowTest, ClosingAfterASetStoresTheDelayAndReminds) {
    {
        auto w = open();
        w->scrlAdditionalDelay->setValue(1234);
        w->chkAutoServo->setChecked(true);
        w->cmdSet->click();
        w->scrlAdditionalDelay->setValue(1300); // moved after the Set: the current value is stored
        EXPECT_TRUE(bed.messages.shown.empty());
        w->close();
        EXPECT_FALSE(w->parametersSent());
    }
    EXPECT_EQ(read("dly"), "1300");
    EXPECT_EQ(read("srv"), "1");
    ASSERT_EQ(bed.messages.shown.size(), 1u);
    EXPECT_EQ(bed.messages.shown[0].text, "There are unsaved parameters. Don't forget to click the 'Save' button.");
    EXPECT_EQ(bed.messages.shown[0].icon, MsgIcon::Information);

    // Reopened: the stored values come back.
    bed.messages.clear();
    auto w = open();
    EXPECT_EQ(w->scrlAdditionalDelay->value(), 1300);
    EXPECT_EQ(w->lblAdditionalDelay->text(), "130 uS, 0 nS");
    EXPECT_TRUE(w->chkAutoServo->isChecked());
    // Closing without a Set writes nothing and says nothing.
    w->scrlAdditionalDelay->setValue(5);
    w->close();
    EXPECT_EQ(read("dly"), "1300");
    EXPECT_TRUE(bed.messages.shown.empty());
}

TEST_F(AdjustWindowTest, AnOverflowShowsError4AndTheWindowStays) {
    auto w = open();
    // The minimum's summary leaves the signed 32-bit range: the average row is kept.
    element->reply(diagnosticsRecord({{40, "000003E8"}, {44, "7FFFFF00"}}));
    ASSERT_TRUE(waitFor([&] { return !bed.messages.shown.empty(); }));
    EXPECT_EQ(bed.messages.shown[0].text, "Error 4 while retrieving values. Please reset the device and try again.");
    EXPECT_EQ(bed.messages.shown[0].icon, MsgIcon::Critical);
    EXPECT_EQ(w->lblCurrentDelayAVG->text(), "1 uS, 0 nS");
    EXPECT_EQ(w->lblCurrentDelayMIN->text(), "-");
    EXPECT_EQ(w->lblFixedLatencyMAC->text(), "265 nS");
    EXPECT_FALSE(bed.programEnd.ended);
    EXPECT_TRUE(w->isVisible());
}

TEST_F(AdjustWindowTest, PortFailureEndsTheProgram) {
    DiagnosticsContext c = context();
    c.localAddress = [] { return QStringLiteral("192.0.2.1"); }; // not an address of this host
    frmAdjust w(c);
    EXPECT_FALSE(w.openWindow());
    ASSERT_EQ(bed.messages.shown.size(), 1u);
    EXPECT_EQ(bed.messages.shown[0].text, "Unable to use UDP port 2978: occupied.");
    EXPECT_EQ(bed.messages.shown[0].icon, MsgIcon::Critical);
    EXPECT_TRUE(bed.programEnd.ended);
}

TEST_F(AdjustWindowTest, AFailedSendIsReportedOnceAndTheWindowStays) {
    ASSERT_TRUE(IniStore::DeleteIniKey(kSection, QStringLiteral("ip"), bed.iniPath()));
    auto w = open();
    ASSERT_EQ(bed.messages.shown.size(), 1u);
    EXPECT_EQ(bed.messages.shown[0].text,
              "Unable to reach the element on UDP port 2978: no address is stored for this element.");
    // Auto refresh does not repeat the failure every second.
    autoRefreshOn(*w);
    settle(1300);
    EXPECT_EQ(bed.messages.shown.size(), 2u);
    EXPECT_FALSE(w->chkAutoUpdate->isChecked());
    // A Set that reaches nothing: no reset follows and nothing is stored on closing.
    bed.settings.values.insert(SettingKeys::AutoClearCounters, QStringLiteral("1"));
    w->chkAutoClear->setChecked(true);
    w->cmdSet->click();
    EXPECT_EQ(bed.messages.shown.size(), 3u);
    EXPECT_FALSE(w->parametersSent());
    EXPECT_FALSE(w->Timer1->isActive());
    w->close();
    EXPECT_EQ(read("dly"), "<none>");
    EXPECT_EQ(bed.messages.shown.size(), 3u);
    EXPECT_FALSE(bed.programEnd.ended);
}

} // namespace
